#include "engine/ui/Toolbars.h"

#include "engine/Engine.h"
#include "engine/snap/SnapCommands.h"
#include "engine/ui/Clipboard.h"
#include "engine/ui/QtResponder.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QToolButton>

#include <algorithm>
#include <cmath>

// The icons live in the engine's static library: nothing else would pull them in.
static void loadEngineIcons() {
    Q_INIT_RESOURCE(icons);
}

namespace cad {

namespace {

// Tooltips are engine texts: the program answers them in Polish. The snaps 17501-17512 take
// 19101-19112, their settings 19113; the layers dialog takes its caption, 11501.
const std::vector<ButtonLook> looks = {
    // Files, view, clipboard
    {17003, "save", 19003},
    {17031, "print", 19004},
    {17051, "zoom-all", 19006},
    {17052, "zoom-window", 19007},
    {17053, "pan", 19010},
    {17055, "zoom-in", 19008},
    {17056, "zoom-out", 19009},
    {17061, "zoom-previous", 19011},
    {17062, "zoom-selection", 19012},
    {17081, "view-save", 10988},
    {17082, "view-list", 10985},
    {18171, "redraw", 19028},
    {17431, "undo", 19032},
    {17432, "redo", 19033},
    {17441, "cut", 19034},
    {17442, "copy", 19035},
    {17443, "paste", 19036},
    {17453, "layers", 11501},
    // Editing
    {17401, "properties", 19037},
    {17402, "copy-objects", 19038},
    {17403, "move", 19039},
    {17404, "rotate", 19040},
    {17405, "scale", 19041},
    {17406, "mirror", 19042},
    {17407, "delete", 19043},
    {17408, "explode", 19044},
    {17409, "make-block", 19045},
    // Modifying (their names are their tooltips)
    {17701, "offset", 18601},
    {17702, "trim", 18602},
    {17703, "extend", 18603},
    {17704, "fillet", 18604},
    {17705, "chamfer", 18605},
    {17706, "break", 18606},
    {17707, "join", 18607},
    {17708, "stretch", 18608},
    {17709, "array", 18609},
    {17710, "lengthen", 18610},
    {17711, "reverse", 18611},
    // Drawing
    {17110, "point", 19051},
    {17120, "line", 19052},
    {17130, "polyline", 19053},
    {17131, "spline", 19054},
    {17140, "circle", 19055},
    {17143, "circle-3p", 19056},
    {17150, "arc", 19057},
    {17154, "arc-3p", 19058},
    {17170, "ellipse", 19059},
    {17180, "rectangle", 19060},
    {17240, "hatch", 19061},
    {17250, "text", 19062},
    {17260, "symbol", 19063},
    {17280, "insert-block", 19064},
    {17290, "image", 19065},
    // Draw order
    {17621, "order-swap", 19244},
    {17622, "order-top", 19245},
    {17623, "order-bottom", 19246},
    {17624, "hatches-bottom", 19247},
    // Dimensions: the short names of the kinds; the styles take the dialog's caption, 11801.
    {17601, "dim-horizontal", 19219},
    {17602, "dim-vertical", 19220},
    {17603, "dim-parallel", 19221},
    {17604, "dim-angular", 19222},
    {17605, "dim-radial", 19223},
    {17606, "dim-diametric", 19224},
    {17607, "dim-ordinate", 19225},
    {17610, "dim-styles", 11801},
    // Display and tools
    {17304, "grid", 19022},
    {18173, "line-widths", 19026},
    {18174, "line-axes", 19023},
    {18175, "fill-outlines", 19024},
    {18501, "info", 19027},
    {18502, "measure", 19025},
    // Print areas and sheets
    {17801, "print-areas", 19005},
    {17802, "print-sheets", 16240},
    {17803, "print-window", 19204},
    {17804, "export-bmp", 19205},
    // Snaps
    {17501, "snap-end", 19101},
    {17502, "snap-middle", 19102},
    {17503, "snap-intersection", 19103},
    {17504, "snap-centre", 19104},
    {17505, "snap-tracking", 19105},
    {17506, "snap-perpendicular", 19106},
    {17507, "snap-tangent", 19107},
    {17508, "snap-node", 19108},
    {17509, "snap-nearest", 19109},
    {17510, "snap-grid", 19110},
    {17511, "snap-polar", 19111},
    {17512, "snap-none", 19112},
    {17513, "snap-settings", 19113},
};

QColor fromWindowsColor(unsigned int c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

} // namespace

const std::vector<ButtonLook>& buttonLooks() {
    return looks;
}

const ButtonLook* buttonLook(int command) {
    const auto it = std::find_if(looks.begin(), looks.end(),
                                 [command](const ButtonLook& l) { return l.command == command; });
    return it == looks.end() ? nullptr : &*it;
}

QString buttonIconPath(int command) {
    static const bool loaded = (loadEngineIcons(), true);
    (void)loaded;
    const ButtonLook* look = buttonLook(command);
    return QStringLiteral(":/cadengine/icons/%1.svg")
        .arg(QString::fromLatin1(look ? look->icon : "command"));
}

QIcon buttonIcon(int command) {
    return QIcon(buttonIconPath(command));
}

QString buttonToolTip(int command) {
    const ButtonLook* look = buttonLook(command);
    if (!look)
        return QStringLiteral("%1").arg(command);
    return engineText(look->textNumber);
}

std::vector<int> defaultButtons(int toolbarId) {
    switch (toolbarId) {
    case CAD_TOOLBAR_STANDARD:
        return {17003, 17031, 0,     17051, 17052, 17053, 17055, 17056, 17061, 17062, 0,     17431,
                17432, 0,     17441, 17442, 17443, 0,     17453, 0,     17801, 17802, 17803, 17804};
    case CAD_TOOLBAR_DRAW:
        return {17110, 17120, 17130, 17131, 0,     17140, 17143, 17150, 17154,
                17170, 17180, 0,     17240, 17250, 17260, 17280, 17290};
    case CAD_TOOLBAR_DIMENSIONS:
        return {17601, 17602, 17603, 17604, 17605, 17606, 17607, 0, 17610};
    case CAD_TOOLBAR_EDIT:
        return {17401, 0, 17402, 17403, 17404, 17405, 17406, 0, 17407, 17408, 17409};
    case CAD_TOOLBAR_MODIFY:
        return {CAD_CMD_OFFSET,
                CAD_CMD_TRIM,
                CAD_CMD_EXTEND,
                0,
                CAD_CMD_FILLET,
                CAD_CMD_CHAMFER,
                0,
                CAD_CMD_BREAK,
                CAD_CMD_JOIN,
                CAD_CMD_STRETCH,
                CAD_CMD_LENGTHEN,
                CAD_CMD_REVERSE,
                0,
                CAD_CMD_ARRAY};
    case CAD_TOOLBAR_ORDER:
        return {CAD_CMD_ENTITY_TO_TOP, CAD_CMD_ENTITY_TO_BOTTOM, CAD_CMD_SWAP_ENTITIES,
                CAD_CMD_HATCHES_TO_BOTTOM};
    case CAD_TOOLBAR_SNAPS: {
        std::vector<int> codes;
        for (int c = CAD_CMD_SNAP_END; c < CAD_CMD_SNAP_NONE; ++c)
            codes.push_back(c);
        for (const int c : {0, CAD_CMD_SNAP_NONE, 0, CAD_CMD_SNAP_SETTINGS})
            codes.push_back(c);
        return codes;
    }
    default:
        return {};
    }
}

bool isSnapMode(int command) {
    return isSnapToggle(command);
}

// ---- command buttons ---------------------------------------------------------------------------

CommandToolBar::CommandToolBar(int id, const std::vector<int>& commands,
                               Qt::Orientation orientation, QWidget* parent)
    : QToolBar(parent) {
    setObjectName(QStringLiteral("cadToolbar%1").arg(id));
    setOrientation(orientation);
    setMovable(false);
    setFloatable(false);
    setIconSize(QSize(16, 16));
    for (const int code : commands) {
        if (code == 0) {
            addSeparator();
            continue;
        }
        QAction* action = addAction(buttonIcon(code), buttonToolTip(code));
        action->setToolTip(buttonToolTip(code));
        action->setCheckable(isSnapMode(code));
        if (QWidget* button = widgetForAction(action))
            button->setObjectName(QStringLiteral("cadButton%1").arg(code));
        connect(action, &QAction::triggered, this, [this, code] { run(code); });
        actions_.emplace_back(code, action);
    }
    updateButtons();
    observer_ = engine().addObserver([this] { updateButtons(); });
    // Paste follows what the clipboard holds, whoever put it there.
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        connect(clipboard, &QClipboard::dataChanged, this, [this] { updateButtons(); });
}

CommandToolBar::~CommandToolBar() {
    engine().removeObserver(observer_);
}

namespace {

// Whether a command can run now. Without a drawing only the ways of snapping, which hold for the
// whole run, can; undo and redo need a change to take back or make anew, paste a drawing on the
// clipboard.
bool canRun(int code) {
    if (!cadCommandExists(code))
        return false;
    const Document* d = engine().active();
    if (!d)
        return (isSnapMode(code) && code != CAD_CMD_SNAP_GRID) || code == CAD_CMD_SNAP_SETTINGS;
    switch (code) {
    case CAD_CMD_UNDO:
        return d->journal.canUndo();
    case CAD_CMD_REDO:
        return d->journal.canRedo();
    case CAD_CMD_PASTE:
        return clipboardHoldsDrawing();
    default:
        return true;
    }
}

} // namespace

void CommandToolBar::updateButtons() {
    for (auto& [code, action] : actions_) {
        action->setEnabled(canRun(code));
        // The snap buttons show the state they toggle.
        if (action->isCheckable())
            action->setChecked(snapToggleChecked(code));
    }
}

void CommandToolBar::showEvent(QShowEvent* event) {
    updateButtons();
    QToolBar::showEvent(event);
}

void CommandToolBar::run(int command) {
    cadExecute(command);
    // A toggle that could not change (the grid without a drawing) shows its state again.
    updateButtons();
}

// ---- layers and line styles --------------------------------------------------------------------

QIcon colorSwatchIcon(unsigned int color) {
    QPixmap pixmap(14, 14);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QColor(80, 80, 80));
    p.setBrush(fromWindowsColor(color));
    p.drawRect(1, 1, 11, 11);
    p.end();
    return QIcon(pixmap);
}

QIcon linePatternIcon(const std::vector<double>& pattern) {
    constexpr int width = 48, height = 12;
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QPen(Qt::black, 1.5, Qt::SolidLine, Qt::FlatCap));
    const double y = height / 2.0;
    double total = 0;
    for (const double v : pattern)
        total += std::abs(v);
    if (pattern.empty() || !(total > 0)) {
        p.drawLine(QPointF(1, y), QPointF(width - 1, y));
        return QIcon(pixmap);
    }
    // Two repeats of the pattern across the picture, whatever its units.
    const double scale = (width - 2) / (2 * total);
    double x = 1;
    for (int guard = 0; x < width - 1 && guard < 200; ++guard) {
        for (const double v : pattern) {
            if (x >= width - 1)
                break;
            if (v > 0) {
                p.drawLine(QPointF(x, y), QPointF(std::min(x + v * scale, width - 1.0), y));
                x += v * scale;
            } else if (v < 0) {
                x += -v * scale;
            } else {
                p.drawPoint(QPointF(x, y));
                x += 1;
            }
        }
    }
    p.end();
    return QIcon(pixmap);
}

TableToolBar::TableToolBar(int id, Table table, QWidget* parent) : QToolBar(parent), table_(table) {
    setObjectName(QStringLiteral("cadToolbar%1").arg(id));
    setMovable(false);
    setFloatable(false);
    combo_ = new QComboBox(this);
    combo_->setObjectName(table == Table::Layers ? QStringLiteral("cadLayerCombo")
                                                 : QStringLiteral("cadLineStyleCombo"));
    combo_->setMinimumWidth(120);
    combo_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    combo_->setIconSize(table == Table::Layers ? QSize(14, 14) : QSize(48, 12));
    combo_->setToolTip(engineText(table == Table::Layers ? 11501 : 11645));
    addWidget(combo_);
    connect(combo_, &QComboBox::currentIndexChanged, this, [this](int index) { choose(index); });
    refresh();
    observer_ = engine().addObserver([this] { refresh(); });
}

TableToolBar::~TableToolBar() {
    engine().removeObserver(observer_);
}

void TableToolBar::refresh() {
    const Drawing* dr = activeDrawing();
    std::vector<QString> names;
    int current = -1;
    if (dr) {
        if (table_ == Table::Layers) {
            for (const Layer& l : dr->layers) {
                names.push_back(fromEngineText(engine().layerTitle(l.name)) + QLatin1Char('\x1f') +
                                QString::number(l.color));
            }
            current = dr->current.layer;
        } else {
            for (const LineStyle& s : dr->lineStyles)
                names.push_back(fromEngineText(s.name) + QLatin1Char('\x1f') +
                                fromEngineText(s.definition));
            current = dr->current.lineStyle;
        }
    }
    const QSignalBlocker block(combo_);
    if (names != shown_) {
        combo_->clear();
        if (dr) {
            if (table_ == Table::Layers)
                for (const Layer& l : dr->layers)
                    combo_->addItem(colorSwatchIcon(l.color),
                                    fromEngineText(engine().layerTitle(l.name)));
            else
                for (const LineStyle& s : dr->lineStyles)
                    combo_->addItem(linePatternIcon(s.pattern), fromEngineText(s.name));
        }
        shown_ = std::move(names);
    }
    combo_->setCurrentIndex(current >= 0 && current < combo_->count() ? current : -1);
    combo_->setEnabled(dr != nullptr);
}

void TableToolBar::choose(int index) {
    if (index < 0)
        return;
    if (table_ == Table::Layers)
        cadLayerActive(index);
    else
        cadStLineActive(index);
}

} // namespace cad
