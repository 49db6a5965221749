// bloomzap: the program entry. Builds the windows in their order, then runs the event loop.

#include "app/GameProgram.h"
#include "app/GameTranslations.h"
#include "update/UpdateKey.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    installGameTranslations(application);
    GameProgram::setUpApplication();
    GameProgram program(updatePublicKey());
    return program.exec();
}
