#include "platform/errors.h"

#include <cstring>

namespace vantorel {

namespace {

std::string Describe(Failure kind, const std::string& subject, int sysErrno) {
    std::string text;
    switch (kind) {
    case Failure::WriteRefused:
        text = "cannot write " + subject;
        break;
    case Failure::NotAnInteger:
        text = "not an integer: '" + subject + "'";
        break;
    case Failure::NotADateTime:
        text = "not a date-time: '" + subject + "'";
        break;
    case Failure::LogonEntryRefused:
        text = "cannot write the start-at-logon entry '" + subject + "'";
        break;
    case Failure::PathTooLong:
        text = "path too long to store: " + std::to_string(subject.size()) + " bytes";
        break;
    }
    if (sysErrno != 0) {
        text += std::string(" (") + std::strerror(sysErrno) + ")";
    }
    return text;
}

} // namespace

Error::Error(Failure kind, std::string subject, int sysErrno)
    : std::runtime_error(Describe(kind, subject, sysErrno)), kind_(kind), subject_(std::move(subject)),
      sysErrno_(sysErrno) {}

} // namespace vantorel
