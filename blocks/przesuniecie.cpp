#include "blocks/przesuniecie.h"

TFormprzesuniecie* Formprzesuniecie = nullptr;

TFormprzesuniecie::TFormprzesuniecie(QWidget* parent) : QDialog(parent) {
    Formprzesuniecie = this;
    setObjectName(QStringLiteral("Formprzesuniecie"));
    setWindowTitle(
        QString::fromUtf8(reinterpret_cast<const char*>(u8"Przesunięcie współrzednych ")));
}

TFormprzesuniecie::~TFormprzesuniecie() {
    if (Formprzesuniecie == this)
        Formprzesuniecie = nullptr;
}
