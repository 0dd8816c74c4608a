// The engine's status bar: the cursor position, the command prompt with the field that typed
// coordinates go into, and a pane for the program's own texts.
#pragma once

#include <QFrame>

#include <array>

class QLabel;
class QLineEdit;

namespace cad {

class StatusBar : public QFrame {
public:
    static constexpr int paneCount = 3;
    explicit StatusBar(QWidget* parent);
    ~StatusBar() override;
    // False for a pane the bar does not have.
    bool setPaneText(int pane, const QString& text);
    QString paneText(int pane) const;
    void showCursor(double x, double y);
    // The field for typed coordinates, beside the prompt; the drawing window shows it.
    QLineEdit* input() const { return input_; }
    // Across the bottom of the parent.
    void fitToParent();

private:
    std::array<QLabel*, paneCount> panes_{};
    QLineEdit* input_ = nullptr;
};

// "X: 123.45  Y: 67.89"
QString cursorText(double x, double y);

} // namespace cad
