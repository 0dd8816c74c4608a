// The small windows of the view commands: the name of a view, the list of saved views, the
// grid settings and the navigator.
#pragma once

#include "engine/Engine.h"

#include <QDialog>
#include <QImage>
#include <QWidget>

#include <optional>
#include <string>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace cad {

// Asks for the name of a view: a line to type it in, OK and Cancel.
class ViewNameDialog : public QDialog {
public:
    ViewNameDialog(QWidget* parent, const std::string& suggestion);
    std::string name() const; // Windows-1250 bytes
    // Shows the dialog; the name typed, or nothing when cancelled.
    static std::optional<std::string> ask(QWidget* parent, const std::string& suggestion);

private:
    QLineEdit* edit_;
};

// The saved views of a document: show one (OK or a double click), rename, delete.
// Renaming asks through DrawingWindow::askViewName.
class ViewsDialog : public QDialog {
public:
    ViewsDialog(int document, QWidget* parent = nullptr);
    QListWidget* list() const { return list_; }
    void showSelected(); // makes the selected view the document's view, and closes
    void renameSelected();
    void deleteSelected();

private:
    Document* document() const;
    void fill(int select);

    int document_;
    QListWidget* list_;
};

// The grid of a drawing: steps, origin, kind, display, snapping and colour.
class GridDialog : public QDialog {
public:
    GridDialog(const DrawingSettings& settings, QWidget* parent = nullptr);
    // Writes what the dialog shows into the settings (only the grid's fields).
    void applyTo(DrawingSettings& settings) const;
    std::uint32_t color() const { return color_; }
    void setColor(std::uint32_t color);

private:
    QDoubleSpinBox *stepX_, *stepY_, *originX_, *originY_;
    QComboBox* kind_;
    QCheckBox *shown_, *snap_;
    QPushButton* colorButton_;
    std::uint32_t color_ = 0;
};

// A small tool window with the whole drawing and the rectangle of the view; a click or a
// drag in it moves the view's centre there.
class NavigatorWindow : public QWidget {
public:
    explicit NavigatorWindow(QWidget* parent);
    // The part of the drawing the navigator shows (the drawing and the view), and the
    // conversions between it and the navigator's pixels.
    Rect frame() const;
    QPointF toPixel(Vec2 p) const;
    Vec2 toDrawing(QPointF pixel) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void centreAt(QPointF pixel);
    bool changed() const; // the drawing is another one, or was edited, since the image
    QImage image_;
    // What the image shows, to render it again only after a change.
    std::uint64_t serial_ = 0, edits_ = 0;
    std::size_t entities_ = 0;
    // The drawing's extents with a margin (empty for an empty drawing), for the drawing of
    // that serial, edit count and entity count.
    mutable Rect drawingFrame_;
    mutable std::uint64_t frameSerial_ = 0, frameEdits_ = 0;
    mutable std::size_t frameEntities_ = 0;
};

} // namespace cad
