#include "app/application.h"
#include "app/program.h"
#include "platform/program_folder.h"

int main(int argc, char** argv) {
    vantorel::Application application(argc, argv);
    vantorel::Program program(vantorel::ProgramFolder(), vantorel::UserConfigFolder(), vantorel::LocalNow);
    return program.Run();
}
