#include "windows/kwl_info.h"

TFormOProgramie* FormOProgramie = nullptr;

TFormOProgramie::TFormOProgramie(QWidget* parent) : QDialog(parent) {
    FormOProgramie = this;
    setObjectName(QStringLiteral("FormOProgramie"));
    setWindowTitle(QString::fromUtf8(reinterpret_cast<const char*>(u8"Edytor rysunków")));
}

TFormOProgramie::~TFormOProgramie() {
    if (FormOProgramie == this)
        FormOProgramie = nullptr;
}
