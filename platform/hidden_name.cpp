#include "platform/hidden_name.h"

#include <string>

namespace vantorel {

std::filesystem::path HiddenBeside(const std::filesystem::path& file,
                                   std::initializer_list<std::string_view> suffixes) {
    // Appended piece by piece: GCC 12 warns, wrongly, of overlapping copies
    // in "." + a string once it is inlined.
    std::string name = ".";
    name += file.filename().string();
    for (std::string_view suffix : suffixes) {
        name += suffix;
    }
    return file.parent_path() / name;
}

} // namespace vantorel
