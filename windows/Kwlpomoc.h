// The program description viewer: "kwl_OPIS.rtf" shown read-only, searched forward with a find
// dialog of our own. Created once at start (when the description is read) and only shown and
// hidden afterwards.
#pragma once

#include <QDialog>
#include <QWidget>

class QFrame;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTextEdit;

// The find dialog: the text to find and a direction ("W dół" preset); "Znajdź następny"
// reports each press, "Anuluj" closes it.
class FindDialog : public QDialog {
    Q_OBJECT
public:
    explicit FindDialog(QWidget* parent = nullptr);
    QLineEdit* findText = nullptr;
    QRadioButton* up = nullptr;
    QRadioButton* down = nullptr;
    QPushButton* findNext = nullptr;
    QPushButton* cancel = nullptr;
signals:
    void find();
};

class TFormKwlpomoc : public QWidget {
    Q_OBJECT
public:
    explicit TFormKwlpomoc(QWidget* parent = nullptr);
    ~TFormKwlpomoc() override;

    QTextEdit* RichEdit1 = nullptr;
    QFrame* Panel1 = nullptr;
    QPushButton* Button3 = nullptr; // "Wyszukiwanie"
    QPushButton* Button1 = nullptr; // "Zamknij"
    FindDialog* FindDialog1 = nullptr;

    // Reads the description file, from the current directory.
    void FormCreate();
    void Button1Click();
    void Button3Click();
    void FindDialog1Find();

protected:
    void resizeEvent(QResizeEvent* event) override; // FormResize
};

extern TFormKwlpomoc* FormKwlpomoc;
