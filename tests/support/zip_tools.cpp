#include "tests/support/zip_tools.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace vantorel::test {

namespace {

// The Python half of ZipToolsAccept and ListWithPython: argv[1] is the
// archive, argv[2] "test" or "list".
constexpr const char* kPythonScript = R"PY(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    if sys.argv[2] == "test":
        bad = z.testzip()
        if bad is not None:
            print("bad entry:", bad)
            sys.exit(1)
    else:
        for i in z.infolist():
            sys.stdout.buffer.write(b"%d\t%d\t%d\t%d\t" % (i.file_size, i.compress_size, i.compress_type, i.flag_bits))
            sys.stdout.buffer.write(i.filename.encode("utf-8", "surrogateescape") + b"\0")
)PY";

} // namespace

CommandResult RunCommand(const std::vector<std::string>& argv) {
    CommandResult result;
    int pipeFds[2];
    if (argv.empty() || pipe(pipeFds) != 0) {
        return result;
    }
    const pid_t child = fork();
    if (child < 0) {
        close(pipeFds[0]);
        close(pipeFds[1]);
        return result;
    }
    if (child == 0) {
        dup2(pipeFds[1], STDOUT_FILENO);
        dup2(pipeFds[1], STDERR_FILENO);
        close(pipeFds[0]);
        close(pipeFds[1]);
        std::vector<char*> args;
        for (const std::string& arg : argv) {
            args.push_back(const_cast<char*>(arg.c_str()));
        }
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(pipeFds[1]);
    std::array<char, 65536> buffer;
    for (;;) {
        const ssize_t got = read(pipeFds[0], buffer.data(), buffer.size());
        if (got > 0) {
            // Keep the head of a chatty tool's output; enough to explain a failure.
            if (result.output.size() < (1u << 20)) {
                result.output.append(buffer.data(), static_cast<std::size_t>(got));
            }
        } else if (got == 0 || errno != EINTR) {
            break;
        }
    }
    close(pipeFds[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            return result;
        }
    }
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string FindProgram(const std::vector<std::string>& names) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path != nullptr ? path : "/usr/bin:/bin");
    std::vector<std::string> dirs;
    for (std::string dir; std::getline(folders, dir, ':');) {
        dirs.push_back(dir.empty() ? "." : dir);
    }
    for (const std::string& name : names) {
        for (const std::string& dir : dirs) {
            const std::string candidate = dir + "/" + name;
            if (access(candidate.c_str(), X_OK) == 0) {
                return candidate;
            }
        }
    }
    return {};
}

::testing::AssertionResult ZipToolsAccept(const std::filesystem::path& archive) {
    struct Tool {
        std::string label;
        std::vector<std::string> programs;
        std::vector<std::string> arguments;
    };
    const std::string file = archive.string();
    const std::vector<Tool> tools = {
        {"unzip -t", {"unzip"}, {"-t", "-qq", file}},
        {"7z t", {"7z", "7zz", "7za"}, {"t", "-bd", "-bso0", "-bsp0", file}},
        {"bsdtar -tf", {"bsdtar"}, {"-tf", file}},
        {"python zipfile", {"python3"}, {"-c", kPythonScript, file, "test"}},
    };
    std::string failures;
    for (const Tool& tool : tools) {
        const std::string program = FindProgram(tool.programs);
        if (program.empty()) {
            failures += tool.label + ": not installed (run scripts/setup test)\n";
            continue;
        }
        std::vector<std::string> argv{program};
        argv.insert(argv.end(), tool.arguments.begin(), tool.arguments.end());
        const CommandResult run = RunCommand(argv);
        // unzip warns (exit 1) about an archive without entries, which is
        // what an empty folder gives: that is not a refusal.
        const bool emptyWarning =
            tool.label == "unzip -t" && run.exitCode == 1 && run.output.find("zipfile is empty") != std::string::npos;
        if (run.exitCode != 0 && !emptyWarning) {
            failures +=
                tool.label + " exited with " + std::to_string(run.exitCode) + ":\n" + run.output.substr(0, 2000) + "\n";
        }
    }
    if (!failures.empty()) {
        return ::testing::AssertionFailure() << file << " refused:\n" << failures;
    }
    return ::testing::AssertionSuccess();
}

std::map<std::string, std::vector<std::string>> ListNamesWithTools(const std::filesystem::path& archive) {
    struct Lister {
        std::string label;
        std::vector<std::string> programs;
        std::vector<std::string> arguments;
        std::string linePrefix; // lines that carry a name start with it
    };
    const std::string file = archive.string();
    const std::vector<Lister> listers = {
        {"unzip", {"unzip"}, {"-Z1", file}, ""},
        {"7z", {"7z", "7zz", "7za"}, {"l", "-slt", "-ba", file}, "Path = "},
        {"bsdtar", {"bsdtar"}, {"-tf", file}, ""},
    };
    std::map<std::string, std::vector<std::string>> names;
    for (const Lister& lister : listers) {
        const std::string program = FindProgram(lister.programs);
        if (program.empty()) {
            ADD_FAILURE() << lister.label << ": not installed (run scripts/setup test)";
            continue;
        }
        std::vector<std::string> argv{program};
        argv.insert(argv.end(), lister.arguments.begin(), lister.arguments.end());
        const CommandResult run = RunCommand(argv);
        if (run.exitCode != 0) {
            ADD_FAILURE() << lister.label << " cannot list " << file << ":\n" << run.output;
            continue;
        }
        std::istringstream lines(run.output);
        for (std::string line; std::getline(lines, line);) {
            if (line.rfind(lister.linePrefix, 0) == 0) {
                names[lister.label].push_back(line.substr(lister.linePrefix.size()));
            }
        }
    }
    return names;
}

std::vector<ListedEntry> ListWithPython(const std::filesystem::path& archive) {
    std::vector<ListedEntry> entries;
    const CommandResult run = RunCommand({"python3", "-c", kPythonScript, archive.string(), "list"});
    if (run.exitCode != 0) {
        ADD_FAILURE() << "python zipfile cannot list " << archive << ":\n" << run.output;
        return entries;
    }
    std::istringstream records(run.output);
    for (std::string record; std::getline(records, record, '\0');) {
        ListedEntry entry;
        std::istringstream fields(record);
        fields >> entry.size >> entry.compressedSize >> entry.method >> entry.flags;
        fields.get(); // the tab before the name
        std::getline(fields, entry.name, '\0');
        entries.push_back(std::move(entry));
    }
    return entries;
}

} // namespace vantorel::test
