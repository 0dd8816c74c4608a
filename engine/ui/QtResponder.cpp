#include "engine/ui/QtResponder.h"

#include "engine/Engine.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringDecoder>

QString cadFilterForQt(std::string_view filter) {
    const QStringList parts = cad::fromEngineText(filter).split(QLatin1Char('|'));
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

namespace cad {

QString fromEngineText(std::string_view bytes) {
    QStringDecoder decoder("windows-1250");
    return decoder(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

QString engineText(int number) {
    return fromEngineText(engine().text(number));
}

int QtResponder::ask(std::string_view caption, std::string_view text, bool withCancel) {
    QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
    if (withCancel)
        buttons |= QMessageBox::Cancel;
    QMessageBox box(QMessageBox::Question, fromEngineText(caption), fromEngineText(text), buttons,
                    QApplication::activeWindow());
    box.setDefaultButton(QMessageBox::Yes);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return CAD_ASK_YES;
    case QMessageBox::No:
        return CAD_ASK_NO;
    default:
        return withCancel ? CAD_ASK_CANCEL : CAD_ASK_NO;
    }
}

void QtResponder::tell(std::string_view caption, std::string_view text, bool error) {
    QMessageBox box(error ? QMessageBox::Critical : QMessageBox::Information,
                    fromEngineText(caption), fromEngineText(text), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

std::optional<std::string> QtResponder::saveFileName(std::string_view caption,
                                                     std::string_view filter,
                                                     std::string_view suggestedPath) {
    const QString path = QFileDialog::getSaveFileName(
        QApplication::activeWindow(), fromEngineText(caption),
        QFile::decodeName(
            QByteArray(suggestedPath.data(), static_cast<qsizetype>(suggestedPath.size()))),
        cadFilterForQt(filter));
    if (path.isEmpty())
        return std::nullopt;
    return QFile::encodeName(path).toStdString();
}

std::optional<std::string> QtResponder::openFileName(std::string_view caption,
                                                     std::string_view filter,
                                                     std::string_view folder) {
    const QString path = QFileDialog::getOpenFileName(
        QApplication::activeWindow(), fromEngineText(caption),
        QFile::decodeName(QByteArray(folder.data(), static_cast<qsizetype>(folder.size()))),
        cadFilterForQt(filter));
    if (path.isEmpty())
        return std::nullopt;
    return QFile::encodeName(path).toStdString();
}

} // namespace cad
