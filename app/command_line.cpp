#include "app/command_line.h"

namespace vantorel {

QString ChooseDisplayPlatform() {
    const bool chosen = !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
                         qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland");
    const bool xwayland = !qEnvironmentVariableIsEmpty("DISPLAY");
    if (chosen || !wayland || !xwayland) {
        return {};
    }
    return QStringLiteral("xcb");
}

CommandLine::CommandLine(int argc, char** argv, const QString& platform) {
    for (int i = 0; i < argc; ++i) {
        words_.emplace_back(argv[i]);
        if (i == 0 && !platform.isEmpty()) {
            words_.emplace_back("-platform");
            words_.push_back(platform.toStdString());
        }
    }
    for (std::string& word : words_) {
        pointers_.push_back(word.data());
    }
    count_ = static_cast<int>(pointers_.size());
    pointers_.push_back(nullptr);
}

} // namespace vantorel
