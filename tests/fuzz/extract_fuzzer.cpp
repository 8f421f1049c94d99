// Feeds arbitrary bytes to the extractor as an archive file and checks what
// must hold for any input: no crash, nothing written beside the target
// folder, no link made, no temporary file left behind.
//
// Build: CXX=clang++ cmake -S . -B build-fuzz -DVANTOREL_FUZZ=ON -DVANTOREL_BUILD_GUI=OFF
//        (add CXXFLAGS=-fsanitize=fuzzer-no-link so the core is instrumented too)
// Run:   build-fuzz/tests/extract_fuzzer -max_total_time=300 corpus/ ../shared/peer-zips/

#include "archive/reader/extract_archive.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace {

namespace fs = std::filesystem;

struct Workspace {
    fs::path root;
    fs::path archive;
    fs::path target;
    fs::path sentinel;
};

const Workspace& GetWorkspace() {
    static const Workspace workspace = [] {
        const fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        std::string pattern = (base / "vantorel-fuzz-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        Workspace w{pattern, fs::path(pattern) / "in.zip", fs::path(pattern) / "target",
                    fs::path(pattern) / "sentinel"};
        std::ofstream(w.sentinel) << "keep";
        return w;
    }();
    return workspace;
}

// The extractor's temporary names: ".vantorel-" + 16 hexadecimal digits +
// ".tmp". An archive may hold a file whose name merely starts that way.
bool IsTemporaryName(const std::string& name) {
    constexpr std::size_t kDigits = 16;
    const std::string prefix = ".vantorel-";
    const std::string suffix = ".tmp";
    if (name.size() != prefix.size() + kDigits + suffix.size() || name.rfind(prefix, 0) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) {
        return false;
    }
    return name.find_first_not_of("0123456789abcdef", prefix.size()) == prefix.size() + kDigits;
}

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "extract_fuzzer: %s\n", what.c_str());
    std::abort();
}

void CheckNothingEscaped(const Workspace& w) {
    for (const auto& item : fs::directory_iterator(w.root)) {
        if (item.path() != w.archive && item.path() != w.target && item.path() != w.sentinel) {
            Fail("written beside the target: " + item.path().string());
        }
    }
    std::ifstream sentinel(w.sentinel);
    std::string content;
    sentinel >> content;
    if (content != "keep") {
        Fail("the file beside the target changed");
    }
    for (auto it = fs::recursive_directory_iterator(w.target); it != fs::recursive_directory_iterator(); ++it) {
        if (it->is_symlink()) {
            Fail("a link was made: " + it->path().string());
        }
        if (IsTemporaryName(it->path().filename().string())) {
            Fail("a temporary file stayed: " + it->path().string());
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Workspace& w = GetWorkspace();
    {
        std::ofstream out(w.archive, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        if (!out) {
            Fail("cannot write the input");
        }
    }
    std::error_code ec;
    fs::create_directory(w.target, ec);
    static_cast<void>(vantorel::ExtractArchive(w.target, w.archive)); // the report may say anything
    CheckNothingEscaped(w);
    // Read-only files and folders go too: root ignores the permission bits.
    fs::remove_all(w.target, ec);
    if (ec) {
        Fail("cannot clean the target: " + ec.message());
    }
    return 0;
}
