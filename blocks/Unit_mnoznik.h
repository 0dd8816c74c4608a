// The window TForm_mnoznik: created once at start and kept until the end, so it keeps its values.
#pragma once

#include <QDialog>

class TForm_mnoznik : public QDialog {
    Q_OBJECT
public:
    explicit TForm_mnoznik(QWidget* parent = nullptr);
    ~TForm_mnoznik() override;
};

extern TForm_mnoznik* Form_mnoznik;
