#include "blocks/Unit_mnoznik.h"

#include "engine/CadApi.h"
#include "support/Platform.h"
#include "support/UndoGroup.h"
#include "support/brdodatkirozn.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TForm_mnoznik* Form_mnoznik = nullptr;

TForm_mnoznik::TForm_mnoznik(QWidget* parent)
    : QDialog(parent,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint) {
    Form_mnoznik = this;
    setObjectName(QStringLiteral("Form_mnoznik"));
    setWindowTitle(QString::fromUtf8(u8"Zmiana grubości linii"));
    setFixedSize(258, 104);

    Label1 =
        new QLabel(QString::fromUtf8(u8"Zastosuj mnożnik do aktualnych grubości linii:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setGeometry(8, 6, 242, 30);
    Label2 = new QLabel(QString::fromUtf8(u8"Mnożnik:"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(8, 44, 60, 16);
    Edit_mnoznik = new QLineEdit(QStringLiteral("1"), this);
    Edit_mnoznik->setObjectName(QStringLiteral("Edit_mnoznik"));
    Edit_mnoznik->setGeometry(72, 40, 178, 21);
    InstallNumericKeyFilter(Edit_mnoznik);
    Button1 = new QPushButton(QStringLiteral("Zastosuj"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(40, 72, 80, 25);
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("Anuluj"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(138, 72, 80, 25);
    connect(Button1, &QPushButton::clicked, this, &TForm_mnoznik::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm_mnoznik::Button2Click);
    setTabOrder(Edit_mnoznik, Button1);
    setTabOrder(Button1, Button2);
}

TForm_mnoznik::~TForm_mnoznik() {
    if (Form_mnoznik == this)
        Form_mnoznik = nullptr;
}

void TForm_mnoznik::Button1Click() {
    const QString text = Edit_mnoznik->text().trimmed();
    const QString title = QApplication::applicationName();
    if (text.isEmpty()) {
        CurrentPlatform().messageBox(
            title, QString::fromUtf8(u8"Musisz wprowadzić wartość mnożnika"), kMbOk);
        Edit_mnoznik->setFocus();
        return;
    }
    const double factor = TextToReal(text);
    if (!(factor > 0)) {
        CurrentPlatform().messageBox(
            title, QString::fromUtf8(u8"Wprowadź poprawną liczbową wartość mnożnika"), kMbOk);
        Edit_mnoznik->setFocus();
        return;
    }
    {
        // Every width at once is one step that "Cofnij" takes back.
        const UndoGroup step;
        const int layers = cadLayerCount();
        for (int i = 0; i < layers; ++i)
            cadPropPutDbl(CAD_PROP_LAYER_WIDTH, i,
                          cadPropGetDbl(CAD_PROP_LAYER_WIDTH, i).value_or(0) * factor);
    }
    done(Accepted);
    cadExecute(CAD_CMD_REDRAW);
}

void TForm_mnoznik::Button2Click() {
    done(Rejected);
}

void TForm_mnoznik::reject() {
    // Esc leaves the dialog as "Anuluj" does: nothing changes.
    Button2Click();
}
