#include "app/program.h"
#include "platform/program_folder.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    vantorel::Program program(vantorel::ProgramFolder(), vantorel::LocalNow);
    return program.Run();
}
