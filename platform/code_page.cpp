#include "platform/code_page.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>
#include <stdexcept>

namespace vantorel {

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

namespace {

// One iconv descriptor per thread and direction: a descriptor keeps shift
// state, so it must not be shared between threads, and opening one per name
// would cost more than the conversion.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) {
            // glibc always ships CP850; without it no name could be stored right.
            throw std::runtime_error(std::string("iconv cannot convert from ") + from + " to " + to);
        }
    }
    ~Converter() {
        static_cast<void>(iconv_close(cd_)); // nothing useful can be done if closing fails
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts the whole input; nullopt when iconv refuses a character.
    std::optional<std::string> Convert(std::string_view input) {
        // Back to the initial state, in case an earlier call stopped midway.
        static_cast<void>(iconv(cd_, nullptr, nullptr, nullptr, nullptr)); // resetting cannot fail
        std::string output(input.size() * 4 + 4, '\0');
        char* in = const_cast<char*>(input.data()); // iconv's signature; the input is not written
        std::size_t inLeft = input.size();
        char* out = output.data();
        std::size_t outLeft = output.size();
        while (inLeft > 0) {
            if (iconv(cd_, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1)) {
                if (errno == E2BIG) {
                    const std::size_t used = output.size() - outLeft;
                    output.resize(output.size() * 2);
                    out = output.data() + used;
                    outLeft = output.size() - used;
                    continue;
                }
                return std::nullopt; // EILSEQ or EINVAL: no such character, or a cut sequence
            }
        }
        output.resize(output.size() - outLeft);
        return output;
    }

private:
    iconv_t cd_;
};

} // namespace

std::optional<std::string> Utf8ToCp850(std::string_view utf8) {
    if (IsAscii(utf8)) {
        return std::string(utf8); // code page 850 agrees with ASCII below 0x80
    }
    thread_local Converter converter("CP850", "UTF-8");
    return converter.Convert(utf8);
}

bool IsValidUtf8(std::string_view text) {
    if (IsAscii(text)) {
        return true;
    }
    thread_local Converter converter("UTF-32LE", "UTF-8");
    return converter.Convert(text).has_value();
}

std::string Cp850ToUtf8(std::string_view cp850) {
    if (IsAscii(cp850)) {
        return std::string(cp850);
    }
    thread_local Converter converter("UTF-8", "CP850");
    std::optional<std::string> text = converter.Convert(cp850);
    if (!text) {
        // Every code page 850 byte has a character; reaching this means the
        // system's tables are broken, which no name conversion can make up for.
        throw std::runtime_error("code page 850 byte without a character");
    }
    return *std::move(text);
}

} // namespace vantorel
