#include "shell/Kwl_szuk_tekst.h"

#include "engine/CadApi.h"
#include "shell/Unit_Main.h"
#include "support/Cp1250.h"
#include "support/Platform.h"
#include "support/brdodatkirozn.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

TForm_szukaj_tekst* Form_szukaj_tekst = nullptr;
bool SearchAccepted = false;

namespace {

bool isText(int entity) {
    return cadPropGetInt(CAD_PROP_ENT_TYPE, entity).value_or(0) == CAD_ENT_TEXT;
}

void refresh() {
    cadUpdate();
    cadRedraw();
}

// How high the letters of a found text stand on the screen, in pixels: readable at a glance,
// and never below the smallest readable size however long the text is.
constexpr double kFoundTextPixels = 40, kSmallestReadablePixels = 16;

// Brings a found text into the middle of the view, its letters readable: at the readable size
// when it stands whole so, else fitted across the view, but never smaller than the smallest
// readable size.
void bringIntoView(int entity) {
    QWidget* window = Form_Main ? cadWndWidget(Form_Main->engineWindow) : nullptr;
    const auto box = cadEntityExtents(entity);
    const double height = std::abs(cadPropGetDbl(CAD_PROP_TEXT_HEIGHT, entity).value_or(0));
    if (!window || window->width() <= 0 || window->height() <= 0 || !box || !(height > 0)) {
        cadZoom(CAD_ZOOM_SELECTION);
        return;
    }
    const double width = box->right - box->left, tall = box->top - box->bottom;
    // Drawing units in a pixel: the readable size, or what fits the text in 90 % of the view.
    double perPixel = std::max({height / kFoundTextPixels, width / (0.9 * window->width()),
                                tall / (0.9 * window->height())});
    perPixel = std::min(perPixel, height / kSmallestReadablePixels);
    const double cx = (box->left + box->right) / 2, cy = (box->bottom + box->top) / 2;
    const double hw = perPixel * window->width() / 2, hh = perPixel * window->height() / 2;
    cadZoomRect(CadRect{cx - hw, cy - hh, cx + hw, cy + hh});
}

} // namespace

TForm_szukaj_tekst::TForm_szukaj_tekst(QWidget* parent) : QDialog(parent) {
    Form_szukaj_tekst = this;
    setObjectName(QStringLiteral("Form_szukaj_tekst"));
    setWindowTitle(QStringLiteral("Szukaj tekstu"));
    setFixedSize(377, 129);

    Label1 = new QLabel(QStringLiteral("Szukany tekst"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(16, 8);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(120, 8, 249, 21);
    CheckBox1 = new QCheckBox(QString::fromUtf8(u8"Od początku rysunku"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->move(24, 32);
    CheckBox1->setChecked(true);
    CheckBox2 = new QCheckBox(QString::fromUtf8(u8"Usuń poprzednie zaznaczenia"), this);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    CheckBox2->move(24, 64);
    CheckBox2->setChecked(true);
    Button1 = new QPushButton(QStringLiteral("Szukaj"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(128, 96, 75, 25);
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("Rezygnuj"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(296, 96, 75, 25);
    connect(Button1, &QPushButton::clicked, this, &TForm_szukaj_tekst::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm_szukaj_tekst::Button2Click);
}

TForm_szukaj_tekst::~TForm_szukaj_tekst() {
    if (Form_szukaj_tekst == this)
        Form_szukaj_tekst = nullptr;
}

void TForm_szukaj_tekst::Button1Click() {
    SearchAccepted = true;
    accept();
}

void TForm_szukaj_tekst::Button2Click() {
    SearchAccepted = false;
    reject();
}

void TForm_szukaj_tekst::keyPressEvent(QKeyEvent* event) {
    // Escape presses "Rezygnuj"; the close box only closes, leaving the flag as it was.
    if (event->key() == Qt::Key_Escape) {
        Button2Click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void FindNextText() {
    TForm_szukaj_tekst* form = Form_szukaj_tekst;
    if (!form)
        return;
    CurrentPlatform().showModal(form);
    const QString fragment = form->Edit1->text();
    if (fragment.isEmpty() || !SearchAccepted) {
        refresh();
        return;
    }
    // Texts are Windows-1250 bytes in the drawing; the comparison is exact.
    const std::string wanted = ToCp1250(fragment);
    int request = form->CheckBox1->isChecked() ? CAD_GET_FIRST : CAD_GET_NEXT;
    for (;;) {
        const int entity = cadGetEntity(request, 0, 0);
        request = CAD_GET_NEXT;
        if (entity < 0) {
            ShowMessageBox(kMbWarning, QStringLiteral("Wynik poszukiwania"),
                           QString::fromUtf8(u8"Nie znaleziono w tekstach na rysunku wybranego "
                                             u8"fragmentu \"") +
                               fragment + QLatin1Char('"'));
            break;
        }
        if (!isText(entity))
            continue;
        const std::string text = cadPropGet(CAD_PROP_TEXT_STRING, entity).value_or("");
        if (text.find(wanted) == std::string::npos)
            continue;
        if (form->CheckBox2->isChecked())
            cadSelect(0, -1);
        cadSelect(1, entity);
        bringIntoView(entity);
        break;
    }
    refresh();
}

void SelectAllTexts() {
    for (int e = cadGetEntity(CAD_GET_FIRST, 0, 0); e >= 0; e = cadGetEntity(CAD_GET_NEXT, 0, 0))
        if (isText(e))
            cadSelect(1, e);
    refresh();
}
