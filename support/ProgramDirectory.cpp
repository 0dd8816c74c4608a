#include "support/ProgramDirectory.h"

#include <QCoreApplication>

namespace {
QString& configured() {
    static QString directory;
    return directory;
}
} // namespace

QString ProgramDirectory() {
    if (!configured().isEmpty())
        return configured();
    return QCoreApplication::applicationDirPath() + QLatin1Char('/');
}

void SetProgramDirectory(const QString& directory) {
    configured() = directory;
    if (!directory.isEmpty() && !directory.endsWith(QLatin1Char('/')))
        configured() += QLatin1Char('/');
}

QString ProgramFile(const QString& name) {
    return ProgramDirectory() + name;
}
