#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "archive/extract_archive.h"

namespace vantorel::zip {

// The UTF-8 form of a stored name: with general-purpose bit 11 set the bytes
// are UTF-8 already (APPNOTE 4.4.4, appendix D); without it they are code
// page 850, as this program and DOS tools write them. A bit-11 name that is
// not valid UTF-8 is read as code page 850 too, so its file still comes back.
std::string DecodeStoredName(std::string_view raw, std::uint16_t flags);

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
std::variant<RelativePath, SkipReason> SanitiseStoredName(std::string_view name);

} // namespace vantorel::zip
