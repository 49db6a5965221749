#include "update/QtProcessControl.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <cstdlib>

bool QtProcessControl::startDetached(const std::filesystem::path& program,
                                     const std::vector<std::string>& arguments,
                                     const Environment& environment) {
    QStringList parameters;
    for (const std::string& argument : arguments) {
        parameters << QString::fromStdString(argument);
    }
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : environment) {
        variables.insert(QString::fromStdString(name), QString::fromStdString(value));
    }
    QProcess process;
    process.setProgram(QString::fromStdString(program.string()));
    process.setArguments(parameters);
    process.setProcessEnvironment(variables);
    return process.startDetached();
}

void QtProcessControl::exitNow() {
    std::_Exit(0);
}
