#include "support/QtPlatform.h"

#include <QApplication>
#include <QColorDialog>
#include <QDialog>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include <algorithm>

namespace {

QMessageBox::Icon iconOf(int style) {
    switch (style & 0xF0) {
    case kMbIconStop:
        return QMessageBox::Critical;
    case kMbIconQuestion:
        return QMessageBox::Question;
    case kMbIconExclamation:
        return QMessageBox::Warning;
    case kMbIconInformation:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

QMessageBox::StandardButtons buttonsOf(int style) {
    switch (style & 0x0F) {
    case kMbOkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case kMbYesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case kMbYesNo:
        return QMessageBox::Yes | QMessageBox::No;
    default:
        return QMessageBox::Ok;
    }
}

int resultOf(int button) {
    switch (button) {
    case QMessageBox::Yes:
        return kIdYes;
    case QMessageBox::No:
        return kIdNo;
    case QMessageBox::Cancel:
        return kIdCancel;
    default:
        return kIdOk;
    }
}

// The window a message belongs to: the active one, unless a window that stays above the others
// is shown (the progress window of a read, the line-width dialog); then that one, so that the
// message stands above it rather than hidden behind it.
QWidget* ownerOfMessages() {
    QWidget* active = QApplication::activeWindow();
    if (active && active->isVisible() && active->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
        return active;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowFlags().testFlag(Qt::WindowStaysOnTopHint) &&
            !qobject_cast<QMessageBox*>(w))
            return w;
    return active;
}

} // namespace

int QtPlatform::messageBox(const QString& caption, const QString& text, int style) {
    QWidget* owner = ownerOfMessages();
    QMessageBox box(iconOf(style), caption, text, buttonsOf(style), owner);
    if (owner && owner->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    const int buttons = style & 0x0F;
    if (buttons == kMbYesNo || buttons == kMbYesNoCancel)
        box.setDefaultButton(QMessageBox::Yes);
    // Closing a question with the window's close box answers No (or Cancel where offered).
    if (buttons == kMbYesNo)
        box.setEscapeButton(QMessageBox::No);
    return resultOf(box.exec());
}

QString QtPlatform::openFileName(QWidget* parent, const QString& caption, const QString& folder,
                                 const QString& filter) {
    return QFileDialog::getOpenFileName(parent, caption, folder, filter);
}

QString DefaultSuffixOf(const QString& filter) {
    const qsizetype star = filter.indexOf(QStringLiteral("*."));
    if (star < 0)
        return {};
    qsizetype end = star + 2;
    while (end < filter.size() && filter[end].isLetterOrNumber())
        ++end;
    return filter.mid(star + 2, end - star - 2);
}

QString QtPlatform::saveFileName(QWidget* parent, const QString& caption, const QString& suggested,
                                 const QString& filter) {
    // A name typed without an extension gets the filter's, before the dialog asks whether to
    // replace a file of that name.
    QFileDialog dialog(parent, caption, QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(DefaultSuffixOf(filter));
    if (!suggested.isEmpty()) {
        const QFileInfo info(suggested);
        if (suggested.contains(QLatin1Char('/')))
            dialog.setDirectory(info.absolutePath());
        dialog.selectFile(info.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

std::optional<QColor> QtPlatform::chooseColor(QWidget* parent, const QColor& initial) {
    const QColor c = QColorDialog::getColor(initial, parent);
    if (!c.isValid())
        return std::nullopt;
    return c;
}

int QtPlatform::showModal(QWidget* form) {
    if (auto* dialog = qobject_cast<QDialog*>(form))
        return dialog->exec();
    // A plain form: modal to the application until it hides.
    QPointer<QWidget> guard(form);
    const Qt::WindowModality previous = form->windowModality();
    form->setWindowModality(Qt::ApplicationModal);
    form->show();
    QEventLoop loop;
    while (guard && guard->isVisible())
        loop.processEvents(QEventLoop::WaitForMoreEvents);
    if (guard)
        guard->setWindowModality(previous);
    return QDialog::Rejected;
}

void QtPlatform::beep() {
    QApplication::beep();
}

QStringList QtPlatform::fontFamilies() {
    return FontFamiliesWithSubstitutes(QFontDatabase::families());
}

void QtPlatform::processEvents() {
    QApplication::processEvents();
}

QStringList FontFamiliesWithSubstitutes(const QStringList& installed) {
    // Family names that documents and settings commonly ask for, and the free fonts made with
    // the same metrics that the font configuration uses in their place.
    struct Substitute {
        const char* name;
        const char* standIn;
    };
    static constexpr Substitute kSubstitutes[] = {
        {"Arial", "Liberation Sans"},     {"Arial Narrow", "Liberation Sans Narrow"},
        {"Helvetica", "Liberation Sans"}, {"Times New Roman", "Liberation Serif"},
        {"Times", "Liberation Serif"},    {"Courier New", "Liberation Mono"},
        {"Courier", "Liberation Mono"},   {"Calibri", "Carlito"},
        {"Cambria", "Caladea"},           {"Georgia", "Gelasio"},
    };
    QStringList families = installed;
    for (const auto& s : kSubstitutes) {
        const QString name = QString::fromLatin1(s.name);
        if (installed.contains(QString::fromLatin1(s.standIn), Qt::CaseInsensitive) &&
            !families.contains(name, Qt::CaseInsensitive))
            families << name;
    }
    families.removeDuplicates();
    std::sort(families.begin(), families.end(), [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    return families;
}
