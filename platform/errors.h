#pragma once

#include <stdexcept>
#include <string>

namespace vantorel {

// A failure about the settings files or a value they store, which the windows
// show to the user. Each layer raises its own kinds, in an error type of its
// own derived from this one (the platform's is PlatformError below); the
// windows catch them all as Error. The core never words a message for the
// user: ui/ maps each kind to its French text.
class Error : public std::runtime_error {
public:
    // The path or the text the failure is about.
    const std::string& subject() const noexcept { return subject_; }
    // errno of the refused system call, 0 when there was none.
    int sysErrno() const noexcept { return sysErrno_; }

protected:
    // `description` is the developer's words for what(); the system's reason
    // is added to it when there is one.
    Error(const std::string& description, std::string subject, int sysErrno);

private:
    std::string subject_;
    int sysErrno_;
};

enum class PlatformFailure {
    WriteRefused,      // a settings file could not be written; subject = its path
    LogonEntryRefused, // the start-at-logon entry could not be written; subject = its name
};

// What the settings-file and start-at-logon services raise.
class PlatformError : public Error {
public:
    PlatformError(PlatformFailure kind, const std::string& subject, int sysErrno = 0);

    PlatformFailure kind() const noexcept { return kind_; }

private:
    PlatformFailure kind_;
};

} // namespace vantorel
