// The engine's own dialogs: layers, the order of layers, the open files and the drawing's
// information. Each works on a copy and changes the drawing only when the person accepts.
#pragma once

#include "engine/Document.h"
#include "engine/edit/DrawingWriter.h"
#include "engine/model/Drawing.h"

#include <QColor>
#include <QDialog>
#include <QPoint>
#include <QString>

#include <functional>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QTreeWidget;
class QListWidget;
class QLineEdit;
class QDoubleSpinBox;
class QCheckBox;
class QPushButton;
class QLabel;

namespace cad {

// Shows a dialog modally; tests replace it so that nothing waits for a person.
extern std::function<int(QDialog&)> showModal;
// How wide a window must be for the title bar to show its whole title (the title's letters in
// a title bar's bold font, the window's icon and its buttons).
int widthForTitle(const QString& title);
// From now on every dialog of the application that can be widened is, when shown, at least as
// wide as its title needs. Once is enough; later calls do nothing.
void fitDialogsToTheirTitles();
// Lets the person choose a colour; an invalid colour when they cancelled.
extern std::function<QColor(const QColor& initial, QWidget* parent)> chooseColor;
// Shows a pop-up menu at a point of the screen; the item chosen, or nullptr. Tests replace it
// so that nothing waits for a person.
extern std::function<QAction*(QMenu& menu, QPoint at)> showMenu;

// A Qt string as Windows-1250 bytes, the engine's encoding of names.
std::string toEngineText(const QString& text);

class LayersDialog : public QDialog {
public:
    // Edits the layers of a document; OK makes the changes one step of its history.
    explicit LayersDialog(Document& document, QWidget* parent = nullptr);
    void accept() override;

private:
    struct Row {
        Layer layer;
        int original = -1; // index in the drawing, -1 for a layer added here
    };
    void fillList();
    void showRow();
    void updateRowText(int row);
    int selectedRow() const;
    void addLayer();
    void deleteLayer();
    void makeCurrent();
    void pickColor(bool fill);
    void setSwatch(QPushButton* button, std::uint32_t color);

    Document& document_;
    const Drawing& drawing_;
    std::vector<Row> rows_;
    int current_ = 0; // row of the layer new entities go on
    bool filling_ = false;
    QTreeWidget* list_ = nullptr;
    QLineEdit* name_ = nullptr;
    QDoubleSpinBox* width_ = nullptr;
    QPushButton* color_ = nullptr;
    QPushButton* fillColor_ = nullptr;
    QCheckBox* hidden_ = nullptr;
    QCheckBox* locked_ = nullptr;
    QCheckBox* noPrint_ = nullptr;
};

class LayerOrderDialog : public QDialog {
public:
    explicit LayerOrderDialog(Document& document, QWidget* parent = nullptr);
    void accept() override;

private:
    void fillList(int select);
    void move(int by);

    Document& document_;
    const Drawing& drawing_;
    std::vector<int> order_; // original indexes in their new order
    QListWidget* list_ = nullptr;
};

class FileListDialog : public QDialog {
public:
    explicit FileListDialog(QWidget* parent = nullptr);

private:
    void fillList();
    int selectedHandle() const;
    void activateSelected();
    void closeSelected();

    QListWidget* list_ = nullptr;
    QLabel* status_ = nullptr;
};

class InfoDialog : public QDialog {
public:
    explicit InfoDialog(const std::vector<std::string>& lines, QWidget* parent = nullptr);
};

// Moves the layers to a new order (order[i]: the old index of the layer that becomes i) and
// gives every entity and the current attributes the new index of their layer.
void reorderLayers(DrawingWriter& w, const std::vector<int>& order);
// True when some live entity, in the drawing or in a block, lies on the layer.
bool layerHasEntities(const Drawing& drawing, int layer);

} // namespace cad
