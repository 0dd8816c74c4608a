// The main window.
#pragma once

#include <QMainWindow>

class TForm_Main : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm_Main(QWidget* parent = nullptr);
};
