// The projects window: the projects listed in "projekty.prj" in the program directory; choosing
// one makes its folder the folder where the open dialogs start and the current directory.
// Created once at start and kept until the end.
#pragma once

#include <QByteArrayList>
#include <QDialog>

class QLabel;
class QPushButton;
class QTreeWidget;

class TFormProjekty : public QDialog {
    Q_OBJECT
public:
    explicit TFormProjekty(QWidget* parent = nullptr);
    ~TFormProjekty() override;

    QTreeWidget* TreeView1 = nullptr;
    QPushButton* Button1 = nullptr; // "OK"
    QPushButton* Button2 = nullptr; // "Rezygnuj"
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr; // the selected project's description
    QLabel* Label3 = nullptr; // the remembered directory
    QLabel* Label4 = nullptr;

    // The main window's remembered directory, which this window changes.
    QString* rememberedDirectory = nullptr;
    QString savedDirectory;

    void FormActivate();
    void TreeView1Click();
    void Button1Click();
    void Button2Click();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString& remembered();
    // Makes the remembered directory the current one; false (reported) when it cannot be.
    bool enterRememberedDirectory();

    QByteArrayList lines_; // the projects file as last read
    QString ownRemembered_;
};

extern TFormProjekty* FormProjekty;
