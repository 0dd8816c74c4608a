// The window TFormProjekty: created once at start and kept until the end, so it keeps its values.
#pragma once

#include <QDialog>

class TFormProjekty : public QDialog {
    Q_OBJECT
public:
    explicit TFormProjekty(QWidget* parent = nullptr);
    ~TFormProjekty() override;
};

extern TFormProjekty* FormProjekty;
