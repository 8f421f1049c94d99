#pragma once

#include <stdexcept>
#include <string>

namespace vantorel {

// What went wrong, for the windows to word. The core never words a message
// for the user: ui/ maps each kind to its French text.
enum class Failure {
    WriteRefused,      // a settings file could not be written; subject = its path
    NotAnInteger,      // a stored value is not a decimal integer; subject = the text
    NotADateTime,      // a stored value is not a date-time; subject = the text
    LogonEntryRefused, // the start-at-logon entry could not be written; subject = its name
    PathTooLong,       // a folder path too long to be stored whole; subject = the path
};

// The error the job store, the schedule rules and the job operations raise.
class Error : public std::runtime_error {
public:
    Error(Failure kind, std::string subject, int sysErrno = 0);

    Failure kind() const noexcept { return kind_; }
    // The path or the text the failure is about.
    const std::string& subject() const noexcept { return subject_; }
    // errno of the refused system call, 0 when there was none.
    int sysErrno() const noexcept { return sysErrno_; }

private:
    Failure kind_;
    std::string subject_;
    int sysErrno_;
};

} // namespace vantorel
