#include "platform/errors.h"

#include <cstring>

namespace vantorel {

namespace {

std::string Describe(PlatformFailure kind, const std::string& subject) {
    switch (kind) {
    case PlatformFailure::WriteRefused:
        return "cannot write " + subject;
    case PlatformFailure::LogonEntryRefused:
        return "cannot write the start-at-logon entry '" + subject + "'";
    }
    return subject;
}

std::string WithReason(const std::string& description, int sysErrno) {
    return sysErrno == 0 ? description : description + " (" + std::strerror(sysErrno) + ")";
}

} // namespace

Error::Error(const std::string& description, std::string subject, int sysErrno)
    : std::runtime_error(WithReason(description, sysErrno)), subject_(std::move(subject)), sysErrno_(sysErrno) {}

PlatformError::PlatformError(PlatformFailure kind, const std::string& subject, int sysErrno)
    : Error(Describe(kind, subject), subject, sysErrno), kind_(kind) {}

} // namespace vantorel
