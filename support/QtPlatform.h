// The platform seam's real implementation, on Qt Widgets.
#pragma once

#include "support/Platform.h"

class QtPlatform : public Platform {
public:
    int messageBox(const QString& caption, const QString& text, int style) override;
    QString openFileName(QWidget* parent, const QString& caption, const QString& folder,
                         const QString& filter) override;
    QString saveFileName(QWidget* parent, const QString& caption, const QString& suggested,
                         const QString& filter) override;
    std::optional<QColor> chooseColor(QWidget* parent, const QColor& initial) override;
    int showModal(QWidget* form) override;
    void beep() override;
    QStringList fontFamilies() override;
    void processEvents() override;
};

// The extension a save dialog adds to a name typed without one: that of the filter's first
// pattern ("rdw" for "Pliki (*.rdw)"), empty when it has none.
QString DefaultSuffixOf(const QString& filter);

// Installed font families plus the common family names that an installed font stands in for
// with the same metrics ("Courier New" where Liberation Mono is installed), sorted ignoring case.
QStringList FontFamiliesWithSubstitutes(const QStringList& installed);
