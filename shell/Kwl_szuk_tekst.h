// Text search: the dialog that asks for a fragment, the search for the next text of the active
// drawing that holds it (selected and brought into view), and the selection of every text.
// The dialog is created once at start and keeps its values between searches.
#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TForm_szukaj_tekst : public QDialog {
    Q_OBJECT
public:
    explicit TForm_szukaj_tekst(QWidget* parent = nullptr);
    ~TForm_szukaj_tekst() override;

    QLabel* Label1 = nullptr;
    QLineEdit* Edit1 = nullptr;     // the fragment
    QCheckBox* CheckBox1 = nullptr; // "Od początku rysunku"
    QCheckBox* CheckBox2 = nullptr; // "Usuń poprzednie zaznaczenia"
    QPushButton* Button1 = nullptr; // "Szukaj"
    QPushButton* Button2 = nullptr; // "Rezygnuj"

    void Button1Click();
    void Button2Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

extern TForm_szukaj_tekst* Form_szukaj_tekst;
// True after "Szukaj", false after "Rezygnuj"; closing the window otherwise leaves it.
extern bool SearchAccepted;

// "Znajdź tekst": asks for the fragment and finds the next text holding it.
void FindNextText();
// "Zaznacz teksty": selects every text of the drawing, keeping the selection there is.
void SelectAllTexts();
