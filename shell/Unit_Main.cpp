#include "shell/Unit_Main.h"

TForm_Main::TForm_Main(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("Form_Main"));
    setWindowTitle(QStringLiteral("Edytor KWL"));
    resize(729, 509);
    setMinimumSize(400, 300);
}
