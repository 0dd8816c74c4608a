#include "import/Unit_progres.h"

TForm_Progres* Form_Progres = nullptr;

TForm_Progres::TForm_Progres(QWidget* parent) : QDialog(parent) {
    Form_Progres = this;
    setObjectName(QStringLiteral("Form_Progres"));
    setWindowTitle(QString::fromUtf8(reinterpret_cast<const char*>(u8"Postęp")));
}

TForm_Progres::~TForm_Progres() {
    if (Form_Progres == this)
        Form_Progres = nullptr;
}
