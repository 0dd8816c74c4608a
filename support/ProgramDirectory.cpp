#include "support/ProgramDirectory.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

namespace {

QString& configured() {
    static QString directory;
    return directory;
}

QString& configuredUser() {
    static QString directory;
    return directory;
}

QString withSeparator(QString directory) {
    if (!directory.isEmpty() && !directory.endsWith(QLatin1Char('/')))
        directory += QLatin1Char('/');
    return directory;
}

} // namespace

QString ProgramDirectory() {
    if (!configured().isEmpty())
        return configured();
    return QCoreApplication::applicationDirPath() + QLatin1Char('/');
}

void SetProgramDirectory(const QString& directory) {
    configured() = withSeparator(directory);
}

QString ProgramFile(const QString& name) {
    return ProgramDirectory() + name;
}

QString UserConfigDirectory() {
    if (!configuredUser().isEmpty())
        return configuredUser();
    return withSeparator(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                         QStringLiteral("/kwl-edytor"));
}

void SetUserConfigDirectory(const QString& directory) {
    configuredUser() = withSeparator(directory);
}

QString UserStateDirectory() {
    // The XDG rule: a relative path in the variable is ignored.
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/state");
    return withSeparator(base + QStringLiteral("/kwl-edytor"));
}

std::optional<bool>& writableOverride() {
    static std::optional<bool> value;
    return value;
}

void OverrideProgramDirectoryWritable(std::optional<bool> writable) {
    writableOverride() = writable;
}

bool ProgramDirectoryWritable() {
    if (writableOverride())
        return *writableOverride();
    return ::access(QFile::encodeName(ProgramDirectory()).constData(), W_OK) == 0;
}

QString ProgramFileToRead(const QString& name) {
    if (!ProgramDirectoryWritable()) {
        const QString user = UserConfigDirectory() + name;
        if (QFileInfo::exists(user))
            return user;
    }
    return ProgramFile(name);
}

QString ProgramFileToWrite(const QString& name) {
    if (ProgramDirectoryWritable())
        return ProgramFile(name);
    QDir().mkpath(UserConfigDirectory());
    return UserConfigDirectory() + name;
}
