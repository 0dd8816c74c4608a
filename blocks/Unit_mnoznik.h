// The line-width multiplier: multiplies the line width of every layer of the active drawing by
// the factor typed in, then refreshes the view. Created once at start and kept until the end.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

class TForm_mnoznik : public QDialog {
    Q_OBJECT
public:
    explicit TForm_mnoznik(QWidget* parent = nullptr);
    ~TForm_mnoznik() override;

    QLineEdit* Edit_mnoznik = nullptr;
    QPushButton* Button1 = nullptr; // "Zastosuj"
    QPushButton* Button2 = nullptr; // "Anuluj"
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;

    void Button1Click();
    void Button2Click();

protected:
    void reject() override; // Escape: as "Anuluj"
};

extern TForm_mnoznik* Form_mnoznik;
