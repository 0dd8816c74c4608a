// The shift dialog: the offsets added to every point of a road-design drawing imported into the
// current drawing. Created once at start and kept until the end, so the values applied last and
// the place where the person left the dialog carry over from one import to the next.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

class TFormprzesuniecie : public QDialog {
    Q_OBJECT
public:
    explicit TFormprzesuniecie(QWidget* parent = nullptr);
    ~TFormprzesuniecie() override;

    QPushButton* Button1 = nullptr; // "Zastosuj"
    QPushButton* Button2 = nullptr; // "Rezygnuj"
    QLineEdit* Edit1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label4 = nullptr;

    double shiftX = 0; // added to every x (easting)
    double shiftY = 0; // added to every y (northing)
    bool applied = false;
    int savedTop = 0, savedLeft = 0; // both 0: not closed yet, shown centred

    void FormActivate();
    void Button1Click();
    void Button2Click();

protected:
    void showEvent(QShowEvent* event) override;
    void reject() override; // Escape presses "Rezygnuj"

private:
    void savePosition();
};

extern TFormprzesuniecie* Formprzesuniecie;
