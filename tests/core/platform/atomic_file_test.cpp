#include "platform/atomic_file.h"
#include "platform/errors.h"
#include "platform/profile_ini.h"

#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vantorel {
namespace {

namespace fs = std::filesystem;
using test::EntriesIn;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

TEST(ReplaceFileContent, KeepsModeAndLinksAndLeavesNothingBehind) {
    TempDir dir;
    const fs::path real = dir / "Vantorel.ini";
    const fs::path link = dir / "lien.ini";
    WriteFile(real, "old");
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink(real.filename(), link);

    ReplaceFileContent(link, "new");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadFile(real), "new");
    EXPECT_EQ(fs::status(real).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(EntriesIn(dir.path()), 2U);

    // A new file gets the usual mode for new files.
    const mode_t mask = ::umask(022);
    ReplaceFileContent(dir / "neuf.ini", "x");
    static_cast<void>(::umask(mask)); // restores the mask; the returned old value is ours
    struct stat st {};
    ASSERT_EQ(::stat((dir / "neuf.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644U);
}

TEST(ReplaceFileContent, FailureLeavesTargetAndNoTemporaryFile) {
    TempDir dir;
    const fs::path file = dir / "ListeSave.ini";
    WriteFile(file, "old");
    fs::permissions(file, fs::perms::owner_read);
    EXPECT_THROW(ReplaceFileContent(file, "new"), Error);
    EXPECT_EQ(ReadFile(file), "old");
    EXPECT_THROW(ReplaceFileContent(dir.path(), "new"), Error); // a folder is no file to replace
    EXPECT_EQ(EntriesIn(dir.path()), 1U);
}

TEST(CopyFileReplacing, CopiesOverAnExistingFileAndRefusesAMissingSource) {
    TempDir dir;
    WriteFile(dir / "a", "contenu");
    WriteFile(dir / "b", "ancien contenu plus long");
    CopyFileReplacing(dir / "a", dir / "b");
    EXPECT_EQ(ReadFile(dir / "b"), "contenu");
    try {
        CopyFileReplacing(dir / "absent", dir / "b");
        ADD_FAILURE() << "a missing source was copied";
    } catch (const Error& error) {
        EXPECT_EQ(error.subject(), (dir / "b").string());
        EXPECT_EQ(error.sysErrno(), ENOENT);
    }
    EXPECT_EQ(ReadFile(dir / "b"), "contenu");
}

// A writer killed at any moment leaves the old content or the new one, never
// a mix or a truncated file; a reader never sees anything else either. The
// child rewrites one large key over and over; the parent reads the file while
// it does, kills it at some point, and checks every state it saw.
TEST(ReplaceFileContent, KilledWriterLeavesOldOrNewContent) {
    TempDir dir;
    const fs::path file = dir / "ListeSave.ini";
    const std::string first = "[0]\nEdSource=" + std::string(200000, 'a') + "\n";
    const std::string second = "[0]\nEdSource=" + std::string(200000, 'b') + "\n";
    WriteFile(file, first);

    for (int round = 0; round < 5; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 0;; ++i) {
                ReplaceFileContent(file, i % 2 == 0 ? second : first);
            }
        }
        int seen = 0;
        for (int reads = 0; reads < 40 + 30 * round; ++reads) {
            const std::string content = ReadFile(file);
            if (content != first && content != second) {
                ++seen;
            }
        }
        ASSERT_EQ(::kill(child, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_EQ(seen, 0) << "a reader saw a partial file";
        const std::string last = ReadFile(file);
        EXPECT_TRUE(last == first || last == second) << "round " << round << ": " << last.size() << " bytes";
    }
    // A killed writer may leave its hidden temporary file; the target is whole.
    for (const auto& entry : fs::directory_iterator(dir.path())) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "ListeSave.ini" || name.starts_with(".ListeSave.ini.")) << name;
    }
}

} // namespace
} // namespace vantorel
