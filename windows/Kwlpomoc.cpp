#include "windows/Kwlpomoc.h"

TFormKwlpomoc* FormKwlpomoc = nullptr;

TFormKwlpomoc::TFormKwlpomoc(QWidget* parent) : QWidget(parent) {
    FormKwlpomoc = this;
    setObjectName(QStringLiteral("FormKwlpomoc"));
    setWindowTitle(QString::fromUtf8(reinterpret_cast<const char*>(u8"Opis programu")));
}

TFormKwlpomoc::~TFormKwlpomoc() {
    if (FormKwlpomoc == this)
        FormKwlpomoc = nullptr;
}
