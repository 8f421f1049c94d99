#include "options/program_options.h"

#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

namespace vantorel {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

TEST(ProgramOptions, MissingFileReadsAsZeroAndWritesCreateIt) {
    TempDir folder;
    const ProgramOptions options(folder.path());
    EXPECT_EQ(options.ReadWindowPosition(), (WindowPosition{0, 0}));
    EXPECT_EQ(options.ReadReduireProg(), "0");
    EXPECT_EQ(options.ReadLanceProg(), "0");
    EXPECT_FALSE(std::filesystem::exists(folder / "Vantorel.ini"));

    options.WriteReduireProg(false);
    options.WriteLanceProg(true);
    options.WriteWindowPosition({-12, 1930});
    EXPECT_EQ(ReadFile(folder / "Vantorel.ini"), "[Prog]\nReduireProg=FALSE\nLanceProg=TRUE\n"
                                                 "[PositionFenetre]\nNormalTop=-12\nNormalLeft=1930\n");
    EXPECT_EQ(options.ReadWindowPosition(), (WindowPosition{-12, 1930}));
    EXPECT_EQ(options.ReadReduireProg(), "FALSE");
    EXPECT_EQ(options.ReadLanceProg(), "TRUE");
}

TEST(ProgramOptions, PositionThatIsNoIntegerNamesTheFirstBadValue) {
    const struct {
        const char* text;
        const char* culprit;
    } rows[] = {
        {"NormalTop=12px\nNormalLeft=3\n", "12px"},
        {"NormalTop= \nNormalLeft=abc\n", ""},
        {"NormalTop=1\nNormalLeft=99999999999\n", "99999999999"},
    };
    for (const auto& row : rows) {
        TempDir folder;
        WriteFile(folder / "Vantorel.ini", std::string("[PositionFenetre]\n") + row.text);
        try {
            (void)ProgramOptions(folder.path()).ReadWindowPosition();
            ADD_FAILURE() << row.text;
        } catch (const OptionsError& error) {
            EXPECT_EQ(error.subject(), row.culprit) << row.text;
        }
    }
}

} // namespace
} // namespace vantorel
