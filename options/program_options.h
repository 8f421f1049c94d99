#pragma once

#include "platform/errors.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace vantorel {

// What reading the program's options raises, its one kind of failure: a
// stored window position that is no decimal integer; subject = the text.
class OptionsError : public Error {
public:
    explicit OptionsError(const std::string& notAnInteger);
};

// Where the main window was last dropped, as Vantorel.ini keeps it.
struct WindowPosition {
    std::int32_t top = 0;
    std::int32_t left = 0;
    bool operator==(const WindowPosition&) const = default;
};

// The program's own settings file, Vantorel.ini in the settings folder: the two
// start-up options (section Prog) and the main window's position (section
// PositionFenetre). Every call reads or writes the file afresh; a missing
// file or key reads as "0". Writes throw PlatformError(WriteRefused, file).
class ProgramOptions {
public:
    explicit ProgramOptions(std::filesystem::path settingsFolder);

    const std::filesystem::path& file() const { return file_; }

    // NormalTop and NormalLeft. Throws OptionsError(value) for
    // the first of them (top first) that is not a decimal integer.
    WindowPosition ReadWindowPosition() const;
    void WriteWindowPosition(WindowPosition position) const;

    // The stored texts of ReduireProg and LanceProg, unchanged: only "TRUE"
    // and "FALSE" mean something, and any other text (the "0" of a missing
    // key included) marks a first start for ReduireProg.
    std::string ReadReduireProg() const;
    std::string ReadLanceProg() const;
    void WriteReduireProg(bool on) const;
    void WriteLanceProg(bool on) const;

private:
    std::filesystem::path file_;
};

// The exact, case-sensitive texts of the two options.
inline constexpr const char* kOptionTrue = "TRUE";
inline constexpr const char* kOptionFalse = "FALSE";

} // namespace vantorel
