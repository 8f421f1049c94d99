#include "jobs/archive_paths.h"

namespace vantorel {

std::filesystem::path ArchiveFolder(std::string_view destination) {
    std::string folder(destination);
    // The folder picker always ends a destination with its separator; a
    // hand-edited ListeSave.ini may not, and "D/backupsVantorel/" would name
    // a sibling of the chosen folder instead of a folder inside it.
    if (!folder.empty() && folder.back() != '/') {
        folder += '/';
    }
    folder += "Vantorel/";
    return std::filesystem::path(folder);
}

std::filesystem::path ArchivePath(std::string_view destination, std::string_view reference, int generation) {
    std::string name = "save_";
    name += reference;
    name += '_';
    name += std::to_string(generation);
    name += ".zip";
    return ArchiveFolder(destination) / name;
}

} // namespace vantorel
