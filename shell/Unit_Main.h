// The main window: its panels, menus and speed buttons, the engine's toolbars, status bar and
// drawing window inside them, the start-up sequence and the shutdown.
#pragma once

#include "shell/MenuTable.h"

#include <QMainWindow>
#include <QMap>
#include <QString>

class CrashRecovery;
class QAction;
class QFrame;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QToolButton;

class TForm_Main : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm_Main(QWidget* parent = nullptr);
    ~TForm_Main() override;

    // The start-up sequence, with the program's command-line arguments (without the program).
    void FormCreate(const QStringList& arguments);

    // The title from a file name; modified marks a drawing with unsaved changes (" *").
    void SetDrawingTitle(const QString& fileName, bool modified = false);
    void EnableDocumentMenus();
    void DisableDocumentMenus();
    void CreateEngineWindow(QWidget* parent);
    void ResizeEngineWindow(QWidget* window);

    // Controls by their component names.
    QAction* action(const QString& name) const { return actions_.value(name); }
    QMenu* menu(const QString& name) const { return menus_.value(name); }
    QFrame* panel(const QString& name) const { return panels_.value(name); }
    QProgressBar* ProgressBar1 = nullptr;
    QListWidget* ListBox1 = nullptr;
    QPlainTextEdit* richeditrobo = nullptr;

    // Shell state.
    QString programDirectory;    // with a trailing separator
    QString rememberedDirectory; // where the open dialogs start
    QString pendingFileName;     // handed to the next open command by a drop or a recent file
    QString versionText = QStringLiteral(" 5.140828");
    int engineWindow = 0;

    // Copies of the unsaved drawings, kept against a crash.
    CrashRecovery* recovery = nullptr;

    // The menu items that need an open drawing.
    QList<QAction*> documentActions() const;

    // Runs what a menu item runs; an error that leaves the flow is reported with the general
    // error report.
    void run(const MenuEntry& entry);

    // Files dropped on the window: the first one is opened by its extension.
    void AppMessage(const QStringList& droppedFiles);
    // A recent-files entry of the "Plik" menu was clicked.
    void MyMenuHandler(QAction* entry);
    // The name of the recent-files list (in the program directory, or the user's configuration
    // folder when that is not writable).
    static QString recentFilesName() { return QStringLiteral("KWL_OST_PLIKI.bin"); }

protected:
    void closeEvent(QCloseEvent* event) override;               // FormClose
    void resizeEvent(QResizeEvent* event) override;             // FormResize
    bool eventFilter(QObject* watched, QEvent* event) override; // win_cadResize
    void keyPressEvent(QKeyEvent* event) override;              // FormKeyPress
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildPanels();
    void buildMenus();
    void buildSpeedButtons();
    void runFlow(const MenuEntry& entry);
    void toggleTopPanel(const QString& item, const QString& panelName);
    void toggleColumn(const QString& item, const QString& panelName, const QString& otherItem,
                      const QString& otherPanel);
    void selectAll(bool select);
    void chooseBackground();
    void openByExtension(const QString& path, bool engineDrawingOtherwise);
    bool shutdown();
    // Closes the window when that was asked for while a drawing was being read, once the command
    // that read it has returned.
    void closeIfAskedDuringRead();

    QMap<QString, QAction*> actions_;
    QMap<QString, QMenu*> menus_;
    QMap<QString, QFrame*> panels_;
    bool closeAfterRead_ = false;
};

// The one main window, as the units that call back into it know it.
extern TForm_Main* Form_Main;
