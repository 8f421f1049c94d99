#include "platform/code_page.h"

#include <gtest/gtest.h>

namespace vantorel {
namespace {

TEST(CodePage850, ConvertsWhatFitsAndRefusesTheRest) {
    const struct {
        const char* utf8;
        std::optional<std::string> cp850;
    } rows[] = {
        {"plain/ascii name.txt", "plain/ascii name.txt"},
        {"é", "\x82"},
        {"Données", "Donn\x82"
                    "es"},
        {"ÀÇÉÈÊËÎÏÔÙÛÜàçèêëîïôùûü", "\xB7\x80\x90\xD4\xD2\xD3\xD7\xD8\xE2\xEB\xEA\x9A\x85\x87\x8A"
                                    "\x88\x89\x8C\x8B\x93\x97\x96\x81"},
        {"œuvre", std::nullopt},
        {"Œ", std::nullopt},
        {"a–b", std::nullopt},
        {"5 €", std::nullopt},
        {"l’été", std::nullopt},
        {"中文", std::nullopt},
        {"bad \xC3", std::nullopt},      // cut UTF-8 sequence
        {"bad \xFF byte", std::nullopt}, // not UTF-8 at all
    };
    for (const auto& row : rows) {
        EXPECT_EQ(Utf8ToCp850(row.utf8), row.cp850) << row.utf8;
        EXPECT_EQ(IsValidUtf8(row.utf8), std::string_view(row.utf8).find("bad ") != 0) << row.utf8;
        if (row.cp850) {
            EXPECT_EQ(Cp850ToUtf8(*row.cp850), row.utf8);
        }
    }
}

TEST(CodePage850Bytes, EveryByteHasACharacterThatComesBack) {
    for (int byte = 0; byte < 256; ++byte) {
        const std::string one(1, static_cast<char>(byte));
        const std::string utf8 = Cp850ToUtf8(one);
        EXPECT_EQ(Utf8ToCp850(utf8), one) << "byte " << byte;
    }
}

} // namespace
} // namespace vantorel
