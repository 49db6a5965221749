// bloomzap: the program entry. Builds the windows in their order, then runs the event loop.

#include "app/GameProgram.h"
#include "update/UpdateKey.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    GameProgram::setUpApplication();
    GameProgram program(updatePublicKey());
    return program.exec();
}
