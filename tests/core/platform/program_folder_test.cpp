#include "platform/decimal_text.h"
#include "platform/program_folder.h"
#include "platform/settings_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

namespace vantorel {
namespace {

TEST(ProgramFolder, IsTheExecutablesFolderWithItsSeparator) {
    const std::filesystem::path folder = ProgramFolder();
    EXPECT_TRUE(folder.native().ends_with('/')) << folder;
    EXPECT_TRUE(std::filesystem::exists(folder / "test_platform")) << folder;
}

TEST(SettingsFolder, BesideAPortableProgramElseInTheUsersConfiguration) {
    const struct {
        const char* program;
        const char* configHome;
        bool writable;
        const char* settings;
    } rows[] = {
        {"/home/jo/vantorel/", "/home/jo/.config", true, "/home/jo/vantorel/"},
        {"/opt/vantorel/", "/home/jo/.config", false, "/home/jo/.config/Vantorel/"},
        // Root may write in /usr, which still belongs to the package system.
        {"/usr/bin/", "/root/.config", true, "/root/.config/Vantorel/"},
        {"/usr/local/bin/", "/root/.config", true, "/root/.config/Vantorel/"},
        {"/usrlocal/bin/", "/root/.config", true, "/usrlocal/bin/"},
        {"/usr/bin/", "", false, "/usr/bin/"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(SettingsFolder(row.program, row.configHome, row.writable), row.settings) << row.program;
    }
}

TEST(ParseDecimal, TakesOnlyPlainDecimals) {
    const struct {
        const char* text;
        std::optional<std::int32_t> value;
    } rows[] = {
        {"0", 0},           {"42", 42},  {"-3", -3}, {"+7", 7},    {"007", 7},  {"", {}},  {" 4", {}},
        {"4 ", {}},         {"abc", {}}, {"4a", {}}, {"0x1F", {}}, {"+-1", {}}, {"-", {}}, {"2147483647", 2147483647},
        {"2147483648", {}}, {"1.5", {}},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ParseDecimal(row.text), row.value) << "'" << row.text << "'";
    }
}

} // namespace
} // namespace vantorel
