// Backs a folder up through ZipFolder and restores it through ExtractArchive,
// each in a child process of its own so that its peak memory is its own, and
// prints the speed (MB of file data per second) and the peak resident memory.
//
// Usage: zip_bench FOLDER [WORK_FOLDER] [THREADS] [full]
// WORK_FOLDER (default: a new folder under /tmp) receives bench.zip and
// restored/; it is left in place to be looked at. A bench.zip already there
// (an earlier run's) becomes bench.previous.zip and is passed as the previous
// archive, as a job's second run would, unless the fourth argument is "full".

#include "archive/reader/extract_archive.h"
#include "archive/writer/zip_folder.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct Phase {
    double seconds = 0;
    long peakKiB = 0;
    bool ok = false;
};

// Runs body in a child; its exit code 0 means success.
Phase RunPhase(const std::function<int()>& body) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child < 0) {
        return {};
    }
    if (child == 0) {
        _exit(body());
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child) {
        return {};
    }
    Phase phase;
    phase.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    phase.peakKiB = usage.ru_maxrss;
    phase.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return phase;
}

// Bytes and count of the regular files ZipFolder would read (hidden names and
// links to folders left out, as it does).
std::pair<std::uintmax_t, std::uintmax_t> TreeSize(const fs::path& root) {
    std::uintmax_t bytes = 0;
    std::uintmax_t files = 0;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (it->path().filename().string().front() == '.') {
            if (it->is_directory(ec)) {
                it.disable_recursion_pending();
            }
            continue;
        }
        if (it->is_regular_file(ec)) {
            bytes += it->file_size(ec);
            ++files;
        }
    }
    return {bytes, files};
}

void Print(const char* label, const Phase& phase, std::uintmax_t bytes) {
    std::printf("%-8s %s %8.2f s %9.1f MB/s  peak %8.1f MiB\n", label, phase.ok ? "ok    " : "FAILED", phase.seconds,
                static_cast<double>(bytes) / 1e6 / phase.seconds, static_cast<double>(phase.peakKiB) / 1024.0);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FOLDER [WORK_FOLDER] [THREADS] [full]\n", argv[0]);
        return 2;
    }
    const fs::path source = fs::absolute(argv[1]);
    fs::path work;
    if (argc > 2) {
        work = fs::absolute(argv[2]);
        fs::create_directories(work);
    } else {
        std::string pattern = "/tmp/zip-bench-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            return 1;
        }
        work = pattern;
    }
    vantorel::ZipOptions options;
    if (argc > 3) {
        options.threads = static_cast<std::size_t>(std::strtoul(argv[3], nullptr, 10));
    }
    const fs::path archive = work / "bench.zip";
    const fs::path previous = work / "bench.previous.zip";
    fs::remove(previous);
    if (!(argc > 4 && std::string(argv[4]) == "full") && fs::exists(archive)) {
        fs::rename(archive, previous);
        options.previousArchive = previous;
    }
    const fs::path restored = work / "restored";
    fs::remove_all(restored);
    fs::create_directories(restored);

    const auto [bytes, files] = TreeSize(source);
    std::printf("tree     %s: %ju files, %.1f MB\n", source.c_str(), files, static_cast<double>(bytes) / 1e6);
    const Phase backup = RunPhase([&] {
        try {
            const vantorel::ZipSummary summary = vantorel::ZipFolder(archive, source, options);
            std::fprintf(stderr, "archived %ju entries, %ju copied from the previous archive\n",
                         static_cast<std::uintmax_t>(summary.entries), static_cast<std::uintmax_t>(summary.reused));
            return 0;
        } catch (const std::exception& error) {
            std::fprintf(stderr, "backup failed: %s\n", error.what());
            return 1;
        }
    });
    Print("backup", backup, bytes);
    if (!backup.ok) {
        return 1;
    }
    std::printf("archive  %.1f MB (%.1f %%)\n", static_cast<double>(fs::file_size(archive)) / 1e6,
                bytes == 0 ? 0.0 : 100.0 * static_cast<double>(fs::file_size(archive)) / static_cast<double>(bytes));
    const Phase restore = RunPhase([&] {
        const vantorel::ExtractReport report = vantorel::ExtractArchive(restored, archive);
        if (report.archiveRejected) {
            std::fprintf(stderr, "restore refused: %s\n", report.archiveRejected->c_str());
            return 1;
        }
        std::fprintf(stderr, "restored %zu entries, %zu skipped\n", report.extracted, report.skipped.size());
        return report.skipped.empty() ? 0 : 1;
    });
    Print("restore", restore, bytes);
    std::printf("work     %s\n", work.c_str());
    return restore.ok ? 0 : 1;
}
