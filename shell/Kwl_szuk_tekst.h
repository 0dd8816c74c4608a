// The window TForm_szukaj_tekst: created once at start and kept until the end, so it keeps its
// values.
#pragma once

#include <QDialog>

class TForm_szukaj_tekst : public QDialog {
    Q_OBJECT
public:
    explicit TForm_szukaj_tekst(QWidget* parent = nullptr);
    ~TForm_szukaj_tekst() override;
};

extern TForm_szukaj_tekst* Form_szukaj_tekst;
