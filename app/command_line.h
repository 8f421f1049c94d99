#pragma once

#include <QString>

#include <string>
#include <vector>

namespace vantorel {

// Natively, Wayland lets no program move its own windows, place the pointer or
// stack a translucent layer over another window: the drag handle, the stored
// position, the pointer on OUI and the grey layer need all of that. So in a
// Wayland session that also offers XWayland (DISPLAY is set), and unless the
// user chose a platform in QT_QPA_PLATFORM, the windows go through XWayland.
// Without XWayland, Qt's own choice stands (Wayland, with what it allows).
// Returns the platform chosen ("xcb"), or an empty string when the choice is
// left to Qt.
QString ChooseDisplayPlatform();

// The command line the application object is built from: the program's own
// arguments, with "-platform <platform>" after the program's name when a
// platform is given. An argument, unlike the environment, is not handed down
// to the programs this one opens (the browser showing the web site).
class CommandLine {
public:
    CommandLine(int argc, char** argv, const QString& platform);
    CommandLine(const CommandLine&) = delete;
    CommandLine& operator=(const CommandLine&) = delete;

    // Both stay valid as long as this object, as the application object needs.
    int& count() { return count_; }
    char** values() { return pointers_.data(); }

private:
    std::vector<std::string> words_;
    std::vector<char*> pointers_;
    int count_ = 0;
};

} // namespace vantorel
