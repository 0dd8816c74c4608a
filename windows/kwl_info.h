// The about window: the picture of a tree-lined road, the authors, the rights and the version.
// It closes on its button, on any key, or by itself at the next tick of a 20-second timer that
// runs from start-up. Created once at start and kept until the end.
#pragma once

#include <QDialog>

class QLabel;
class QTimer;
class QToolButton;

class TFormOProgramie : public QDialog {
    Q_OBJECT
public:
    explicit TFormOProgramie(QWidget* parent = nullptr);
    ~TFormOProgramie() override;

    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QTimer* Timer1 = nullptr;

    // The text block ending in "wersja: " and the version text.
    void setVersion(const QString& versionText);

    void SpeedButton1Click();
    void Timer1Timer();

protected:
    void keyPressEvent(QKeyEvent* event) override; // FormKeyPress
};

extern TFormOProgramie* FormOProgramie;
