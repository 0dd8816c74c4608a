#include "shell/Kwl_szuk_tekst.h"

TForm_szukaj_tekst* Form_szukaj_tekst = nullptr;

TForm_szukaj_tekst::TForm_szukaj_tekst(QWidget* parent) : QDialog(parent) {
    Form_szukaj_tekst = this;
    setObjectName(QStringLiteral("Form_szukaj_tekst"));
    setWindowTitle(QString::fromUtf8(reinterpret_cast<const char*>(u8"Szukaj tekstu")));
}

TForm_szukaj_tekst::~TForm_szukaj_tekst() {
    if (Form_szukaj_tekst == this)
        Form_szukaj_tekst = nullptr;
}
