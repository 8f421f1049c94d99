#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantorel {

// The settings files (ListeSave.ini, Vantorel.ini) as private-profile INI
// text: "[section]" lines, "key=value" lines, ";" comment lines. Section and
// key names match without regard to (ASCII) case; blanks around names and
// values are not part of them; CRLF and LF line ends both read; when a section
// or a key appears twice, the first one counts. Values are stored unchanged,
// with no quoting or escaping.
//
// The document keeps every line it read, so that a write changes only the line
// it concerns and leaves comments, blank lines and unknown keys as they were.
class IniDocument {
public:
    static IniDocument Parse(std::string_view text);
    // The text of the document; lines end as they did in the parsed text
    // (CRLF when its first line ended so), LF otherwise.
    std::string Serialize() const;

    bool empty() const { return lines_.empty(); }

    // The value of the first `key` in the first `section`, nullopt when either
    // is missing.
    std::optional<std::string_view> Find(std::string_view section, std::string_view key) const;

    // Replaces the value where it stands, or adds the key at the end of its
    // section, or adds the section (then the key) at the end of the document.
    // The names and the value must be storable (see IsStorable*); the caller
    // checks that first.
    void Set(std::string_view section, std::string_view key, std::string_view value);

    // The names of the section headers in file order; a repeated section is
    // listed at each of its headers.
    std::vector<std::string> SectionNames() const;

    // Appends the sections of `from` in their order, each with every line it
    // holds as it stands (comments, blank lines and repeated keys included),
    // under the name `rename` gives for its header's name; nullopt leaves the
    // section out. Lines before the first header are not part of any section.
    // A new name must be storable (see IsStorableSectionName).
    using SectionRename = std::function<std::optional<std::string>(std::string_view name)>;
    void AppendSections(const IniDocument& from, const SectionRename& rename);

    // Gives each section header the name `rename` returns for it (nullopt
    // keeps it); every other line stays as it is.
    void RenameSections(const SectionRename& rename);

private:
    enum class Kind { Section, Key, Other };
    struct Line {
        Kind kind = Kind::Other;
        std::string text;  // the line as read, without its line end
        std::string name;  // trimmed section or key name
        std::string value; // trimmed value (keys only)
    };

    // Index of the first line of `section`'s header, or npos.
    std::size_t FindSection(std::string_view section) const;
    // One past the last line that belongs to the section whose header is at `header`.
    std::size_t SectionEnd(std::size_t header) const;

    std::vector<Line> lines_;
    bool crlf_ = false;
    bool bom_ = false;
};

// The longest value a read returns, in bytes; a longer value is cut there (at
// the start of a UTF-8 character, so that the cut never splits one).
inline constexpr std::size_t kMaxProfileValue = 2047;

// Names and values that a line can hold without changing the file's shape:
// no line end in any of them, no "]" in a section name, no "=" in a key name,
// names neither empty nor starting a comment, names without surrounding blanks.
// A value must also read back whole: at most kMaxProfileValue bytes.
bool IsStorableSectionName(std::string_view section);
bool IsStorableKeyName(std::string_view key);
bool IsStorableValue(std::string_view value);

// The value of `key` in `section` of `doc`, `defaultValue` when missing,
// at most kMaxProfileValue bytes.
std::string ReadProfileValue(const IniDocument& doc, std::string_view section, std::string_view key,
                             std::string_view defaultValue);

// A read that says whether the stored value was longer than a read returns:
// `value` is then only its first part, which a caller must not take for the
// whole (a cut path names another folder). The length of `value` cannot tell:
// the cut falls at the start of a character, short of the limit.
struct ProfileRead {
    std::string value;
    bool cut = false;
};
ProfileRead ReadProfileValueChecked(const IniDocument& doc, std::string_view section, std::string_view key,
                                    std::string_view defaultValue);

// The document stored in `file`; an empty document when the file is missing
// or cannot be read (a read never fails, as with the profile functions).
IniDocument ReadProfileFile(const std::filesystem::path& file);

// ReadProfileValue on the current content of `file`.
std::string ReadProfileString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                              std::string_view defaultValue);

// Writes one key: reads the file (a missing file is an empty one), sets the
// key, and replaces the whole file atomically. Throws
// PlatformError(PlatformFailure::WriteRefused, file, errno) when the file is read-only, exists
// but cannot be read (writing would lose its other keys), cannot be replaced,
// or when a name or the value is not storable (EINVAL); the file is then as it
// was.
void WriteProfileString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                        std::string_view value);

// Replaces `file` with `doc` in one atomic step. Throws like WriteProfileString.
void WriteProfileFile(const std::filesystem::path& file, const IniDocument& doc);

} // namespace vantorel
