// ZIP64 archives written by other tools (and built here field by field):
// entries that need version 4.5 only for ZIP64 come back byte for byte.

#include "archive/reader/extract_archive.h"
#include "tests/core/archive/zip_builder.h"
#include "tests/support/temp_dir.h"
#include "tests/support/zip_tools.h"

#include <gtest/gtest.h>

namespace vantorel {
namespace {

using test::TempDir;

// A small tree with a nested folder, an empty file and incompressible bytes.
std::map<std::string, std::string> SampleTree() {
    std::string noise(70000, '\0');
    std::uint32_t state = 12345;
    for (char& c : noise) {
        state = state * 1103515245 + 12345;
        c = static_cast<char>(state >> 24);
    }
    return {
        {"a.txt", "hello\n"}, {"empty", ""}, {"sub/deeper/noise.bin", noise}, {"sub/text.txt", std::string(9000, 't')}};
}

void WriteTree(const std::filesystem::path& root, const std::map<std::string, std::string>& tree) {
    for (const auto& [path, content] : tree) {
        test::WriteFile(root / path, content);
    }
}

// Each tool forces ZIP64 records on every entry; folder entries, which
// Info-ZIP adds, are skipped.
TEST(ExtractZip64, OtherToolsForcedZip64) {
    const char* script = R"PY(
import os, sys, zipfile
src, out = sys.argv[1], sys.argv[2]
with zipfile.ZipFile(out, "w", compression=zipfile.ZIP_DEFLATED) as z:
    for root, dirs, files in os.walk(src):
        for name in sorted(files):
            path = os.path.join(root, name)
            with open(path, "rb") as f, z.open(os.path.relpath(path, src), "w", force_zip64=True) as w:
                w.write(f.read())
)PY";
    const struct {
        const char* tool;
        std::vector<std::string> command; // then the source folder and the archive
    } rows[] = {
        {"zip", {"sh", "-c", "cd \"$1\" && zip -q -fz -r \"$2\" .", "sh"}},
        {"python3", {"python3", "-c", script}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.tool);
        if (test::FindProgram({row.tool}).empty()) {
            GTEST_SKIP() << row.tool << " is not installed (scripts/setup test)";
        }
        TempDir dir;
        WriteTree(dir / "src", SampleTree());
        std::vector<std::string> command = row.command;
        command.push_back((dir / "src").string());
        command.push_back((dir / "z.zip").string());
        const test::CommandResult made = test::RunCommand(command);
        ASSERT_EQ(made.exitCode, 0) << made.output;
        std::filesystem::create_directory(dir / "out");
        const ExtractReport report = ExtractArchive(dir / "out", dir / "z.zip");
        EXPECT_FALSE(report.archiveRejected);
        EXPECT_EQ(test::ListTree(dir / "out").files, SampleTree());
        for (const SkippedEntry& entry : report.skipped) {
            EXPECT_EQ(entry.reason, SkipReason::FolderEntry) << entry.name;
        }
    }
}

// ZIP64 end record and extra fields, with and without bytes in front.
TEST(ExtractZip64, EndRecordAndExtraFields) {
    for (const std::string prefix : {"", "#!/bin/sh\nexit 0\n"}) {
        TempDir dir;
        test::ZipPlan plan;
        plan.zip64End = true;
        plan.prefix = prefix;
        for (const auto& [path, content] : SampleTree()) {
            test::ZipEntryPlan entry;
            entry.name = path;
            entry.content = content;
            entry.versionNeeded = 45;
            entry.zip64Extra = true;
            plan.entries.push_back(entry);
        }
        test::WriteBytes(dir / "a.zip", test::BuildZip(plan));
        EXPECT_EQ(CountArchiveEntries(dir / "a.zip"), SampleTree().size());
        std::filesystem::create_directory(dir / "out");
        const ExtractReport report = ExtractArchive(dir / "out", dir / "a.zip");
        EXPECT_FALSE(report.archiveRejected) << report.archiveRejected.value_or("");
        EXPECT_EQ(test::ListTree(dir / "out").files, SampleTree()) << "prefix: " << prefix.size();
    }
}

} // namespace
} // namespace vantorel
