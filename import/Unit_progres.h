// The window TForm_Progres: created once at start and kept until the end, so it keeps its values.
#pragma once

#include <QDialog>

class TForm_Progres : public QDialog {
    Q_OBJECT
public:
    explicit TForm_Progres(QWidget* parent = nullptr);
    ~TForm_Progres() override;
};

extern TForm_Progres* Form_Progres;
