#include "platform/errors.h"
#include "platform/profile_ini.h"

#include "tests/support/refused_write.h"
#include "tests/support/temp_dir.h"
#include "tests/support/unprivileged.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <optional>
#include <string>

namespace vantorel {
namespace {

namespace fs = std::filesystem;
using test::ExpectWriteRefused;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

const fs::path kWindowsFile = fs::path(VANTOREL_TEST_DATA) / "profile_windows_crlf.ini";

TEST(IniDocument, FindsWhatTheDesktopFunctionsFind) {
    const IniDocument doc = IniDocument::Parse(ReadFile(kWindowsFile));
    const struct {
        const char* section;
        const char* key;
        const char* expected; // nullptr: missing
    } rows[] = {
        {"Prog", "LanceProg", "TRUE"},                                // blanks around name and value
        {"prog", "LANCEPROG", "TRUE"},                                // names without regard to case
        {"Prog", "ReduireProg", "FALSE"},                             // a repeated key: the first wins
        {"PositionFenetre", "NormalTop", "120"},                      // blanks inside the brackets
        {"PositionFenetre", "NormalLeft", "40"},                      // comment line skipped, tab trimmed
        {"PositionFenetre", "Empty", ""},                             // present but empty
        {"PositionFenetre", "NoEquals", nullptr},                     // a line without "=" is no key
        {"PositionFenetre", "Chemin", "C:\\Mes documents\\ \"a=b\""}, // taken as is
        {"Prog", "Extra", nullptr},                                   // a repeated section: the first counts
        {"Prog", "NormalTop", nullptr},                               // keys belong to their own section
        {"Absent", "LanceProg", nullptr},
    };
    for (const auto& row : rows) {
        const std::optional<std::string_view> value = doc.Find(row.section, row.key);
        EXPECT_EQ(value, row.expected == nullptr ? std::nullopt : std::optional<std::string_view>(row.expected))
            << row.section << "/" << row.key;
    }
}

TEST(IniDocument, WritesFollowTheProfileRules) {
    IniDocument doc = IniDocument::Parse(ReadFile(kWindowsFile));
    doc.Set("PROG", "reduireprog", "TRUE");    // in place, keeping the file's spelling
    doc.Set("Prog", "Nouveau", "x");           // end of its section, before the blank line
    doc.Set("Ajout", "Cle", " valeur brute "); // new section at the end, value unchanged
    EXPECT_EQ(doc.Serialize(), "; Saved by the desktop version\r\n[Prog]\r\n  LanceProg = TRUE  \r\n"
                               "ReduireProg=TRUE\r\nreduireprog=TRUE\r\nNouveau=x\r\n\r\n[ PositionFenetre ]\r\n"
                               "NormalTop=120\r\n;NormalLeft=999\r\nNormalLeft=\t40\r\nEmpty=\r\nNoEquals\r\n"
                               "Chemin=C:\\Mes documents\\ \"a=b\"\r\n[prog]\r\nExtra=1\r\n"
                               "[Ajout]\r\nCle= valeur brute \r\n");
    // Values read back trimmed, as every value of the file reads.
    EXPECT_EQ(doc.Find("ajout", "cle").value_or("missing"), "valeur brute");
}

TEST(IniDocument, ParsesAndSerialisesWithoutLoss) {
    for (const char* text : {"", "\xEF\xBB\xBF[a]\nk=v\n", "[a]\r\nk=v\r\n", "no section=1\n[a]\n\n\n;c\n"}) {
        EXPECT_EQ(IniDocument::Parse(text).Serialize(), text);
    }
    // A last line without its line end gains one.
    EXPECT_EQ(IniDocument::Parse("[a]\nk=v").Serialize(), "[a]\nk=v\n");
}

TEST(ReadProfileValue, CutsLongValuesAtACharacterStart) {
    // Such values come only from files edited by hand: writes refuse them.
    // "accent": 2046 bytes, then a two-byte "é" whose second byte would be byte 2048.
    const IniDocument doc =
        IniDocument::Parse("[s]\nascii=" + std::string(3000, 'a') + "\naccent=" + std::string(2046, 'a') +
                           "é\nexact=" + std::string(2047, 'b') + "\n");
    EXPECT_EQ(ReadProfileValue(doc, "s", "ascii", "0"), std::string(2047, 'a'));
    EXPECT_EQ(ReadProfileValue(doc, "s", "accent", "0"), std::string(2046, 'a'));
    EXPECT_EQ(ReadProfileValue(doc, "s", "exact", "0"), std::string(2047, 'b'));
    EXPECT_EQ(ReadProfileValue(doc, "s", "absent", "0"), "0");
    EXPECT_EQ(ReadProfileValue(doc, "absent", "ascii", "défaut"), "défaut");

    // Only the checked read tells a cut value from a whole one of the same length.
    EXPECT_TRUE(ReadProfileValueChecked(doc, "s", "ascii", "0").cut);
    EXPECT_TRUE(ReadProfileValueChecked(doc, "s", "accent", "0").cut);
    EXPECT_FALSE(ReadProfileValueChecked(doc, "s", "exact", "0").cut);
    EXPECT_FALSE(ReadProfileValueChecked(doc, "s", "absent", "0").cut);
}

TEST(WriteProfileString, CreatesTheFileThenEditsIt) {
    TempDir dir;
    const fs::path file = dir / "Vantorel.ini";
    EXPECT_EQ(ReadProfileString(file, "Prog", "LanceProg", "0"), "0");
    WriteProfileString(file, "Prog", "LanceProg", "TRUE");
    WriteProfileString(file, "PositionFenetre", "NormalTop", "10");
    WriteProfileString(file, "Prog", "ReduireProg", "FALSE");
    WriteProfileString(file, "prog", "lanceprog", "FALSE");
    EXPECT_EQ(ReadFile(file), "[Prog]\nLanceProg=FALSE\nReduireProg=FALSE\n[PositionFenetre]\nNormalTop=10\n");
    EXPECT_EQ(ReadProfileString(file, "PROG", "REDUIREPROG", "0"), "FALSE");
    // Only the file itself is left in the folder: no temporary file behind.
    EXPECT_EQ(test::EntriesIn(dir.path()), 1U);
}

TEST(WriteProfileString, RefusesWhatWouldDamageOrCannotBeWritten) {
    TempDir dir;
    const fs::path file = dir / "ListeSave.ini";
    WriteFile(file, "[0]\nEdSource=/a/\n");

    // A value or a name that would change the shape of the file.
    ExpectWriteRefused(file, EINVAL, [&] { WriteProfileString(file, "0", "EdSource", "/a\n[1]\nEdSource=/b/"); });
    ExpectWriteRefused(file, EINVAL, [&] { WriteProfileString(file, "0]", "EdSource", "x"); });
    ExpectWriteRefused(file, EINVAL, [&] { WriteProfileString(file, "0", "Ed=Source", "x"); });
    // A value the read limit would cut, naming another folder when read back.
    ExpectWriteRefused(file, EINVAL, [&] { WriteProfileString(file, "0", "EdSource", "/" + std::string(2047, 'a')); });

    // A read-only file refuses writes even for root.
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    ExpectWriteRefused(file, EACCES, [&] { WriteProfileString(file, "0", "EdSource", "/b/"); });
    EXPECT_EQ(ReadFile(file), "[0]\nEdSource=/a/\n");

    // A folder that cannot hold a new file: its "folder" is a plain file.
    const fs::path blocker = dir / "plain";
    WriteFile(blocker, "");
    ExpectWriteRefused(blocker / "ListeSave.ini", ENOTDIR,
                       [&] { WriteProfileString(blocker / "ListeSave.ini", "0", "EdSource", "/b/"); });
    EXPECT_EQ(ReadFile(blocker), "");
}

// Writes one key of `file` as an unprivileged user: 0 when the write was
// refused for what it is (EACCES, naming the file), 1 when it went through, 2
// for another failure; nullopt when no unprivileged user can be had here.
std::optional<int> WriteUnprivileged(const fs::path& file) {
    return test::RunUnprivileged([&] {
        try {
            WriteProfileString(file, "Reference", "DerniereRef", "2");
        } catch (const PlatformError& error) {
            return error.kind() == PlatformFailure::WriteRefused && error.subject() == file.string() &&
                           error.sysErrno() == EACCES
                       ? 0
                       : 2;
        }
        return 1;
    });
}

TEST(WriteProfileString, RefusedWhereAnUnprivilegedUserMayNotWriteOrRead) {
    TempDir dir;
    const fs::path folder = dir / "programme";
    const fs::path file = folder / "ListeSave.ini";
    WriteFile(file, "[Reference]\nDerniereRef=1\n");
    // Others may look but not write: the file reads, the folder takes no new
    // file, not even from its owner, so the refusal is real both for the
    // user the tests drop to as root and for a normal user running them.
    fs::permissions(dir.path(), fs::perms::others_read | fs::perms::others_exec, fs::perm_options::add);
    fs::permissions(folder, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    const std::optional<int> result = WriteUnprivileged(file);
    fs::permissions(folder, fs::perms::owner_write, fs::perm_options::add); // so that the folder can go
    if (!result) {
        GTEST_SKIP() << "cannot run as an unprivileged user here";
    }
    EXPECT_EQ(*result, 0);
    EXPECT_EQ(ReadFile(file), "[Reference]\nDerniereRef=1\n");

    // Writing one key into a file that cannot be read would drop all its other keys.
    const fs::path unreadable = dir / "ListeSave.ini";
    WriteFile(unreadable, "[Prog]\nLanceProg=TRUE\n");
    fs::permissions(dir.path(), fs::perms::all);
    fs::permissions(unreadable, fs::perms::owner_write | fs::perms::others_write);
    EXPECT_EQ(WriteUnprivileged(unreadable), 0);
    fs::permissions(unreadable, fs::perms::owner_read, fs::perm_options::add);
    EXPECT_EQ(ReadFile(unreadable), "[Prog]\nLanceProg=TRUE\n");
}

} // namespace
} // namespace vantorel
