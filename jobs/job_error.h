#pragma once

#include "platform/errors.h"

#include <string>

namespace vantorel {

enum class JobFailure {
    NotAnInteger, // a stored schedule position or reference counter is no decimal integer; subject = the text
    NotADateTime, // a job's stored last run is no date-time; subject = the text
    PathTooLong,  // a folder path too long to be stored whole; subject = the path
};

// What the job list and the job operations raise about a job's stored texts.
class JobError : public Error {
public:
    JobError(JobFailure kind, const std::string& subject);

    JobFailure kind() const noexcept { return kind_; }

private:
    JobFailure kind_;
};

} // namespace vantorel
