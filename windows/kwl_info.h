// The window TFormOProgramie: created once at start and kept until the end, so it keeps its values.
#pragma once

#include <QDialog>

class TFormOProgramie : public QDialog {
    Q_OBJECT
public:
    explicit TFormOProgramie(QWidget* parent = nullptr);
    ~TFormOProgramie() override;
};

extern TFormOProgramie* FormOProgramie;
