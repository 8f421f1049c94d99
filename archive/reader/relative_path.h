#pragma once

#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "archive/reader/extract_archive.h"

namespace vantorel::archive::reader {

// Where an entry goes below the target folder: the folders to walk or create,
// level by level, then the file's own name. No part is empty, ".", "..", or
// holds a NUL.
struct RelativePath {
    std::vector<std::string> folders;
    std::string file;
};

// Checks a decoded name and splits it at "/" and "\" (both separate folders in
// zip names written on DOS and Windows). A name ending with a separator is a
// folder entry (SkipReason::FolderEntry). An absolute name, a drive ("C:"),
// a ".." part or a NUL byte is refused (SkipReason::UnsafeName): nothing may
// land outside the target folder. Empty and "." parts are dropped.
// For an entry made on Unix (`unixNames`) only "/" separates, and "\" and ":"
// are ordinary characters of a name, as in the folder it came from.
std::variant<RelativePath, SkipReason> SanitiseStoredName(std::string_view name, bool unixNames = false);

} // namespace vantorel::archive::reader
