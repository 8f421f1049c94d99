// Stored names: which are refused, and where the others go.

#include "archive/reader/relative_path.h"

#include <gtest/gtest.h>

namespace vantorel::archive::reader {
namespace {

struct NameCase {
    std::string stored;
    std::string expected; // folders and file joined by "/", or empty when refused
    std::optional<SkipReason> reason = std::nullopt;
    bool madeOnUnix = false;
};

std::ostream& operator<<(std::ostream& out, const NameCase& row) {
    return out << row.stored;
}

const NameCase kNameCases[] = {
    {"a.txt", "a.txt"},
    {"sub/deeper/a.txt", "sub/deeper/a.txt"},
    {"arc\\test", "arc/test"}, // written on Windows with backslashes
    {"./a//b/./c", "a/b/c"},
    {"LISEZMOI", "LISEZMOI"},
    {"a..b/..c/d..", "a..b/..c/d.."}, // dots inside a name are no traversal
    {"ab:c/notes:x", "ab:c/notes:x"}, // only one letter and a colon at the start is a drive
    {"empty/", "", SkipReason::FolderEntry},
    {"empty\\", "", SkipReason::FolderEntry},
    {"./", "", SkipReason::FolderEntry},
    {"", "", SkipReason::FolderEntry},
    {"../foo/bar", "", SkipReason::UnsafeName},
    {"a/b/../../../c", "", SkipReason::UnsafeName},
    {"a/..", "", SkipReason::UnsafeName},
    {"..\\evil", "", SkipReason::UnsafeName},
    {"a\\..\\..\\evil", "", SkipReason::UnsafeName},
    {"/foo/../../bar", "", SkipReason::UnsafeName},
    {"/etc/passwd", "", SkipReason::UnsafeName},
    {"C:\\foo\\bar", "", SkipReason::UnsafeName},
    {"c:foo", "", SkipReason::UnsafeName},
    {"\\\\conky\\mountpoint\\foo\\bar", "", SkipReason::UnsafeName},
    {"//?/C:/foo/bar", "", SkipReason::UnsafeName},
    {std::string("a\0b", 3), "", SkipReason::UnsafeName},
    // Made on Unix: only "/" separates; "\\" and ":" belong to the name.
    {"a\\b.txt", "a\\b.txt", std::nullopt, true},
    {"c\\..\\..\\d.txt", "c\\..\\..\\d.txt", std::nullopt, true},
    {"x:y.txt", "x:y.txt", std::nullopt, true},
    {"a/b/../../../c", "", SkipReason::UnsafeName, true},
    {"/etc/passwd", "", SkipReason::UnsafeName, true},
};

class StoredNameRule : public ::testing::TestWithParam<NameCase> {};

TEST_P(StoredNameRule, SanitisesOrRefuses) {
    const NameCase& row = GetParam();
    const std::variant<RelativePath, SkipReason> result = SanitiseStoredName(row.stored, row.madeOnUnix);
    if (row.reason) {
        ASSERT_TRUE(std::holds_alternative<SkipReason>(result));
        EXPECT_EQ(std::get<SkipReason>(result), *row.reason);
        return;
    }
    ASSERT_TRUE(std::holds_alternative<RelativePath>(result));
    const RelativePath& path = std::get<RelativePath>(result);
    std::string joined;
    for (const std::string& folder : path.folders) {
        joined += folder + "/";
    }
    EXPECT_EQ(joined + path.file, row.expected);
}

INSTANTIATE_TEST_SUITE_P(Names, StoredNameRule, ::testing::ValuesIn(kNameCases));

} // namespace
} // namespace vantorel::archive::reader
