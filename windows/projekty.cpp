#include "windows/projekty.h"

#include "support/Application.h"
#include "support/Cp1250.h"
#include "support/ProgramDirectory.h"
#include "support/brdodatkirozn.h"

#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

#include <cerrno>
#include <cstring>
#include <unistd.h>

TFormProjekty* FormProjekty = nullptr;

namespace {

constexpr int kMaxLines = 65535;

// Field k of a projects line (a missing one is empty), as text.
QString field(const QByteArray& line, int k) {
    FieldSplitter f;
    f.separator = ",";
    f.line = line.toStdString();
    f.split();
    return FromCp1250(f.field(k));
}

} // namespace

TFormProjekty::TFormProjekty(QWidget* parent) : QDialog(parent) {
    FormProjekty = this;
    setObjectName(QStringLiteral("FormProjekty"));
    setWindowTitle(QStringLiteral("Projekty"));
    setFixedSize(626, 254);

    TreeView1 = new QTreeWidget(this);
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setHeaderHidden(true);
    TreeView1->setGeometry(8, 8, 305, 200);
    TreeView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeView1->installEventFilter(this);
    connect(TreeView1, &QTreeWidget::itemClicked, this, [this] { TreeView1Click(); });
    connect(TreeView1, &QTreeWidget::itemDoubleClicked, this, [this] { Button1Click(); });

    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(8, 218, 90, 27);
    Button2 = new QPushButton(QStringLiteral("Rezygnuj"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(108, 218, 90, 27);
    connect(Button1, &QPushButton::clicked, this, &TFormProjekty::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TFormProjekty::Button2Click);

    Label1 = new QLabel(QStringLiteral("Opis wybranego projektu"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(324, 8, 294, 16);
    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(324, 28, 294, 100);
    Label2->setWordWrap(true);
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QFont bold = Label2->font();
    bold.setBold(true);
    Label2->setFont(bold);
    Label4 = new QLabel(QString::fromUtf8(u8"Ścieżka dostępu"), this);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label4->setGeometry(324, 140, 294, 16);
    Label3 = new QLabel(this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setGeometry(324, 160, 294, 40);
    Label3->setFont(bold);
    Label3->setWordWrap(true);
    Label3->setAlignment(Qt::AlignRight | Qt::AlignTop);
    setTabOrder(TreeView1, Button1);
    setTabOrder(Button1, Button2);
}

TFormProjekty::~TFormProjekty() {
    if (FormProjekty == this)
        FormProjekty = nullptr;
}

QString& TFormProjekty::remembered() {
    return rememberedDirectory ? *rememberedDirectory : ownRemembered_;
}

void TFormProjekty::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (QWidget* main = parentWidget())
        move(main->frameGeometry().center() - rect().center());
    FormActivate();
}

void TFormProjekty::FormActivate() {
    savedDirectory = remembered();
    const QString path = ProgramFile(QStringLiteral("projekty.prj"));
    if (!FileCanBeOpened(path))
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    QByteArrayList lines;
    while (!file.atEnd()) {
        if (lines.size() >= kMaxLines) {
            ShowGeneralErrorReport(
                QString::fromUtf8(u8"Plik projektów ma więcej niż 65535 wierszy: ") + path);
            return;
        }
        QByteArray line = file.readLine();
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        lines << line;
    }
    // Every line is split once here, where the showing starts: a line that cannot be (400
    // fields or more) is reported, and the window offers the projects before it.
    lines_.clear();
    for (const QByteArray& line : lines) {
        try {
            field(line, 1);
        } catch (const std::exception& error) {
            ShowGeneralErrorReport(path + QStringLiteral(", ") + QString::fromUtf8(u8"wiersz ") +
                                   QString::number(lines_.size() + 1) + QStringLiteral(": ") +
                                   QString::fromUtf8(error.what()));
            break;
        }
        lines_ << line;
    }
    TreeView1->clear();
    auto* root = new QTreeWidgetItem(TreeView1, {QStringLiteral("Dostępne projekty")});
    for (const QByteArray& line : lines_) {
        const QString name = field(line, 1);
        if (name == QStringLiteral("????????"))
            break;
        new QTreeWidgetItem(root, {name});
    }
    TreeView1->expandAll();
    Label3->setText(remembered());
}

void TFormProjekty::TreeView1Click() {
    const QTreeWidgetItem* item = TreeView1->currentItem();
    if (!item)
        return;
    const QString name = item->text(0).trimmed();
    for (const QByteArray& line : lines_) {
        if (field(line, 1).trimmed() != name)
            continue;
        Label2->setText(field(line, 3));
        const QString folder = field(line, 4);
        remembered() = folder.size() < 2 ? ProgramDirectory() + name + QLatin1Char('/')
                                         : folder.trimmed() + QLatin1Char('/');
        Label3->setText(remembered());
        return;
    }
}

bool TFormProjekty::eventFilter(QObject* watched, QEvent* event) {
    // Arrow keys in the tree choose like clicks, on pressing and on releasing.
    if (watched == TreeView1 &&
        (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
        const bool handled = QDialog::eventFilter(watched, event);
        if (event->type() == QEvent::KeyRelease)
            TreeView1Click();
        return handled;
    }
    return QDialog::eventFilter(watched, event);
}

bool TFormProjekty::enterRememberedDirectory() {
    const QByteArray folder = QFile::encodeName(remembered());
    if (::chdir(folder.constData()) == 0)
        return true;
    const int error = errno;
    ShowGeneralErrorReport(QString::fromUtf8(u8"Nie można przejść do folderu ") + remembered() +
                           QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error)));
    return false;
}

void TFormProjekty::Button1Click() {
    if (enterRememberedDirectory())
        accept();
}

void TFormProjekty::Button2Click() {
    remembered() = savedDirectory;
    if (enterRememberedDirectory())
        reject();
}
