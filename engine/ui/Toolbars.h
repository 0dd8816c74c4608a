// The engine's toolbars: rows or columns of command buttons, and the two drop-downs that show
// the active document's layers and line styles.
#pragma once

#include <QString>
#include <QToolBar>

#include <string_view>
#include <vector>

class QAction;
class QComboBox;
class QIcon;

namespace cad {

// What a command button shows: its icon in the resource and the number of its tooltip text.
struct ButtonLook {
    int command;
    const char* icon; // file name under :/cadengine/icons/, without ".svg"
    int textNumber;   // engine text for the tooltip
};

// Every command the engine has a look for.
const std::vector<ButtonLook>& buttonLooks();
// The look of a command, or nullptr when it has none of its own.
const ButtonLook* buttonLook(int command);
// The resource path of a command's icon; commands without a look get the generic icon.
QString buttonIconPath(int command);
QIcon buttonIcon(int command);
QString buttonToolTip(int command);
// The engine's own buttons of a toolbar (0: separator).
std::vector<int> defaultButtons(int toolbarId);
// The snap toggles (17501-17512) get checkable buttons, which show the state they toggle.
bool isSnapMode(int command);

// A row (or column) of command buttons. Buttons of commands the engine does not have are
// disabled; that is checked again whenever the toolbar is shown and when the tables change.
class CommandToolBar : public QToolBar {
public:
    CommandToolBar(int id, const std::vector<int>& commands, Qt::Orientation orientation,
                   QWidget* parent);
    ~CommandToolBar() override;
    void updateButtons();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void run(int command);
    std::vector<std::pair<int, QAction*>> actions_;
    int observer_ = 0;
};

// The layer or line-style drop-down of the active document.
class TableToolBar : public QToolBar {
public:
    enum class Table { Layers, LineStyles };
    TableToolBar(int id, Table table, QWidget* parent);
    ~TableToolBar() override;
    QComboBox* combo() const { return combo_; }
    // Shows the active document's table again.
    void refresh();

private:
    void choose(int index);
    Table table_;
    QComboBox* combo_ = nullptr;
    // What the list shows now, to rebuild it only when the table changed.
    std::vector<QString> shown_;
    int observer_ = 0;
};

// A small picture of a dash pattern (drawing units: dash > 0, gap < 0, dot 0).
QIcon linePatternIcon(const std::vector<double>& pattern);
// A colour swatch for a Windows colour 0x00BBGGRR.
QIcon colorSwatchIcon(unsigned int color);

} // namespace cad
