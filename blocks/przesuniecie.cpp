#include "blocks/przesuniecie.h"

#include "support/brdodatkirozn.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TFormprzesuniecie* Formprzesuniecie = nullptr;

namespace {

// Two decimals with "." as the point whatever the desktop's language: the fields are read back
// with "." only, so a shift shown as "100,00" would come back as no value at all.
QString twoDecimals(double value) {
    return QString::number(value, 'f', 2);
}

} // namespace

TFormprzesuniecie::TFormprzesuniecie(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    Formprzesuniecie = this;
    setObjectName(QStringLiteral("Formprzesuniecie"));
    setWindowTitle(QString::fromUtf8(u8"Przesunięcie współrzednych "));
    setFixedSize(217, 95);

    Label1 = new QLabel(QString::fromUtf8(u8"Przesunięcie X(E)"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(8, 12, 100, 16);
    Label2 = new QLabel(QString::fromUtf8(u8"Przesunięcie Y(N)"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(8, 38, 100, 16);
    Label4 = new QLabel(this);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label4->setGeometry(8, 58, 200, 4);

    Edit1 = new QLineEdit(QStringLiteral("0.0"), this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(110, 8, 99, 21);
    Edit1->setToolTip(QStringLiteral("Podanie 0.0 nie przesuwa po osi X"));
    InstallNumericKeyFilter(Edit1);
    Edit2 = new QLineEdit(QStringLiteral("0.0"), this);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setGeometry(110, 34, 99, 21);
    Edit2->setToolTip(QStringLiteral("Podanie 0.0 nie przesuwa po osi Y"));
    InstallNumericKeyFilter(Edit2);

    Button1 = new QPushButton(QStringLiteral("Zastosuj"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(20, 64, 80, 25);
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("Rezygnuj"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(117, 64, 80, 25);
    connect(Button1, &QPushButton::clicked, this, &TFormprzesuniecie::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TFormprzesuniecie::Button2Click);

    setTabOrder(Button1, Button2);
    setTabOrder(Button2, Edit1);
    setTabOrder(Edit1, Edit2);
}

TFormprzesuniecie::~TFormprzesuniecie() {
    if (Formprzesuniecie == this)
        Formprzesuniecie = nullptr;
}

void TFormprzesuniecie::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormActivate();
}

void TFormprzesuniecie::FormActivate() {
    if (savedTop != 0 || savedLeft != 0) {
        move(savedLeft, savedTop);
    } else if (QWidget* main = parentWidget()) {
        const QRect m = main->frameGeometry();
        move(m.left() + (m.width() - frameGeometry().width()) / 2,
             m.top() + (m.height() - frameGeometry().height()) / 2);
    }
    Edit1->setText(twoDecimals(shiftX));
    Edit2->setText(twoDecimals(shiftY));
}

void TFormprzesuniecie::savePosition() {
    savedTop = frameGeometry().top();
    savedLeft = frameGeometry().left();
}

void TFormprzesuniecie::Button1Click() {
    shiftX = TextToReal(Edit1->text());
    shiftY = TextToReal(Edit2->text());
    savePosition();
    applied = true;
    accept();
}

void TFormprzesuniecie::Button2Click() {
    savePosition();
    applied = false;
    QDialog::reject();
}

void TFormprzesuniecie::reject() {
    Button2Click();
}
