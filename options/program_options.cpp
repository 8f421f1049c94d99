#include "options/program_options.h"

#include "platform/decimal_text.h"
#include "platform/profile_ini.h"

#include <optional>
#include <string_view>

namespace vantorel {

namespace {

constexpr std::string_view kFileName = "Vantorel.ini";
constexpr std::string_view kProgSection = "Prog";
constexpr std::string_view kPositionSection = "PositionFenetre";
constexpr std::string_view kDefault = "0";

std::int32_t Integer(const std::string& text) {
    const std::optional<std::int32_t> value = ParseDecimal(text);
    if (!value) {
        throw OptionsError(text);
    }
    return *value;
}

} // namespace

OptionsError::OptionsError(const std::string& notAnInteger)
    : Error("not an integer: '" + notAnInteger + "'", notAnInteger, 0) {}

ProgramOptions::ProgramOptions(std::filesystem::path settingsFolder) : file_(std::move(settingsFolder) / kFileName) {}

WindowPosition ProgramOptions::ReadWindowPosition() const {
    const IniDocument doc = ReadProfileFile(file_);
    const std::int32_t top = Integer(ReadProfileValue(doc, kPositionSection, "NormalTop", kDefault));
    const std::int32_t left = Integer(ReadProfileValue(doc, kPositionSection, "NormalLeft", kDefault));
    return {top, left};
}

void ProgramOptions::WriteWindowPosition(WindowPosition position) const {
    WriteProfileString(file_, kPositionSection, "NormalTop", std::to_string(position.top));
    WriteProfileString(file_, kPositionSection, "NormalLeft", std::to_string(position.left));
}

std::string ProgramOptions::ReadReduireProg() const {
    return ReadProfileString(file_, kProgSection, "ReduireProg", kDefault);
}

std::string ProgramOptions::ReadLanceProg() const {
    return ReadProfileString(file_, kProgSection, "LanceProg", kDefault);
}

void ProgramOptions::WriteReduireProg(bool on) const {
    WriteProfileString(file_, kProgSection, "ReduireProg", on ? kOptionTrue : kOptionFalse);
}

void ProgramOptions::WriteLanceProg(bool on) const {
    WriteProfileString(file_, kProgSection, "LanceProg", on ? kOptionTrue : kOptionFalse);
}

} // namespace vantorel
