// The window TFormKwlpomoc: created once at start and kept until the end, so it keeps its values.
#pragma once

#include <QWidget>

class TFormKwlpomoc : public QWidget {
    Q_OBJECT
public:
    explicit TFormKwlpomoc(QWidget* parent = nullptr);
    ~TFormKwlpomoc() override;
};

extern TFormKwlpomoc* FormKwlpomoc;
