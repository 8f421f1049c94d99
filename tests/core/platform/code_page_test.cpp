#include "platform/code_page.h"

#include <gtest/gtest.h>

namespace vantorel {
namespace {

struct Cp850Row {
    const char* utf8;
    std::optional<std::string> cp850;
};

void PrintTo(const Cp850Row& row, std::ostream* out) {
    *out << row.utf8;
}

class CodePage850 : public ::testing::TestWithParam<Cp850Row> {};

TEST_P(CodePage850, ConvertsWhatFitsAndRefusesTheRest) {
    const Cp850Row& row = GetParam();
    EXPECT_EQ(Utf8ToCp850(row.utf8), row.cp850);
    if (row.cp850) {
        EXPECT_EQ(Cp850ToUtf8(*row.cp850), row.utf8);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CodePage850,
    ::testing::Values(Cp850Row{"plain/ascii name.txt", "plain/ascii name.txt"}, Cp850Row{"é", "\x82"},
                      Cp850Row{"Données", "Donn\x82"
                                          "es"},
                      Cp850Row{"ÀÇÉÈÊËÎÏÔÙÛÜàçèêëîïôùûü", "\xB7\x80\x90\xD4\xD2\xD3\xD7\xD8\xE2\xEB\xEA\x9A\x85\x87\x8A"
                                                          "\x88\x89\x8C\x8B\x93\x97\x96\x81"},
                      Cp850Row{"œuvre", std::nullopt}, Cp850Row{"Œ", std::nullopt}, Cp850Row{"a–b", std::nullopt},
                      Cp850Row{"5 €", std::nullopt}, Cp850Row{"l’été", std::nullopt}, Cp850Row{"中文", std::nullopt},
                      Cp850Row{"bad \xC3", std::nullopt},      // cut UTF-8 sequence
                      Cp850Row{"bad \xFF byte", std::nullopt}) // not UTF-8 at all
);

TEST(CodePage850Bytes, EveryByteHasACharacterThatComesBack) {
    for (int byte = 0; byte < 256; ++byte) {
        const std::string one(1, static_cast<char>(byte));
        const std::string utf8 = Cp850ToUtf8(one);
        EXPECT_EQ(Utf8ToCp850(utf8), one) << "byte " << byte;
    }
}

} // namespace
} // namespace vantorel
