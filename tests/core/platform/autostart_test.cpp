#include "platform/autostart.h"
#include "platform/errors.h"

#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

namespace vantorel {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

TEST(LogonExecValue, QuotesAndEscapesOnlyWhatTheFormatReserves) {
    const struct {
        const char* path;
        const char* exec;
    } rows[] = {
        {"/opt/vantorel/vantorel", "/opt/vantorel/vantorel"},
        {"/home/jo/Mes programmes/vantorel", "\"/home/jo/Mes programmes/vantorel\""},
        {"/opt/x$HOME/v", "\"/opt/x\\\\$HOME/v\""},
        {"/opt/a\"b/v", "\"/opt/a\\\\\"b/v\""},
        {"/opt/a\\b/v", "\"/opt/a\\\\\\\\b/v\""},
        {"/opt/100%/v", "/opt/100%%/v"},
        {"/opt/a\tb/v", "\"/opt/a\\tb/v\""},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(LogonExecValue(row.path), row.exec) << row.path;
    }
}

TEST(RunAtLogon, WritesReplacesAndRemovesTheEntry) {
    TempDir config;
    const std::filesystem::path entry = config / "autostart/Vantorel.desktop";

    SetRunAtLogon(config.path(), "/opt/vantorel/vantorel");
    EXPECT_EQ(ReadFile(entry), "[Desktop Entry]\n"
                               "Type=Application\n"
                               "Name=Vantorel\n"
                               "Exec=/opt/vantorel/vantorel\n"
                               "TryExec=/opt/vantorel/vantorel\n"
                               "X-GNOME-Autostart-enabled=true\n");

    // A moved executable is registered anew.
    SetRunAtLogon(config.path(), "/home/jo/Mes programmes/vantorel");
    EXPECT_NE(ReadFile(entry).find("\nExec=\"/home/jo/Mes programmes/vantorel\"\n"
                                   "TryExec=/home/jo/Mes programmes/vantorel\n"),
              std::string::npos);

    ClearRunAtLogon(config.path());
    EXPECT_FALSE(std::filesystem::exists(entry));
    // Nothing to remove is no failure.
    ClearRunAtLogon(config.path());
}

TEST(RunAtLogon, WithoutAUsableFolderNothingIsWrittenOrSaid) {
    TempDir config;
    // A file where the autostart folder should be.
    WriteFile(config / "autostart", "not a folder");
    SetRunAtLogon(config.path(), "/opt/vantorel/vantorel");
    EXPECT_EQ(ReadFile(config / "autostart"), "not a folder");
    // No configuration folder known at all.
    SetRunAtLogon({}, "/opt/vantorel/vantorel");
}

TEST(RunAtLogon, ARefusedWriteIsReportedAndKeepsTheOldEntry) {
    TempDir config;
    const std::filesystem::path entry = LogonEntryPath(config.path());
    SetRunAtLogon(config.path(), "/opt/old/vantorel");
    const std::string before = ReadFile(entry);
    ASSERT_EQ(::chmod(entry.c_str(), 0444), 0);
    try {
        SetRunAtLogon(config.path(), "/opt/new/vantorel");
        FAIL() << "a read-only entry was replaced";
    } catch (const PlatformError& error) {
        EXPECT_EQ(error.kind(), PlatformFailure::LogonEntryRefused);
        EXPECT_EQ(error.subject(), "Vantorel");
        EXPECT_NE(error.sysErrno(), 0);
    }
    EXPECT_EQ(ReadFile(entry), before);
}

} // namespace
} // namespace vantorel
