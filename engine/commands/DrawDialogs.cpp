#include "engine/commands/DrawDialogs.h"

#include "engine/Engine.h"
#include "engine/model/HatchPatterns.h"
#include "engine/model/Merge.h"
#include "engine/render/Renderer.h"
#include "engine/ui/Dialogs.h"
#include "engine/ui/Printing.h"
#include "engine/ui/QtResponder.h"
#include "engine/view/TypedCoordinates.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFontComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringDecoder>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cmath>

namespace cad {

namespace {

// What the person chose last, offered again.
struct TextChoice {
    QString text;
    double height = 2.5, rotation = 0;
    int style = -1, align = 0;
};
TextChoice lastText;
struct SymbolChoice {
    QString family;
    int code = 'A';
    double height = 5;
};
SymbolChoice lastSymbol;
struct HatchChoice {
    int pattern = 1;
    double scale = 1, angle = 0;
};
HatchChoice lastHatch;
std::string lastBlock;

// The descriptions of the patterns, in the order of the engine's table.
constexpr int kPatternTexts = 11911;

QDoubleSpinBox* numberBox(double value, double least, double most, int decimals) {
    auto* box = new QDoubleSpinBox;
    // Numbers with a point, whatever the person's language.
    box->setLocale(QLocale::c());
    box->setRange(least, most);
    box->setDecimals(decimals);
    box->setValue(value);
    return box;
}

QDialogButtonBox* buttons(QDialog* dialog, const char* prefix) {
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    box->button(QDialogButtonBox::Ok)->setText(engineText(11201));
    box->button(QDialogButtonBox::Cancel)->setText(engineText(11202));
    box->button(QDialogButtonBox::Ok)->setObjectName(QString::fromLatin1(prefix) + "Ok");
    box->button(QDialogButtonBox::Cancel)->setObjectName(QString::fromLatin1(prefix) + "Cancel");
    QObject::connect(box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return box;
}

} // namespace

// ---- text ---------------------------------------------------------------------------------------

TextDialog::TextDialog(const Drawing& d, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("cadTextDialog"));
    setWindowTitle(engineText(13201));
    auto* form = new QFormLayout(this);
    text_ = new QPlainTextEdit(lastText.text);
    text_->setObjectName(QStringLiteral("cadTextDialogText"));
    text_->setMinimumSize(320, 90);
    form->addRow(engineText(13229), text_);
    height_ = numberBox(lastText.height, 1e-6, 1e9, 3);
    height_->setObjectName(QStringLiteral("cadTextDialogHeight"));
    form->addRow(engineText(13222), height_);
    rotation_ = numberBox(lastText.rotation, -360, 360, 3);
    rotation_->setObjectName(QStringLiteral("cadTextDialogRotation"));
    form->addRow(engineText(13224), rotation_);
    style_ = new QComboBox;
    style_->setObjectName(QStringLiteral("cadTextDialogStyle"));
    for (const TextStyle& s : d.textStyles)
        style_->addItem(fromEngineText(s.name));
    const int style = lastText.style >= 0 && lastText.style < style_->count() ? lastText.style
                                                                              : d.current.textStyle;
    style_->setCurrentIndex(style);
    form->addRow(engineText(13228), style_);
    align_ = new QComboBox;
    align_->setObjectName(QStringLiteral("cadTextDialogAlign"));
    // The engine's alignments from bottom left to top right: 0..8.
    for (int a = 0; a < 9; ++a)
        align_->addItem(engineText(13203 + a));
    align_->setCurrentIndex(lastText.align);
    form->addRow(engineText(13227), align_);
    form->addRow(buttons(this, "cadTextDialog"));
    text_->setFocus();
}

std::vector<std::string> TextDialog::lines() const {
    std::vector<std::string> out;
    for (const QString& line : text_->toPlainText().split(QLatin1Char('\n')))
        out.push_back(toEngineText(line));
    while (!out.empty() && out.back().empty())
        out.pop_back();
    return out;
}

TextParams TextDialog::params() const {
    TextParams p;
    p.height = height_->value();
    p.rotation = rotation_->value();
    p.align = align_->currentIndex();
    p.style = std::max(0, style_->currentIndex());
    return p;
}

void TextDialog::accept() {
    if (lines().empty()) {
        text_->setFocus();
        return;
    }
    lastText = {text_->toPlainText(), height_->value(), rotation_->value(), style_->currentIndex(),
                align_->currentIndex()};
    QDialog::accept();
}

// ---- symbol -------------------------------------------------------------------------------------

namespace {
constexpr int kColumns = 16, kFirstCode = 0x20, kCodes = 0x100 - kFirstCode;
}

SymbolDialog::SymbolDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("cadSymbolDialog"));
    setWindowTitle(engineText(14201));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    font_ = new QFontComboBox;
    font_->setObjectName(QStringLiteral("cadSymbolDialogFont"));
    if (!lastSymbol.family.isEmpty())
        font_->setCurrentFont(QFont(lastSymbol.family));
    form->addRow(engineText(14203), font_);
    height_ = numberBox(lastSymbol.height, 1e-6, 1e9, 3);
    height_->setObjectName(QStringLiteral("cadSymbolDialogHeight"));
    form->addRow(engineText(14202), height_);
    layout->addLayout(form);
    table_ = new QTableWidget(kCodes / kColumns, kColumns);
    table_->setObjectName(QStringLiteral("cadSymbolDialogTable"));
    table_->horizontalHeader()->hide();
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    for (int c = 0; c < kColumns; ++c)
        table_->setColumnWidth(c, 28);
    table_->setMinimumSize(28 * kColumns + 24, 28 * 8);
    layout->addWidget(table_);
    layout->addWidget(buttons(this, "cadSymbolDialog"));
    connect(font_, &QFontComboBox::currentFontChanged, this, [this] { fill(); });
    connect(table_, &QTableWidget::cellDoubleClicked, this, [this] { accept(); });
    fill();
    const int code = std::clamp(lastSymbol.code, kFirstCode, 0xFF) - kFirstCode;
    table_->setCurrentCell(code / kColumns, code % kColumns);
}

void SymbolDialog::fill() {
    QStringDecoder decoder("windows-1250");
    QFont font = font_->currentFont();
    font.setPointSize(14);
    for (int i = 0; i < kCodes; ++i) {
        const char byte = static_cast<char>(kFirstCode + i);
        auto* item = new QTableWidgetItem(decoder(QByteArray(1, byte)));
        item->setFont(font);
        item->setTextAlignment(Qt::AlignCenter);
        table_->setItem(i / kColumns, i % kColumns, item);
    }
}

std::string SymbolDialog::family() const {
    return toEngineText(font_->currentFont().family());
}

char SymbolDialog::character() const {
    const int row = std::max(0, table_->currentRow()),
              column = std::max(0, table_->currentColumn());
    return static_cast<char>(kFirstCode + row * kColumns + column);
}

double SymbolDialog::height() const {
    return height_->value();
}

void SymbolDialog::accept() {
    lastSymbol = {font_->currentFont().family(), static_cast<unsigned char>(character()),
                  height_->value()};
    QDialog::accept();
}

// ---- hatch --------------------------------------------------------------------------------------

HatchDialog::HatchDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("cadHatchDialog"));
    setWindowTitle(engineText(11901));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(engineText(11902)));
    list_ = new QTreeWidget;
    list_->setObjectName(QStringLiteral("cadHatchDialogList"));
    list_->setColumnCount(2);
    list_->setHeaderLabels({engineText(11904), engineText(11906)});
    list_->setRootIsDecorated(false);
    const auto& patterns = hatchPatterns();
    for (std::size_t i = 0; i < patterns.size(); ++i)
        list_->addTopLevelItem(new QTreeWidgetItem(
            {QString::fromLatin1(patterns[i].name.data(), qsizetype(patterns[i].name.size())),
             engineText(kPatternTexts + static_cast<int>(i))}));
    list_->setCurrentItem(list_->topLevelItem(
        std::clamp(lastHatch.pattern, 0, static_cast<int>(patterns.size()) - 1)));
    list_->setMinimumWidth(360);
    layout->addWidget(list_);
    auto* form = new QFormLayout;
    scale_ = numberBox(lastHatch.scale, 1e-6, 1e9, 4);
    scale_->setObjectName(QStringLiteral("cadHatchDialogScale"));
    form->addRow(engineText(13604), scale_);
    angle_ = numberBox(lastHatch.angle, -360, 360, 3);
    angle_->setObjectName(QStringLiteral("cadHatchDialogAngle"));
    form->addRow(engineText(13603), angle_);
    layout->addLayout(form);
    layout->addWidget(buttons(this, "cadHatchDialog"));
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { accept(); });
}

std::string HatchDialog::pattern() const {
    const auto& patterns = hatchPatterns();
    const int row = std::max(0, list_->indexOfTopLevelItem(list_->currentItem()));
    return std::string(patterns[static_cast<std::size_t>(row)].name);
}

bool HatchDialog::solid() const {
    return patternNamed(pattern()).lines.empty();
}

double HatchDialog::scale() const {
    return scale_->value();
}

double HatchDialog::angle() const {
    return angle_->value();
}

void HatchDialog::accept() {
    lastHatch = {std::max(0, list_->indexOfTopLevelItem(list_->currentItem())), scale_->value(),
                 angle_->value()};
    QDialog::accept();
}

// ---- blocks -------------------------------------------------------------------------------------

QImage blockPicture(const Drawing& d, int block, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    if (block < 0 || static_cast<std::size_t>(block) >= d.blocks.size())
        return image;
    Drawing picture;
    picture.layers = d.layers;
    ScratchWriter writer(picture);
    copyBlocks(writer, d, d.blocks[static_cast<std::size_t>(block)].name);
    const int inner = picture.findBlock(d.blocks[static_cast<std::size_t>(block)].name);
    if (inner < 0)
        return image;
    const Vec2 base = picture.blocks[static_cast<std::size_t>(inner)].base;
    picture.addInsert({inner, base, 1, 1, 0});
    const Rect r = picture.extents();
    if (r.empty())
        return image;
    const double perPixel =
        std::max({r.width() / (size.width() - 8), r.height() / (size.height() - 8), 1e-9});
    QPainter p(&image);
    RenderOptions options;
    options.showLineWidths = false;
    renderDrawing(p, picture,
                  RenderView::centredOn(r.centre(), perPixel, size.width(), size.height()),
                  options);
    return image;
}

BlockDialog::BlockDialog(const Drawing& d, QWidget* parent) : QDialog(parent), d_(d) {
    setObjectName(QStringLiteral("cadBlockDialog"));
    setWindowTitle(engineText(12001));
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(new QLabel(engineText(12004)));
    list_ = new QListWidget;
    list_->setObjectName(QStringLiteral("cadBlockDialogList"));
    int select = 0;
    for (std::size_t i = 0; i < d.blocks.size(); ++i) {
        list_->addItem(fromEngineText(d.blocks[i].name));
        if (d.blocks[i].name == lastBlock)
            select = static_cast<int>(i);
    }
    left->addWidget(list_);
    row->addLayout(left);
    auto* right = new QVBoxLayout;
    right->addWidget(new QLabel(engineText(12005)));
    picture_ = new QLabel;
    picture_->setObjectName(QStringLiteral("cadBlockDialogPicture"));
    picture_->setFixedSize(200, 200);
    picture_->setFrameShape(QFrame::Box);
    right->addWidget(picture_);
    auto* size = new QFormLayout;
    width_ = new QLabel;
    height_ = new QLabel;
    count_ = new QLabel;
    size->addRow(engineText(12008), width_);
    size->addRow(engineText(12009), height_);
    size->addRow(engineText(12010), count_);
    right->addWidget(new QLabel(engineText(12007)));
    right->addLayout(size);
    row->addLayout(right);
    layout->addLayout(row);
    auto* scaleRow = new QFormLayout;
    scale_ = new QLineEdit;
    scale_->setObjectName(QStringLiteral("cadBlockDialogScale"));
    scale_->setPlaceholderText(engineText(12056));
    scaleRow->addRow(engineText(12054), scale_);
    layout->addLayout(scaleRow);
    printed_ = new QLabel;
    printed_->setObjectName(QStringLiteral("cadBlockDialogPrinted"));
    printed_->setWordWrap(true);
    layout->addWidget(printed_);
    layout->addWidget(buttons(this, "cadBlockDialog"));
    connect(list_, &QListWidget::currentRowChanged, this, [this](int r) { show(r); });
    connect(scale_, &QLineEdit::textChanged, this, [this] { showPrintedSize(); });
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] { accept(); });
    list_->setCurrentRow(select);
    show(select);
}

void BlockDialog::show(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= d_.blocks.size())
        return;
    picture_->setPixmap(QPixmap::fromImage(blockPicture(d_, row, picture_->size())));
    const Rect r = d_.blockExtents(row);
    width_->setText(QString::number(r.width(), 'f', 3));
    height_->setText(QString::number(r.height(), 'f', 3));
    count_->setText(QString::number(d_.blocks[static_cast<std::size_t>(row)].entities.size()));
    // A block the program gave a size on paper: the scale that prints it that large.
    const auto known = engine().blockPaperMm.find(d_.blocks[static_cast<std::size_t>(row)].name);
    if (known != engine().blockPaperMm.end() && !r.empty()) {
        const double s = scaleForPaperSize(std::max(r.width(), r.height()), known->second,
                                           d_.settings.units, d_.settings.printScale);
        scale_->setText(QString::number(s, 'g', 4));
    } else {
        scale_->clear();
    }
    showPrintedSize();
}

void BlockDialog::showPrintedSize() {
    const int row = block();
    const auto s = scale();
    const Rect r = row >= 0 ? d_.blockExtents(row) : Rect{};
    if (!s || r.empty()) {
        printed_->clear();
        return;
    }
    const double size = std::max(r.width(), r.height());
    const double printScale = d_.settings.printScale; // the drawing's, as its print takes
    // To a tenth of a millimetre, a whole one without its ".0".
    const double paper = std::round(printedSize(size, *s, d_.settings.units, printScale) * 10) / 10;
    printed_->setText(fromEngineText(
        formatText(engine().text(12055), {toEngineText(scaleText(printScale)),
                                          formatNumber(paper, paper == std::floor(paper) ? 0 : 1),
                                          formatNumber(size * *s, 3)})));
}

std::optional<double> BlockDialog::scale() const {
    const auto s = parseTypedValue(scale_->text().toStdString());
    return s && *s > 0 && std::isfinite(*s) ? s : std::nullopt;
}

double scaleForPaperSize(double blockSize, double paperMm, int units, double printScale) {
    // On paper: size x scale x mm in a unit / print scale.
    const double per = blockSize * millimetresPerUnit(units) / printScale;
    return per > 0 && std::isfinite(per) ? paperMm / per : 1.0;
}

double printedSize(double blockSize, double scale, int units, double printScale) {
    return blockSize * scale * millimetresPerUnit(units) / printScale;
}

int BlockDialog::block() const {
    return list_->currentRow();
}

void BlockDialog::accept() {
    if (block() < 0)
        return;
    // A scale that cannot be read keeps the dialog open.
    if (!scale_->text().trimmed().isEmpty() && !scale()) {
        scale_->setFocus();
        scale_->selectAll();
        return;
    }
    lastBlock = d_.blocks[static_cast<std::size_t>(block())].name;
    QDialog::accept();
}

} // namespace cad
