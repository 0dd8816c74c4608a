#include "windows/Kwlpomoc.h"

#include "support/ProgramDirectory.h"
#include "support/brdodatkirozn.h"
#include "windows/RtfReader.h"

#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBlock>
#include <QTextEdit>
#include <QVBoxLayout>

TFormKwlpomoc* FormKwlpomoc = nullptr;

namespace {

constexpr int kPanelHeight = 52;
constexpr int kMinimumWidth = 640;
constexpr int kMinimumClientHeight = 400;

} // namespace

FindDialog::FindDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FindDialog1"));
    setWindowTitle(QString::fromUtf8(u8"Znajdź"));
    setModal(false);
    findText = new QLineEdit(this);
    findText->setObjectName(QStringLiteral("findText"));
    auto* label = new QLabel(QString::fromUtf8(u8"Znajdź:"), this);
    label->setBuddy(findText);
    auto* direction = new QGroupBox(QStringLiteral("Kierunek"), this);
    up = new QRadioButton(QString::fromUtf8(u8"W górę"), direction);
    up->setObjectName(QStringLiteral("up"));
    down = new QRadioButton(QString::fromUtf8(u8"W dół"), direction);
    down->setObjectName(QStringLiteral("down"));
    down->setChecked(true);
    auto* directionLayout = new QHBoxLayout(direction);
    directionLayout->addWidget(up);
    directionLayout->addWidget(down);
    findNext = new QPushButton(QString::fromUtf8(u8"Znajdź następny"), this);
    findNext->setObjectName(QStringLiteral("findNext"));
    findNext->setDefault(true);
    cancel = new QPushButton(QStringLiteral("Anuluj"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    auto* left = new QVBoxLayout;
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(findText);
    left->addLayout(row);
    left->addWidget(direction);
    auto* right = new QVBoxLayout;
    right->addWidget(findNext);
    right->addWidget(cancel);
    right->addStretch();
    auto* all = new QHBoxLayout(this);
    all->addLayout(left, 1);
    all->addLayout(right);
    connect(findNext, &QPushButton::clicked, this, &FindDialog::find);
    connect(cancel, &QPushButton::clicked, this, &QDialog::close);
}

TFormKwlpomoc::TFormKwlpomoc(QWidget* parent) : QWidget(parent, Qt::Window) {
    FormKwlpomoc = this;
    setObjectName(QStringLiteral("FormKwlpomoc"));
    setWindowTitle(QStringLiteral("Opis programu"));
    // A window of its own beside the main window, but the program ends when the main window
    // closes, whether the description is open or not.
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(648, 497);

    RichEdit1 = new QTextEdit(this);
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    RichEdit1->setReadOnly(true);
    RichEdit1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette yellow = RichEdit1->palette();
    yellow.setColor(QPalette::Base, QColor(255, 255, 225));
    RichEdit1->setPalette(yellow);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Button3 = new QPushButton(QStringLiteral("Wyszukiwanie"), Panel1);
    Button3->setObjectName(QStringLiteral("Button3"));
    Button3->setGeometry(8, 13, 110, 27);
    Button1 = new QPushButton(QStringLiteral("Zamknij"), Panel1);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->resize(90, 27);
    connect(Button1, &QPushButton::clicked, this, &TFormKwlpomoc::Button1Click);
    connect(Button3, &QPushButton::clicked, this, &TFormKwlpomoc::Button3Click);

    FindDialog1 = new FindDialog(this);
    connect(FindDialog1, &FindDialog::find, this, &TFormKwlpomoc::FindDialog1Find);

    // Not smaller than 640 wide and a client area 400 high.
    setMinimumSize(kMinimumWidth, kMinimumClientHeight);
    FormCreate();
}

TFormKwlpomoc::~TFormKwlpomoc() {
    if (FormKwlpomoc == this)
        FormKwlpomoc = nullptr;
}

void TFormKwlpomoc::FormCreate() {
    // The description of the current directory; an installed program started elsewhere finds
    // the one it ships in its own folder.
    QString path = QStringLiteral("kwl_OPIS.rtf");
    if (!FileCanBeOpened(path))
        path = ProgramFile(path);
    if (!FileCanBeOpened(path))
        return;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        ReadRtf(file.readAll(), *RichEdit1->document());
        RichEdit1->moveCursor(QTextCursor::Start); // shown from its beginning
    }
}

void TFormKwlpomoc::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    RichEdit1->setGeometry(0, 0, width(), std::max(0, height() - kPanelHeight - 8));
    Panel1->setGeometry(0, height() - kPanelHeight, width(), kPanelHeight);
    Button1->move((width() - Button1->width()) / 2, 13);
}

void TFormKwlpomoc::Button1Click() {
    hide();
    FindDialog1->close();
}

void TFormKwlpomoc::Button3Click() {
    FindDialog1->down->setChecked(true);
    FindDialog1->show();
    FindDialog1->raise();
}

void TFormKwlpomoc::FindDialog1Find() {
    const QString wanted = FindDialog1->findText->text();
    if (wanted.isEmpty())
        return;
    const QTextCursor current = RichEdit1->textCursor();
    // From the end of the selection, or from the start when nothing is selected; forward only,
    // any letter case, never wrapping.
    const int start = current.hasSelection() ? current.selectionEnd() : 0;
    const QTextCursor found = RichEdit1->document()->find(wanted, start);
    if (found.isNull())
        return;
    RichEdit1->setFocus();
    RichEdit1->setTextCursor(found);
}
