#include "app/application.h"
#include "app/command_line.h"
#include "app/field_trace.h"
#include "app/local_now.h"
#include "app/program.h"
#include "app/single_instance.h"
#include "app/user_folders.h"
#include "platform/program_folder.h"

int main(int argc, char** argv) {
    vantorel::CommandLine arguments(argc, argv, vantorel::ChooseDisplayPlatform());
    vantorel::Application application(arguments.count(), arguments.values());
    vantorel::StartFieldTraceIfAsked();
    const std::filesystem::path configHome = vantorel::UserConfigFolder();
    const std::filesystem::path settingsFolder = vantorel::PrepareSettingsFolder(vantorel::ProgramFolder(), configHome);
    // A second start on the same job list runs nothing: two timers on the
    // same jobs would run them twice.
    vantorel::SingleInstance instance(settingsFolder);
    if (!instance.IsFirst()) {
        instance.AskFirstToShow();
        return 0;
    }
    vantorel::Program program(settingsFolder, configHome, vantorel::LocalNow);
    program.mainWindow().SetRunLogFolder(vantorel::RunLogFolder());
    QObject::connect(&instance, &vantorel::SingleInstance::ShowRequested, &program.mainWindow(),
                     [&program] { program.mainWindow().ShowFromTray(false); });
    return program.Run();
}
