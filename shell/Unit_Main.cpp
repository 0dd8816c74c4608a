#include "shell/Unit_Main.h"

#include "blocks/Unit_mnoznik.h"
#include "engine/CadApi.h"
#include "import/Settings.h"
#include "import/SnapSettingsFile.h"
#include "import/Styles.h"
#include "import/Unit_progres.h"
#include "import/brostotwpliki.h"
#include "shell/CrashRecovery.h"
#include "shell/DrawingFiles.h"
#include "shell/DwgProc.h"
#include "shell/EngineResponder.h"
#include "shell/Kwl_szuk_tekst.h"
#include "shell/RoadSigns.h"
#include "support/Application.h"
#include "support/Platform.h"
#include "support/ProgramDirectory.h"
#include "windows/Kwlpomoc.h"
#include "windows/kwl_info.h"
#include "windows/projekty.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QToolButton>
#include <QVBoxLayout>

TForm_Main* Form_Main = nullptr;

namespace {

// A panel as the layout of the main window has it: a frame with a name, a fixed size along
// the edge it is aligned to, and a layout for its children.
QFrame* makePanel(const char* name, QWidget* parent, QFrame::Shadow bevel = QFrame::Plain) {
    auto* f = new QFrame(parent);
    f->setObjectName(QString::fromLatin1(name));
    f->setFrameShape(bevel == QFrame::Plain ? QFrame::NoFrame : QFrame::Panel);
    f->setFrameShadow(bevel);
    return f;
}

QBoxLayout* tight(QBoxLayout* l) {
    l->setContentsMargins(0, 0, 0, 0);
    l->setSpacing(0);
    return l;
}

// The top-level menus that need an open drawing, and the items of "Plik" that do.
const char* const kDocumentMenus[] = {"Edycja1", "Zaznaczanie1", "Rysuj1",
                                      "Palety1", "Widok1",       "Ustawienia1"};
const char* const kDocumentItems[] = {"ImportujplikKWL1",
                                      "EksportujdoDXF1",
                                      "ZapiszRDW1",
                                      "ZapiszjakoRDW1",
                                      "Listaotwartychdokumentw1",
                                      "Zamknijaktywnyplik1",
                                      "Zamknijwszystkieotwartepliki1",
                                      "Drukuj1",
                                      "Podzielrysunek1",
                                      "Drukujarkusze1",
                                      "Drukujobszar1",
                                      "EksportujdoBMP1"};

} // namespace

TForm_Main::TForm_Main(QWidget* parent) : QMainWindow(parent) {
    Form_Main = this;
    setObjectName(QStringLiteral("Form_Main"));
    setWindowTitle(QStringLiteral("Edytor KWL"));
    resize(729, 509);
    setMinimumSize(400, 300);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSize(8);
    setFont(font);
    buildPanels();
    buildMenus();
    buildSpeedButtons();
    recovery = new CrashRecovery(this);
    // What the reading of a drawing locks and moves while it runs.
    MainWindowParts parts;
    parts.window = this;
    parts.progressBar = ProgressBar1;
    parts.engineWindow = panel(QStringLiteral("win_cad"));
    for (const char* n : {"Panel_wysoki", "Panel_gora", "Panel_srodkowy", "Panel_status"})
        parts.panels << panel(QString::fromLatin1(n));
    parts.menuBar = menuBar();
    AttachMainWindow(parts);
}

TForm_Main::~TForm_Main() {
    if (Form_Main == this)
        Form_Main = nullptr;
    AttachMainWindow({});
}

void TForm_Main::buildPanels() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);
    auto* column = tight(new QVBoxLayout(client));

    auto add = [this](QFrame* f) {
        panels_.insert(f->objectName(), f);
        return f;
    };

    QFrame* wysoki = add(makePanel("Panel_wysoki", client));
    wysoki->setFixedHeight(31);
    auto* wysokiLayout = tight(new QHBoxLayout(wysoki));
    wysokiLayout->addWidget(add(makePanel("Panel_control", wysoki)), 1);
    // The draw order's own toolbar, after the standard one.
    QFrame* order = add(makePanel("Panel_order", wysoki));
    order->setFixedWidth(4 * 24 + 8);
    wysokiLayout->addWidget(order);
    // The engine's dimension toolbar, at the right end of the top row.
    QFrame* dimensions = add(makePanel("Panel_Dim", wysoki));
    dimensions->setToolTip(QString::fromUtf8(u8"Wymiarowanie"));
    dimensions->setAccessibleName(QString::fromUtf8(u8"Wymiarowanie"));
    dimensions->setFixedWidth(9 * 23 + 12);
    wysokiLayout->addWidget(dimensions);
    column->addWidget(wysoki);

    QFrame* gora = add(makePanel("Panel_gora", client));
    gora->setFixedHeight(30);
    auto* goraLayout = tight(new QHBoxLayout(gora));
    QFrame* level = add(makePanel("Panel_Level", gora, QFrame::Sunken));
    level->setFixedWidth(216);
    QFrame* line = add(makePanel("Panel_Line", gora, QFrame::Sunken));
    line->setFixedWidth(200);
    QFrame* snap = add(makePanel("Panel_snap", gora, QFrame::Sunken));
    goraLayout->addWidget(level);
    goraLayout->addWidget(line);
    goraLayout->addWidget(snap, 1);
    column->addWidget(gora);

    auto* middle = tight(new QHBoxLayout());
    QFrame* splitter = add(makePanel("Splitter1", client));
    splitter->setFixedWidth(1);
    middle->addWidget(splitter);
    QFrame* srodkowy = add(makePanel("Panel_srodkowy", client));
    auto* srodkowyLayout = tight(new QHBoxLayout(srodkowy));
    QFrame* legenda = add(makePanel("Panel_Legenda", srodkowy));
    legenda->setFixedWidth(54);
    auto* legendaLayout = tight(new QHBoxLayout(legenda));
    QFrame* draw = add(makePanel("Panel_Draw", legenda));
    draw->setFixedWidth(23);
    QFrame* edit = add(makePanel("Panel_Edit", legenda));
    edit->setFixedWidth(23);
    legendaLayout->addWidget(draw);
    legendaLayout->addWidget(edit);
    legendaLayout->addStretch();
    srodkowyLayout->addWidget(legenda);
    // The engine's modify tools, a column of their own beside the drawing and editing ones.
    QFrame* modify = add(makePanel("Panel_Modify", srodkowy));
    modify->setFixedWidth(23);
    srodkowyLayout->addWidget(modify);

    QFrame* mainPanel = add(makePanel("Panel_main", srodkowy, QFrame::Sunken));
    auto* mainLayout = tight(new QVBoxLayout(mainPanel));
    QFrame* winCad = add(makePanel("win_cad", mainPanel));
    winCad->setAutoFillBackground(true);
    QPalette teal = winCad->palette();
    teal.setColor(QPalette::Window, QColor(0, 128, 128));
    winCad->setPalette(teal);
    mainLayout->addWidget(winCad, 1);
    QFrame* view = add(makePanel("Panel_view", mainPanel));
    view->setFixedHeight(25);
    auto* viewLayout = tight(new QHBoxLayout(view));
    QFrame* zoom = add(makePanel("Panel_zoom", view));
    zoom->setFixedWidth(164);
    QFrame* saved = add(makePanel("Panel_SvedView", view));
    saved->setFixedWidth(52);
    viewLayout->addWidget(zoom);
    viewLayout->addWidget(saved);
    viewLayout->addStretch();
    mainLayout->addWidget(view);
    srodkowyLayout->addWidget(mainPanel, 1);
    middle->addWidget(srodkowy, 1);
    column->addLayout(middle, 1);

    ProgressBar1 = new QProgressBar(client);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setFixedHeight(8);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    column->addWidget(ProgressBar1);

    QFrame* status = add(makePanel("Panel_status", client));
    status->setFixedHeight(22);
    richeditrobo = new QPlainTextEdit(status);
    richeditrobo->setObjectName(QStringLiteral("richeditrobo"));
    richeditrobo->setLineWrapMode(QPlainTextEdit::NoWrap);
    richeditrobo->hide();
    column->addWidget(status);

    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->hide();
}

void TForm_Main::buildMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    QMenu* top = nullptr;
    QMenu* sub = nullptr;
    for (const MenuEntry& e : MainMenuTable()) {
        const QString name = QString::fromLatin1(e.name);
        QMenu* into = sub ? sub : top;
        switch (e.kind) {
        case MenuKind::Menu:
            top = bar->addMenu(QString::fromUtf8(e.caption));
            top->setObjectName(name);
            menus_.insert(name, top);
            actions_.insert(name, top->menuAction());
            break;
        case MenuKind::Submenu:
            sub = top->addMenu(QString::fromUtf8(e.caption));
            sub->setObjectName(name);
            sub->menuAction()->setObjectName(name);
            menus_.insert(name, sub);
            actions_.insert(name, sub->menuAction());
            break;
        case MenuKind::EndSubmenu:
            sub = nullptr;
            break;
        case MenuKind::EndMenu:
            top = nullptr;
            break;
        case MenuKind::Separator: {
            QAction* a = into->addSeparator();
            a->setObjectName(name);
            actions_.insert(name, a);
            break;
        }
        case MenuKind::Item: {
            QAction* a = into->addAction(QString::fromUtf8(e.caption));
            a->setObjectName(name);
            actions_.insert(name, a);
            connect(a, &QAction::triggered, this, [this, &e] { run(e); });
            break;
        }
        }
    }
    // The toolbar-panel items show whether their panel is shown.
    for (const char* n :
         {"Warstwy1", "Styllinii1", "Snapy1", "Rysowanie1", "Edycja_Tool", "Modyfikacja_Tool"}) {
        actions_.value(QString::fromLatin1(n))->setCheckable(true);
        actions_.value(QString::fromLatin1(n))->setChecked(true);
    }
    action(QStringLiteral("Drukuj1"))->setToolTip(QStringLiteral("Drukuj"));
}

void TForm_Main::buildSpeedButtons() {
    int x = 0;
    for (const SpeedButtonEntry& e : SpeedButtonTable()) {
        const QString name = QString::fromLatin1(e.name);
        const bool saved = name.startsWith(QStringLiteral("SpeedButton"));
        QFrame* parent =
            panel(saved ? QStringLiteral("Panel_SvedView") : QStringLiteral("Panel_zoom"));
        auto* b = new QToolButton(parent);
        b->setObjectName(name);
        b->setAutoRaise(true);
        b->setToolTip(QString::fromUtf8(e.hint));
        b->setIcon(cadCommandIcon(e.code));
        if (saved && x > 140)
            x = 0;
        b->setGeometry(x, 0, 20, 21);
        x += 20;
        const int code = e.code;
        connect(b, &QToolButton::clicked, this, [code] { cadExecute(code); });
    }
}

QList<QAction*> TForm_Main::documentActions() const {
    QList<QAction*> list;
    for (const char* n : kDocumentMenus)
        list << action(QString::fromLatin1(n));
    for (const char* n : kDocumentItems)
        list << action(QString::fromLatin1(n));
    return list;
}

void TForm_Main::EnableDocumentMenus() {
    for (QAction* a : documentActions())
        a->setEnabled(true);
}

void TForm_Main::DisableDocumentMenus() {
    for (QAction* a : documentActions())
        a->setEnabled(false);
}

void TForm_Main::SetDrawingTitle(const QString& fileName, bool modified) {
    QString name = fileName.mid(fileName.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        name = name.left(dot);
    if (modified)
        name += QStringLiteral(" *");
    const QString title = QStringLiteral("KWL_Edytor-[") + name + QLatin1Char(']');
    QApplication::setApplicationDisplayName(QString());
    setWindowTitle(title);
}

void TForm_Main::CreateEngineWindow(QWidget* parent) {
    cadSetMsgHandler(DwgProc);
    cadSetResponder(std::make_shared<EngineResponder>());
    cadToolBarCreate(panel(QStringLiteral("Panel_Level")), CAD_TOOLBAR_LAYERS, 0, 0, 210, 26,
                     nullptr, nullptr);
    cadToolBarCreate(panel(QStringLiteral("Panel_Line")), CAD_TOOLBAR_LINESTYLES, 0, 0, 200, 26,
                     nullptr, nullptr);
    cadToolBarCreate(panel(QStringLiteral("Panel_snap")), CAD_TOOLBAR_SNAPS, 0, 0, 0, 1, nullptr,
                     nullptr);
    // The buttons declared before a toolbar is created go on that toolbar; the edit column is
    // created before any, so it carries the engine's own edit buttons.
    cadToolBarCreate(panel(QStringLiteral("Panel_Edit")), CAD_TOOLBAR_EDIT, -1, 1, 30, 600, nullptr,
                     nullptr);
    cadToolBarCreate(panel(QStringLiteral("Panel_Modify")), CAD_TOOLBAR_MODIFY, -1, 1, 30, 600,
                     nullptr, nullptr);
    for (int code : {17110, 17120, 17130, 17131, 17140, 17143, 17150, 17154, 17170, 17180, 17240,
                     17250, 17260, 17280, 17290, 17304})
        cadToolBarButton(code);
    cadToolBarCreate(panel(QStringLiteral("Panel_Draw")), CAD_TOOLBAR_DRAW, -1, 1, 30, 600, nullptr,
                     nullptr);
    for (int code : {17003,
                     17031,
                     18502,
                     0,
                     17453,
                     0,
                     18174,
                     18173,
                     18175,
                     0,
                     18501,
                     17431,
                     17432,
                     0,
                     17441,
                     17442,
                     17443,
                     0,
                     CAD_CMD_PRINT_AREAS,
                     CAD_CMD_PRINT_SHEETS,
                     CAD_CMD_PRINT_WINDOW,
                     CAD_CMD_EXPORT_BMP})
        cadToolBarButton(code);
    cadToolBarCreate(panel(QStringLiteral("Panel_control")), CAD_TOOLBAR_STANDARD, 0, 0, -1, 1,
                     nullptr, nullptr);
    cadToolBarCreate(panel(QStringLiteral("Panel_order")), CAD_TOOLBAR_ORDER, 0, 0, -1, 1, nullptr,
                     nullptr);
    cadToolBarCreate(panel(QStringLiteral("Panel_Dim")), CAD_TOOLBAR_DIMENSIONS, 0, 0, -1, 1,
                     nullptr, nullptr);
    cadStatBarCreate(panel(QStringLiteral("Panel_status")), nullptr);
    engineWindow = cadWndCreate(parent, 13, 0, 0, parent->width(), parent->height());
    if (engineWindow != 0)
        cadPropPut(CAD_PROP_WINDOW_CAPTION, engineWindow, "Wczytaj dane");
}

void TForm_Main::ResizeEngineWindow(QWidget* window) {
    int width = 0, height = 0;
    if (!cadGetWinSize(window, width, height) || width <= 0 || height <= 0)
        return;
    cadWndResize(engineWindow, 0, 0, width, height);
    cadStatBarResize();
}

void TForm_Main::FormCreate(const QStringList& arguments) {
    setAcceptDrops(true);
    cadPropPutInt(CAD_PROP_CONFIRM_DELETE, 0, 0);
    programDirectory = ProgramDirectory();
    rememberedDirectory = programDirectory;
    LoadRecentFiles(ProgramFileToRead(recentFilesName()));
    versionText = QStringLiteral(" 5.140828");
    SetDrawingTitle(QStringLiteral(" "));
    DrawingKind = 0;
    CreateEngineWindow(panel(QStringLiteral("win_cad")));
    panel(QStringLiteral("win_cad"))->installEventFilter(this);
    try {
        LoadSettings(QStringLiteral("KWL.knf"));
    } catch (const std::exception& error) {
        // The lines before the wrong one are in force; the program starts all the same.
        ShowGeneralErrorReport(QString::fromUtf8(error.what()));
    }
    recovery->setInterval(CopyIntervalMs());
    // The ways of snapping chosen in an earlier run, and the size signs are drawn at.
    LoadSnapSettings();
    RegisterRoadSignSizes();
    DisableDocumentMenus();
    // The fonts first: a road-design drawing named on the command line takes its text style
    // from them.
    ListBox1->clear();
    ListBox1->addItems(CurrentPlatform().fontFamilies());
    QStringList fonts;
    for (int i = 0; i < ListBox1->count(); ++i)
        fonts << ListBox1->item(i)->text();
    SetInstalledFonts(fonts);
    // Drawings left unsaved by a run that crashed, before anything else is opened.
    if (!StartsWithoutQuestions() && recovery->offerLeftCopies(engineWindow) > 0)
        EnableDocumentMenus();
    if (!arguments.isEmpty() && !arguments.first().isEmpty()) {
        // Named from the directory the program was started in, which the open flow may change.
        const QString file = QFileInfo(arguments.first()).absoluteFilePath();
        const QString suffix = QFileInfo(file).suffix();
        if (suffix.compare(QStringLiteral("kwl"), Qt::CaseInsensitive) == 0) {
            // The engine cannot read a road-design drawing: it goes through the open flow.
            OpenRoadDesignFile(*this, file);
        } else if (suffix.compare(QStringLiteral("rdw"), Qt::CaseInsensitive) == 0) {
            // The program's own drawing keeps its name and file, as "Otwórz" gives them: "Zapisz
            // plik" writes it back there.
            cadFileOpen(engineWindow, QFile::encodeName(file).toStdString());
        } else {
            cadFileNew(engineWindow, "");
            cadFileLoad(QFile::encodeName(file).toStdString(), CAD_FORMAT_ANY);
        }
        EnableDocumentMenus();
    }
    BuildRecentFilesMenu(this, menu(QStringLiteral("Plik1")),
                         [this](QAction* entry) { MyMenuHandler(entry); });
    closeIfAskedDuringRead();
}

void TForm_Main::openByExtension(const QString& path, bool engineDrawingOtherwise) {
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot < 0 ? QString() : path.mid(dot).toUpper();
    if (extension == QStringLiteral(".KWL"))
        OpenRoadDesignDrawing(*this);
    else if (extension == QStringLiteral(".DXF"))
        OpenDxfDrawing(*this);
    else if (extension == QStringLiteral(".RDW") || engineDrawingOtherwise)
        OpenEngineDrawing(*this);
}

void TForm_Main::AppMessage(const QStringList& droppedFiles) {
    // While a drawing is read, nothing starts inside that read.
    if (Busy || droppedFiles.isEmpty())
        return;
    const QString file = droppedFiles.first();
    const qsizetype dot = file.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot < 0 ? QString() : file.mid(dot).toUpper();
    // A file of another kind opens nothing and is not left behind for the next open command.
    if (extension != QStringLiteral(".KWL") && extension != QStringLiteral(".DXF") &&
        extension != QStringLiteral(".RDW"))
        return;
    pendingFileName = file;
    openByExtension(file, false);
    closeIfAskedDuringRead();
}

void TForm_Main::MyMenuHandler(QAction* entry) {
    if (Busy)
        return;
    pendingFileName = RecentEntryPath(entry->text());
    openByExtension(pendingFileName, true);
    closeIfAskedDuringRead();
}

void TForm_Main::dragEnterEvent(QDragEnterEvent* event) {
    if (!Busy && event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TForm_Main::dropEvent(QDropEvent* event) {
    QStringList files;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            files << url.toLocalFile();
    event->acceptProposedAction();
    AppMessage(files);
}

void TForm_Main::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape)
        RequestCancel();
    QMainWindow::keyPressEvent(event);
}

void TForm_Main::run(const MenuEntry& e) {
    // The menus are locked while a drawing is read; nothing starts inside that read.
    if (Busy)
        return;
    try {
        runFlow(e);
    } catch (const std::exception& error) {
        // An error nothing in the flow caught ends the flow here, not in Qt's event delivery.
        ShowGeneralErrorReport(QString::fromUtf8(error.what()));
    }
    closeIfAskedDuringRead();
}

void TForm_Main::runFlow(const MenuEntry& e) {
    switch (e.action) {
    case MenuAction::Engine:
        cadExecute(e.code);
        break;
    case MenuAction::FileList:
        cadFileList(engineWindow);
        break;
    case MenuAction::PrintSetup:
        cadPrintSetup(engineWindow);
        break;
    case MenuAction::Quit:
        if (shutdown())
            close();
        break;
    case MenuAction::SelectAll:
        selectAll(true);
        break;
    case MenuAction::SelectNone:
        selectAll(false);
        break;
    case MenuAction::ToggleLayers:
        toggleTopPanel(QStringLiteral("Warstwy1"), QStringLiteral("Panel_Level"));
        break;
    case MenuAction::ToggleLineStyles:
        toggleTopPanel(QStringLiteral("Styllinii1"), QStringLiteral("Panel_Line"));
        break;
    case MenuAction::ToggleSnaps:
        toggleTopPanel(QStringLiteral("Snapy1"), QStringLiteral("Panel_snap"));
        break;
    case MenuAction::ToggleDraw:
        toggleColumn(QStringLiteral("Rysowanie1"), QStringLiteral("Panel_Draw"),
                     QStringLiteral("Edycja_Tool"), QStringLiteral("Panel_Edit"));
        break;
    case MenuAction::ToggleEdit:
        toggleColumn(QStringLiteral("Edycja_Tool"), QStringLiteral("Panel_Edit"),
                     QStringLiteral("Rysowanie1"), QStringLiteral("Panel_Draw"));
        break;
    case MenuAction::ToggleModify:
        panel(QStringLiteral("Panel_Modify"))
            ->setVisible(action(QStringLiteral("Modyfikacja_Tool"))->isChecked());
        break;
    case MenuAction::OpenKwl:
        OpenRoadDesignDrawing(*this);
        break;
    case MenuAction::OpenDxf:
        OpenDxfDrawing(*this);
        break;
    case MenuAction::OpenRdw:
        OpenEngineDrawing(*this);
        break;
    case MenuAction::NewDrawing:
        NewEmptyDrawing(*this);
        break;
    case MenuAction::ImportKwl:
        ImportRoadDesignDrawing(*this);
        break;
    case MenuAction::ExportDxf:
        ExportDrawingToDxf();
        break;
    case MenuAction::Save:
        SaveDrawing();
        break;
    case MenuAction::SaveAs:
        SaveDrawingAs();
        break;
    case MenuAction::CloseActive:
        CloseActiveDrawing();
        break;
    case MenuAction::LayersDialog:
        cadExecute(CAD_CMD_LAYERS);
        SaveSettingsAsDefault();
        break;
    case MenuAction::Background:
        chooseBackground();
        break;
    case MenuAction::ReadDefaults:
        LoadSettings(QStringLiteral("KWL_kopia.knf"));
        recovery->setInterval(CopyIntervalMs());
        break;
    case MenuAction::SaveSettings:
        SaveSettingsAsDefault();
        break;
    case MenuAction::FindText:
        FindNextText();
        break;
    case MenuAction::SelectTexts:
        SelectAllTexts();
        break;
    case MenuAction::SignsAll:
        LoadRoadSigns(11);
        break;
    case MenuAction::Signs1:
        LoadRoadSigns(1);
        break;
    case MenuAction::Signs2:
        LoadRoadSigns(2);
        break;
    case MenuAction::Signs3:
        LoadRoadSigns(3);
        break;
    case MenuAction::Signs4:
        LoadRoadSigns(4);
        break;
    case MenuAction::Signs9:
        LoadRoadSigns(9);
        break;
    case MenuAction::Multiplier:
        if (Form_mnoznik) {
            Form_mnoznik->Edit_mnoznik->setText(QStringLiteral("1"));
            CurrentPlatform().showModal(Form_mnoznik);
        }
        break;
    case MenuAction::Projects:
        if (FormProjekty) {
            FormProjekty->rememberedDirectory = &rememberedDirectory;
            CurrentPlatform().showModal(FormProjekty);
        }
        break;
    case MenuAction::Description:
        if (FormKwlpomoc) {
            FormKwlpomoc->show();
            FormKwlpomoc->raise();
            FormKwlpomoc->activateWindow();
        }
        break;
    case MenuAction::About:
        if (FormOProgramie) {
            FormOProgramie->setVersion(versionText);
            CurrentPlatform().showModal(FormOProgramie);
        }
        break;
    case MenuAction::Nothing:
        // An item that is there to be seen; no default, so that an action nothing handles
        // does not compile.
        break;
    }
}

void TForm_Main::chooseBackground() {
    const int current = Settings().background;
    const QColor initial(current & 0xFF, (current >> 8) & 0xFF, (current >> 16) & 0xFF);
    const auto chosen = CurrentPlatform().chooseColor(this, initial);
    if (!chosen)
        return;
    const int colour = chosen->red() | (chosen->green() << 8) | (chosen->blue() << 16);
    cadPropPutInt(CAD_PROP_DOC_BACKCOLOR, cadDocGetActive(), colour);
    Settings().background = colour;
    cadExecute(CAD_CMD_REDRAW);
    SaveSettingsAsDefault();
}

void TForm_Main::toggleTopPanel(const QString& item, const QString& panelName) {
    QAction* a = action(item);
    if (!a->isChecked()) { // the click has already flipped the check mark
        panel(panelName)->hide();
        return;
    }
    panel(QStringLiteral("Panel_gora"))->show();
    panel(panelName)->show();
}

void TForm_Main::toggleColumn(const QString& item, const QString& panelName,
                              const QString& otherItem, const QString& otherPanel) {
    QFrame* legenda = panel(QStringLiteral("Panel_Legenda"));
    const bool otherShown = action(otherItem)->isChecked() && !panel(otherPanel)->isHidden();
    if (!action(item)->isChecked()) {
        panel(panelName)->hide();
        if (!otherShown) {
            legenda->hide();
        } else {
            legenda->show();
            legenda->setFixedWidth(30);
        }
        return;
    }
    panel(panelName)->show();
    legenda->show();
    legenda->setFixedWidth(otherShown ? 54 : 30);
}

void TForm_Main::selectAll(bool select) {
    cadSelect(select ? 1 : 0, -1);
    cadUpdate();
    cadRedraw();
}

void TForm_Main::closeEvent(QCloseEvent* event) {
    if (Busy) {
        // Closing in the middle of a read: the read is cancelled first, if the person wants
        // that, and the window closes when the command that reads has returned.
        event->ignore();
        if (!closeAfterRead_ && ConfirmCancel()) {
            CancelRequested = CancelConfirmed = true;
            closeAfterRead_ = true;
        }
        return;
    }
    if (shutdown())
        event->accept();
    else
        event->ignore();
}

void TForm_Main::closeIfAskedDuringRead() {
    if (!closeAfterRead_ || Busy)
        return;
    closeAfterRead_ = false;
    CancelRequested = CancelConfirmed = false;
    close();
}

bool TForm_Main::shutdown() {
    if (cadExecute(CAD_CMD_CLOSE_ALL) == 0)
        return false;
    SaveRecentFiles(ProgramFileToWrite(recentFilesName()));
    SaveSnapSettings();
    // Everything is saved or given up: nothing is left to bring back.
    recovery->endRun();
    return true;
}

void TForm_Main::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (engineWindow != 0)
        ResizeEngineWindow(panel(QStringLiteral("win_cad")));
}

bool TForm_Main::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize && watched == panel(QStringLiteral("win_cad")) &&
        engineWindow != 0)
        ResizeEngineWindow(panel(QStringLiteral("win_cad")));
    return QMainWindow::eventFilter(watched, event);
}
