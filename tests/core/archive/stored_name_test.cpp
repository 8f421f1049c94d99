// Stored names read back: code page 850 unless flagged UTF-8 and valid.

#include "archive/stored_name.h"

#include <gtest/gtest.h>

namespace vantorel::archive {
namespace {

TEST(StoredNameDecoding, CodePageUnlessUtf8Flag) {
    EXPECT_EQ(DecodeStoredName("caf\x82.txt", 0), "café.txt");
    EXPECT_EQ(DecodeStoredName("\x91o\x86", 0), "æoå");
    EXPECT_EQ(DecodeStoredName("\xe4\xb8\x96\xe7\x95\x8c", 0), "õ©ûþòî"); // UTF-8 bytes without the flag
    EXPECT_EQ(DecodeStoredName("\xe4\xb8\x96\xe7\x95\x8c", 0x0800), "世界");
    EXPECT_EQ(DecodeStoredName("\xc5\x93uvre", 0x0800), "œuvre");
    // The flag on bytes that are no UTF-8 (overlong, surrogate, cut): read as code page 850.
    EXPECT_EQ(DecodeStoredName("caf\x82", 0x0800), "café");
    EXPECT_EQ(DecodeStoredName("\xc0\xaf", 0x0800), "└»");
    EXPECT_EQ(DecodeStoredName("\xed\xa0\x80", 0x0800), "ÝáÇ");
    EXPECT_EQ(DecodeStoredName("\xe4\xb8", 0x0800), "õ©");
}

} // namespace
} // namespace vantorel::archive
