#include "shell/EngineResponder.h"

#include "support/Cp1250.h"
#include "support/Platform.h"

#include <QApplication>
#include <QFile>
#include <QStringList>

namespace {

// "description|patterns|…" as a Qt filter: "description (patterns);;…"
QString qtFilter(std::string_view filter) {
    const QStringList parts = FromCp1250(filter).split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        QString description = parts[i].trimmed();
        if (!description.contains(QLatin1Char('(')))
            description += QStringLiteral(" (") + patterns + QLatin1Char(')');
        out << description;
    }
    return out.join(QStringLiteral(";;"));
}

} // namespace

int EngineResponder::ask(std::string_view caption, std::string_view text, bool withCancel) {
    const int answer =
        CurrentPlatform().messageBox(FromCp1250(caption), FromCp1250(text),
                                     kMbIconQuestion | (withCancel ? kMbYesNoCancel : kMbYesNo));
    switch (answer) {
    case kIdYes:
        return CAD_ASK_YES;
    case kIdNo:
        return CAD_ASK_NO;
    default:
        return withCancel ? CAD_ASK_CANCEL : CAD_ASK_NO;
    }
}

void EngineResponder::tell(std::string_view caption, std::string_view text, bool error) {
    CurrentPlatform().messageBox(FromCp1250(caption), FromCp1250(text),
                                 error ? kMbError : (kMbIconInformation | kMbOk));
}

std::optional<std::string> EngineResponder::saveFileName(std::string_view caption,
                                                         std::string_view filter,
                                                         std::string_view suggestedPath) {
    const QString path = CurrentPlatform().saveFileName(
        QApplication::activeWindow(), FromCp1250(caption),
        QFile::decodeName(QByteArray(suggestedPath.data(), qsizetype(suggestedPath.size()))),
        qtFilter(filter));
    if (path.isEmpty())
        return std::nullopt;
    return QFile::encodeName(path).toStdString();
}
