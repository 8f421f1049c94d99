#pragma once

#include <filesystem>
#include <initializer_list>
#include <string_view>

namespace vantorel {

// The hidden name beside `file` that the program's own temporary, partial and
// lock files take: "." + the file's name + each of `suffixes` in turn, in the
// same folder, so that a listing of the folder shows them apart from the
// user's files and each belongs visibly to the file it serves.
std::filesystem::path HiddenBeside(const std::filesystem::path& file, std::initializer_list<std::string_view> suffixes);

} // namespace vantorel
