#include "windows/kwl_info.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QSvgRenderer>
#include <QTimer>
#include <QToolButton>

TFormOProgramie* FormOProgramie = nullptr;

namespace {

const char8_t kAuthors[] = u8"Autorzy: zespół KWL_Edytora";

// The picture, 239 x 204 as drawn, stretched over the window.
QPixmap picture(QSize size) {
    QPixmap pixmap(size);
    pixmap.fill(QColor(120, 170, 220));
    QSvgRenderer svg(QStringLiteral(":/windows/about.svg"));
    if (svg.isValid()) {
        QPainter p(&pixmap);
        svg.render(&p, QRectF(QPointF(0, 0), QSizeF(size)));
    }
    return pixmap;
}

} // namespace

TFormOProgramie::TFormOProgramie(QWidget* parent) : QDialog(parent) {
    Q_INIT_RESOURCE(windows);
    FormOProgramie = this;
    setObjectName(QStringLiteral("FormOProgramie"));
    setWindowTitle(QString::fromUtf8(u8"Edytor rysunków"));
    setFixedSize(355, 307);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 355, 307);
    Image1->setScaledContents(true);
    Image1->setPixmap(picture(QSize(355, 307)));
    Image1->setToolTip(QString::fromUtf8(kAuthors));

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(100, 10, 245, 110);
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignRight | Qt::AlignTop);
    Label1->setAttribute(Qt::WA_TranslucentBackground);
    Label1->setStyleSheet(
        QStringLiteral("QLabel { color: #ffff00; font-weight: bold; background: transparent; }"));

    SpeedButton1 = new QToolButton(this);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setText(QStringLiteral("Zamknij"));
    SpeedButton1->setAutoRaise(true);
    SpeedButton1->setGeometry(135, 270, 85, 25);
    SpeedButton1->setStyleSheet(QStringLiteral(
        "QToolButton { color: white; font-weight: bold; background: rgba(0, 0, 0, 60); }"));
    connect(SpeedButton1, &QToolButton::clicked, this, &TFormOProgramie::SpeedButton1Click);

    // From start-up on, for the whole run: an open window closes at the next tick.
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(20000);
    connect(Timer1, &QTimer::timeout, this, &TFormOProgramie::Timer1Timer);
    Timer1->start();
    setVersion(QString());
}

TFormOProgramie::~TFormOProgramie() {
    if (FormOProgramie == this)
        FormOProgramie = nullptr;
}

void TFormOProgramie::setVersion(const QString& versionText) {
    Label1->setText(QString::fromUtf8(u8"KWL_Edytor — edytor rysunków drogowych\n") +
                    QString::fromUtf8(kAuthors) +
                    QString::fromUtf8(u8"\nWszelkie prawa zastrzeżone\nwersja: ") + versionText);
}

void TFormOProgramie::SpeedButton1Click() {
    close();
}

void TFormOProgramie::Timer1Timer() {
    if (isVisible())
        close();
}

void TFormOProgramie::keyPressEvent(QKeyEvent* event) {
    if (!event->text().isEmpty() || event->key() == Qt::Key_Escape ||
        event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        close();
        return;
    }
    QDialog::keyPressEvent(event);
}
