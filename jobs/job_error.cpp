#include "jobs/job_error.h"

namespace vantorel {

namespace {

std::string Describe(JobFailure kind, const std::string& subject) {
    switch (kind) {
    case JobFailure::NotAnInteger:
        return "not an integer: '" + subject + "'";
    case JobFailure::NotADateTime:
        return "not a date-time: '" + subject + "'";
    case JobFailure::PathTooLong:
        return "path too long to store: " + std::to_string(subject.size()) + " bytes";
    }
    return subject;
}

} // namespace

JobError::JobError(JobFailure kind, const std::string& subject)
    : Error(Describe(kind, subject), subject, 0), kind_(kind) {}

} // namespace vantorel
