#include "windows/projekty.h"

TFormProjekty* FormProjekty = nullptr;

TFormProjekty::TFormProjekty(QWidget* parent) : QDialog(parent) {
    FormProjekty = this;
    setObjectName(QStringLiteral("FormProjekty"));
    setWindowTitle(QString::fromUtf8(reinterpret_cast<const char*>(u8"Projekty")));
}

TFormProjekty::~TFormProjekty() {
    if (FormProjekty == this)
        FormProjekty = nullptr;
}
