#include "blocks/Unit_mnoznik.h"

TForm_mnoznik* Form_mnoznik = nullptr;

TForm_mnoznik::TForm_mnoznik(QWidget* parent) : QDialog(parent) {
    Form_mnoznik = this;
    setObjectName(QStringLiteral("Form_mnoznik"));
    setWindowTitle(QString::fromUtf8(reinterpret_cast<const char*>(u8"Zmiana grubości linii")));
}

TForm_mnoznik::~TForm_mnoznik() {
    if (Form_mnoznik == this)
        Form_mnoznik = nullptr;
}
