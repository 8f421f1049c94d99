#include "app/application.h"
#include "app/program.h"
#include "platform/program_folder.h"

int main(int argc, char** argv) {
    vantorel::CommandLine arguments(argc, argv, vantorel::ChooseDisplayPlatform());
    vantorel::Application application(arguments.count(), arguments.values());
    const std::filesystem::path configHome = vantorel::UserConfigFolder();
    vantorel::Program program(vantorel::PrepareSettingsFolder(vantorel::ProgramFolder(), configHome), configHome,
                              vantorel::LocalNow);
    return program.Run();
}
