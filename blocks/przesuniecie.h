// The window TFormprzesuniecie: created once at start and kept until the end, so it keeps its
// values.
#pragma once

#include <QDialog>

class TFormprzesuniecie : public QDialog {
    Q_OBJECT
public:
    explicit TFormprzesuniecie(QWidget* parent = nullptr);
    ~TFormprzesuniecie() override;
};

extern TFormprzesuniecie* Formprzesuniecie;
