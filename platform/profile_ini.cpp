#include "platform/profile_ini.h"

#include "platform/atomic_file.h"
#include "platform/errors.h"

#include <algorithm>
#include <cerrno>
#include <stdexcept>

namespace vantorel {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kBlanks = " \t";

std::string_view Trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    const std::size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

bool HasLineEnd(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

bool IsPlainName(std::string_view name) {
    return !name.empty() && Trim(name) == name && !HasLineEnd(name) && name.front() != ';' && name.front() != '[';
}

} // namespace

bool IsStorableSectionName(std::string_view section) {
    return IsPlainName(section) && section.find(']') == std::string_view::npos;
}

bool IsStorableKeyName(std::string_view key) {
    return IsPlainName(key) && key.find('=') == std::string_view::npos;
}

bool IsStorableValue(std::string_view value) {
    // A longer value would come back cut at the read limit: a different path.
    return !HasLineEnd(value) && value.size() <= kMaxProfileValue;
}

IniDocument IniDocument::Parse(std::string_view text) {
    IniDocument doc;
    if (text.starts_with(kBom)) {
        doc.bom_ = true;
        text.remove_prefix(kBom.size());
    }
    bool firstLine = true;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view raw = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        const bool hadCr = raw.ends_with('\r');
        if (hadCr) {
            raw.remove_suffix(1);
        }
        if (firstLine) {
            doc.crlf_ = hadCr && end != std::string_view::npos;
            firstLine = false;
        }

        Line line;
        line.text = std::string(raw);
        const std::string_view trimmed = Trim(raw);
        if (trimmed.starts_with('[')) {
            const std::size_t close = trimmed.find(']');
            line.kind = Kind::Section;
            line.name = std::string(Trim(trimmed.substr(1, close == std::string_view::npos ? close : close - 1)));
        } else if (!trimmed.empty() && trimmed.front() != ';') {
            const std::size_t equals = trimmed.find('=');
            if (equals != std::string_view::npos && !Trim(trimmed.substr(0, equals)).empty()) {
                line.kind = Kind::Key;
                line.name = std::string(Trim(trimmed.substr(0, equals)));
                line.value = std::string(Trim(trimmed.substr(equals + 1)));
            }
        }
        doc.lines_.push_back(std::move(line));
    }
    return doc;
}

std::string IniDocument::Serialize() const {
    const std::string_view eol = crlf_ ? "\r\n" : "\n";
    std::string text;
    if (bom_) {
        text += kBom;
    }
    for (const Line& line : lines_) {
        text += line.text;
        text += eol;
    }
    return text;
}

std::vector<std::string> IniDocument::SectionNames() const {
    std::vector<std::string> names;
    for (const Line& line : lines_) {
        if (line.kind == Kind::Section) {
            names.push_back(line.name);
        }
    }
    return names;
}

void IniDocument::AppendSections(const IniDocument& from, const SectionRename& rename) {
    std::optional<std::string> name; // the current section's new name, nullopt while it is left out
    for (const Line& line : from.lines_) {
        if (line.kind == Kind::Section) {
            name = rename(line.name);
            if (name && !IsStorableSectionName(*name)) {
                throw std::invalid_argument("not storable as a section name");
            }
            if (name && *name != line.name) {
                lines_.push_back(Line{Kind::Section, "[" + *name + "]", *name, {}});
                continue;
            }
        }
        if (name) {
            lines_.push_back(line);
        }
    }
}

void IniDocument::RenameSections(const SectionRename& rename) {
    for (Line& line : lines_) {
        if (line.kind != Kind::Section) {
            continue;
        }
        std::optional<std::string> name = rename(line.name);
        if (!name || *name == line.name) {
            continue;
        }
        if (!IsStorableSectionName(*name)) {
            throw std::invalid_argument("not storable as a section name");
        }
        line.text = "[" + *name + "]";
        line.name = std::move(*name);
    }
}

std::size_t IniDocument::FindSection(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind == Kind::Section && SameName(lines_[i].name, section)) {
            return i;
        }
    }
    return std::string_view::npos;
}

std::size_t IniDocument::SectionEnd(std::size_t header) const {
    std::size_t i = header + 1;
    while (i < lines_.size() && lines_[i].kind != Kind::Section) {
        ++i;
    }
    return i;
}

std::optional<std::string_view> IniDocument::Find(std::string_view section, std::string_view key) const {
    const std::size_t header = FindSection(section);
    if (header == std::string_view::npos) {
        return std::nullopt;
    }
    const std::size_t end = SectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        if (lines_[i].kind == Kind::Key && SameName(lines_[i].name, key)) {
            return std::string_view(lines_[i].value);
        }
    }
    return std::nullopt;
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
    if (!IsStorableSectionName(section) || !IsStorableKeyName(key) || !IsStorableValue(value)) {
        throw std::invalid_argument("not storable in a settings file");
    }
    Line keyLine{Kind::Key, std::string(key) + "=" + std::string(value), std::string(key), std::string(Trim(value))};

    const std::size_t header = FindSection(section);
    if (header == std::string_view::npos) {
        std::string sectionLine = "[";
        sectionLine.append(section).append("]");
        lines_.push_back(Line{Kind::Section, std::move(sectionLine), std::string(section), {}});
        lines_.push_back(std::move(keyLine));
        return;
    }
    const std::size_t end = SectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        if (lines_[i].kind == Kind::Key && SameName(lines_[i].name, key)) {
            // Keep the spelling the file uses for the name; only the value changes.
            lines_[i].text = lines_[i].name + "=" + std::string(value);
            lines_[i].value = keyLine.value;
            return;
        }
    }
    // A new key goes after the section's last non-blank line, so that the
    // blank lines that separate it from the next section stay between them.
    std::size_t at = end;
    while (at > header + 1 && lines_[at - 1].kind == Kind::Other && Trim(lines_[at - 1].text).empty()) {
        --at;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::move(keyLine));
}

ProfileRead ReadProfileValueChecked(const IniDocument& doc, std::string_view section, std::string_view key,
                                    std::string_view defaultValue) {
    std::string_view value = doc.Find(section, key).value_or(defaultValue);
    if (value.size() <= kMaxProfileValue) {
        return {std::string(value), false};
    }
    std::size_t cut = kMaxProfileValue;
    while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0U) == 0x80U) {
        --cut;
    }
    return {std::string(value.substr(0, cut)), true};
}

std::string ReadProfileValue(const IniDocument& doc, std::string_view section, std::string_view key,
                             std::string_view defaultValue) {
    return ReadProfileValueChecked(doc, section, key, defaultValue).value;
}

IniDocument ReadProfileFile(const std::filesystem::path& file) {
    const std::optional<std::string> content = ReadFileContent(file);
    return content ? IniDocument::Parse(*content) : IniDocument{};
}

std::string ReadProfileString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                              std::string_view defaultValue) {
    return ReadProfileValue(ReadProfileFile(file), section, key, defaultValue);
}

void WriteProfileString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                        std::string_view value) {
    if (!IsStorableSectionName(section) || !IsStorableKeyName(key) || !IsStorableValue(value)) {
        throw PlatformError(PlatformFailure::WriteRefused, file.string(), EINVAL);
    }
    int readFailure = 0;
    const std::optional<std::string> content = ReadFileContent(file, &readFailure);
    if (!content && readFailure != ENOENT) {
        throw PlatformError(PlatformFailure::WriteRefused, file.string(), readFailure);
    }
    IniDocument doc = content ? IniDocument::Parse(*content) : IniDocument{};
    doc.Set(section, key, value);
    ReplaceFileContent(file, doc.Serialize());
}

void WriteProfileFile(const std::filesystem::path& file, const IniDocument& doc) {
    ReplaceFileContent(file, doc.Serialize());
}

} // namespace vantorel
