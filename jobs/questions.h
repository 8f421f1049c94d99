#pragma once

namespace vantorel {

// The yes/no questions the program puts to the user. The core asks by kind;
// the windows word them.
enum class Question {
    RepeatedSource, // adding or modifying a job whose source another job already uses
    DeleteJob,      // before deleting the selected job and its archives
    RestoreJob,     // before restoring the selected job into its source folder
};

} // namespace vantorel
