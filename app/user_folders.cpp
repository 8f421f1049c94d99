#include "app/user_folders.h"

#include "platform/settings_folder.h"

#include <QDir>
#include <QString>

#include <system_error>

namespace vantorel {

std::filesystem::path UserConfigFolder() {
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg)) {
        return xdg.toStdString();
    }
    const QString home = qEnvironmentVariable("HOME");
    if (home.isEmpty()) {
        return {};
    }
    return std::filesystem::path(home.toStdString()) / ".config";
}

std::filesystem::path RunLogFolder() {
    const QString xdg = qEnvironmentVariable("XDG_STATE_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg)) {
        return std::filesystem::path(xdg.toStdString()) / "Vantorel";
    }
    const QString home = qEnvironmentVariable("HOME");
    if (home.isEmpty()) {
        return {};
    }
    return std::filesystem::path(home.toStdString()) / ".local" / "state" / "Vantorel";
}

std::filesystem::path PrepareSettingsFolder(const std::filesystem::path& programFolder,
                                            const std::filesystem::path& configHome) {
    const std::filesystem::path folder = SettingsFolder(programFolder, configHome, CanWriteIn(programFolder));
    if (folder != programFolder) {
        std::error_code ignored; // a folder left missing makes the first write fail, which is reported
        std::filesystem::create_directories(folder, ignored);
    }
    return folder;
}

} // namespace vantorel
