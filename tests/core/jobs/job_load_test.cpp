#include "jobs/job_error.h"
#include "jobs/job_store.h"
#include "platform/profile_ini.h"

#include "tests/support/new_job.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace vantorel {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

// A settings folder holding a copy of one fixture as its ListeSave.ini.
void InstallFixture(const TempDir& dir, const char* fixture) {
    test::InstallTestData(fixture, dir / "ListeSave.ini");
}

// One text of every job of the list, in order.
std::vector<std::string> Column(const JobStore& store, std::string BackupJob::*text) {
    std::vector<std::string> column;
    for (const BackupJob& job : store.jobs()) {
        column.push_back(job.*text);
    }
    return column;
}

struct LoadRow {
    const char* fixture;                 // nullptr: no file
    std::vector<std::string> sources;    // the jobs that load, in order
    std::vector<std::string> references; // their references after the load
    const char* counter;                 // ReferenceCounter after the load
    bool referencesGiven;                // whether the load gave references and wrote them back
};

void PrintTo(const LoadRow& row, std::ostream* out) {
    *out << (row.fixture != nullptr ? row.fixture : "no file");
}

class LoadJobList : public ::testing::TestWithParam<LoadRow> {};

TEST_P(LoadJobList, StopsAtTheFirstSectionThatCannotLoad) {
    TempDir dir;
    const LoadRow& row = GetParam();
    if (row.fixture != nullptr) {
        InstallFixture(dir, row.fixture);
    }
    const std::string before = ReadFile(dir / "ListeSave.ini");
    JobStore store(dir.path());
    store.LoadJobList();
    EXPECT_EQ(Column(store, &BackupJob::source), row.sources);
    EXPECT_EQ(Column(store, &BackupJob::reference), row.references);
    EXPECT_EQ(store.referenceCounter(), row.counter);
    const std::string after = ReadFile(dir / "ListeSave.ini");
    EXPECT_EQ(after != before, row.referencesGiven) << "a load writes only the references it gives";
    EXPECT_EQ(fs::exists(dir / "ListeSave.ini"), row.fixture != nullptr);

    // The references given are stored: the next start finds the same ones
    // and writes nothing.
    JobStore restarted(dir.path());
    restarted.LoadJobList();
    EXPECT_EQ(Column(restarted, &BackupJob::reference), row.references);
    EXPECT_EQ(restarted.referenceCounter(), row.counter);
    EXPECT_EQ(ReadFile(dir / "ListeSave.ini"), after);

    // A new job gets a reference that no job in the file holds.
    if (row.referencesGiven) {
        EXPECT_EQ(ReadProfileString(dir / "ListeSave.ini", "Reference", "DerniereRef", ""), row.counter);
        const std::size_t added = store.AppendJob(test::NewJob("x", "/neuf/", "/dest/", {"0", "0", "0", "0"}, "", ""));
        EXPECT_EQ(std::count(row.references.begin(), row.references.end(), store.at(added).reference), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, LoadJobList,
    ::testing::Values(
        LoadRow{nullptr, {}, {}, "0", false},
        // Section 2 is not loaded, but its reference 3 is taken all the same.
        LoadRow{"liste_gap_in_sections.ini", {"/docs/"}, {"1"}, "3", false},
        LoadRow{"liste_literal_zero_source.ini", {"/docs/"}, {"1"}, "9", false},
        LoadRow{"liste_counter_not_a_number.ini", {}, {}, "abc", false},
        LoadRow{"liste_reference_not_a_number.ini", {"/docs/", "/photos/", "/films/"}, {"1", "5", "3"}, "5", true},
        LoadRow{"liste_reference_missing_or_repeated.ini",
                {"/a/", "/b/", "/c/", "/d/", "/e/", "/f/"},
                {"8", "2", "9", "10", "7", "11"},
                "11",
                true},
        LoadRow{"liste_index_unused_or_outside.ini", {"/docs/", "/photos/"}, {"1", "2"}, "4", false},
        LoadRow{"liste_counter_below_references.ini", {"/a/", "/b/", "/c/"}, {"1", "5", "3"}, "5", false},
        LoadRow{"liste_next_run_missing_or_empty.ini", {"/docs/", "/photos/"}, {"1", "2"}, "2", false},
        LoadRow{"liste_windows_crlf.ini", {"C:\\Mes documents\\"}, {"1"}, "1", false}));

// A folder path longer than a read returns is never taken for its cut text.
TEST(LoadJobList, MarksPathsTooLongToReadWhole) {
    TempDir dir;
    const std::string longest = "/" + std::string(kMaxProfileValue - 2, 'a'); // the longest path a job may have
    const std::string paths[][2] = {
        {longest, "/dest/"},                            // fits
        {"/docs/", "/" + std::string(2286, 'd')},       // cut
        {"/" + std::string(2045, 's') + "é", "/dest/"}, // cut short of the limit, at the "é"
        {"/docs/", "/" + std::string(2046, 'e')},       // whole, but as long as a cut one
    };
    std::string text;
    for (std::size_t i = 0; i < std::size(paths); ++i) {
        text += "[" + std::to_string(i) + "]\nEdSource=" + paths[i][0] + "\nEdDestination=" + paths[i][1] +
                "\nCbDelaiSave=0\nReference=" + std::to_string(i + 1) + "\n";
    }
    WriteFile(dir / "ListeSave.ini", text);
    JobStore store(dir.path());
    store.LoadJobList();
    ASSERT_EQ(store.size(), 4U);
    EXPECT_FALSE(store.at(0).HasOverlongPath());
    EXPECT_TRUE(store.at(1).destinationOverlong);
    EXPECT_FALSE(store.at(1).sourceOverlong);
    EXPECT_TRUE(store.at(2).sourceOverlong);
    EXPECT_LT(store.at(2).source.size(), kMaxProfileValue);
    EXPECT_TRUE(store.at(3).destinationOverlong);
}

TEST(LoadJobList, KeepsTheStoredTextsAndBuildsTheDesignations) {
    TempDir dir;
    InstallFixture(dir, "liste_index_unused_or_outside.ini");
    JobStore store(dir.path());
    store.LoadJobList();
    ASSERT_EQ(store.size(), 2U);
    const BackupJob& first = store.at(0);
    EXPECT_EQ(first.designation, "Sauvegarder (/docs/) sur (/sauvegardes/) toutes les 8 heures");
    EXPECT_EQ(first.schedule.hour, "99");
    EXPECT_EQ(first.schedule.weekday, "x");
    EXPECT_EQ(first.schedule.day, "-5");
    EXPECT_EQ(first.lastRun, "07/12/2026 14:05:33");
    EXPECT_EQ(store.at(1).designation, "Sauvegarder (/photos/) sur (/sauvegardes/) tous les mois le 31 à 23h00");

    InstallFixture(dir, "liste_next_run_missing_or_empty.ini");
    store.LoadJobList();
    ASSERT_EQ(store.size(), 2U);
    EXPECT_EQ(store.at(0).nextRun, "0"); // missing key: the default, due at the first pass
    EXPECT_EQ(store.at(1).nextRun, "");  // present but empty: never due

    InstallFixture(dir, "liste_windows_crlf.ini");
    store.LoadJobList();
    ASSERT_EQ(store.size(), 1U);
    EXPECT_EQ(store.at(0).designation,
              "Sauvegarder (C:\\Mes documents\\) sur (E:\\Sauvegardes\\) toutes les semaines le Vendredi à 18h00");
    EXPECT_EQ(store.at(0).reference, "1"); // the first of two Reference keys
}

// A job is known by its reference across loads (its error line keeps its
// hint after "Restaurer"); a reference new to the list gets a fresh id.
TEST(LoadJobList, KeepsEachJobsIdAcrossLoads) {
    TempDir dir;
    InstallFixture(dir, "liste_counter_below_references.ini");
    JobStore store(dir.path());
    store.LoadJobList();
    const std::uint64_t a = store.at(0).id;
    const std::uint64_t b = store.at(1).id;
    const std::uint64_t c = store.at(2).id;
    EXPECT_EQ(std::set<std::uint64_t>({a, b, c}).size(), 3U);

    std::string text = ReadFile(dir / "ListeSave.ini");
    text.replace(text.find("Reference=5"), 11, "Reference=7");
    WriteFile(dir / "ListeSave.ini", text);
    store.LoadJobList();
    EXPECT_EQ(store.at(0).id, a);
    EXPECT_EQ(store.at(2).id, c);
    EXPECT_EQ(std::set<std::uint64_t>({a, b, c, store.at(1).id}).size(), 4U);
    EXPECT_FALSE(store.RowOf(b).has_value());
}

TEST(BuildDesignation, WritesTheLineOfEveryCode) {
    const struct {
        const char *source, *destination, *code, *hour, *weekday, *day, *line;
    } rows[] = {
        {"C:\\Mes documents\\", "E:\\Sauvegardes\\", "1", "0", "0", "0",
         "Sauvegarder (C:\\Mes documents\\) sur (E:\\Sauvegardes\\) toutes les 4 heures"},
        {"C:\\Mes documents\\", "E:\\Sauvegardes\\", "4", "20", "0", "0",
         "Sauvegarder (C:\\Mes documents\\) sur (E:\\Sauvegardes\\) tous les jours à 21h00"},
        {"D:\\Compta\\", "F:\\Copies\\", "5", "17", "4", "0",
         "Sauvegarder (D:\\Compta\\) sur (F:\\Copies\\) toutes les semaines le Vendredi à 18h00"},
        {"D:\\Compta\\", "E:\\Sauvegardes\\", "6", "0", "0", "4",
         "Sauvegarder (D:\\Compta\\) sur (E:\\Sauvegardes\\) tous les mois le 05 à 01h00"},
        {"/a/", "/b/", "0", "zz", "zz", "zz", "Sauvegarder (/a/) sur (/b/) toutes les heures"},
        {"/a/", "/b/", "3", "0", "0", "0", "Sauvegarder (/a/) sur (/b/) toutes les 12 heures"},
        {"/a/", "/b/", "04", "x", "x", "x", "Sauvegarder (/a/) sur (/b/) tous les jours"}, // label by number
    };
    for (const auto& row : rows) {
        EXPECT_EQ(BuildDesignation(row.source, row.destination, {row.code, row.weekday, row.day, row.hour}), row.line);
    }
    // Code, hour, weekday, day, and the text the error names.
    const std::vector<std::vector<std::string>> badRows = {
        {"7", "0", "0", "0", "7"}, {"x", "0", "0", "0", "x"},   {"4", "23", "0", "0", "23"},
        {"5", "0", "7", "0", "7"}, {"6", "0", "0", "31", "31"}, {"6", "-1", "0", "0", "-1"},
    };
    for (const auto& bad : badRows) {
        EXPECT_FALSE(TryBuildDesignation("/a/", "/b/", {bad[0], bad[2], bad[3], bad[1]}).has_value()) << bad[0];
        try {
            BuildDesignation("/a/", "/b/", {bad[0], bad[2], bad[3], bad[1]});
            ADD_FAILURE() << "built a line for code " << bad[0];
        } catch (const JobError& error) {
            EXPECT_EQ(error.kind(), JobFailure::NotAnInteger);
            EXPECT_EQ(error.subject(), bad[4]);
        }
    }
}

} // namespace
} // namespace vantorel
