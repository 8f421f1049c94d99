#include "platform/settings_folder.h"

#include <unistd.h>

namespace vantorel {

namespace {

constexpr const char* kConfigFolderName = "Vantorel";

// Whether `folder` lies in /usr, by its components: "/usrlocal" does not.
bool UnderUsr(const std::filesystem::path& folder) {
    const std::filesystem::path normal = folder.lexically_normal();
    auto part = normal.begin();
    if (part == normal.end() || *part != "/") {
        return false;
    }
    ++part;
    return part != normal.end() && *part == "usr";
}

std::filesystem::path WithSeparator(std::filesystem::path folder) {
    if (!folder.native().ends_with(std::filesystem::path::preferred_separator)) {
        folder += std::filesystem::path::preferred_separator;
    }
    return folder;
}

} // namespace

std::filesystem::path SettingsFolder(const std::filesystem::path& programFolder,
                                     const std::filesystem::path& configHome, bool programFolderWritable) {
    if ((programFolderWritable && !UnderUsr(programFolder)) || configHome.empty()) {
        return WithSeparator(programFolder);
    }
    return WithSeparator(configHome / kConfigFolderName);
}

bool CanWriteIn(const std::filesystem::path& folder) {
    // The kernel's own answer: it knows the user, the groups, the access lists
    // and whether the mount is read-only.
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

} // namespace vantorel
