#include "shell/EngineResponder.h"

#include "support/Cp1250.h"
#include "support/Platform.h"

#include <QApplication>
#include <QFile>

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
        cadFilterForQt(filter));
    if (path.isEmpty())
        return std::nullopt;
    return QFile::encodeName(path).toStdString();
}

std::optional<std::string> EngineResponder::openFileName(std::string_view caption,
                                                         std::string_view filter,
                                                         std::string_view folder) {
    const QString path = CurrentPlatform().openFileName(
        QApplication::activeWindow(), FromCp1250(caption),
        QFile::decodeName(QByteArray(folder.data(), qsizetype(folder.size()))),
        cadFilterForQt(filter));
    if (path.isEmpty())
        return std::nullopt;
    return QFile::encodeName(path).toStdString();
}
