// The CAD engine's interface: the only engine header that the program includes.
//
// Handles are ints: documents (>0; -1 = the active one; 0 = none), layers, line styles and text
// styles (indexes from 0), entities (>= 0; negative = none). Entity handles stay valid for the
// life of their document.
//
// Texts (names, strings, definitions, messages) cross this interface as Windows-1250 bytes.
// File paths cross it as the file system's own bytes (QFile::encodeName / decodeName), so that
// any path a user has can be opened.
//
// Failures: operations that return a handle or index return a negative value (documents: 0),
// the others return 0; an unknown code or an invalid handle changes nothing.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QIcon;
class QString;
class QWidget;

// ---- messages from the engine to the program --------------------------------------------------

// The handler is called as handler(document, message, prm1, prm2, d1, d2, pointer).
using CadMsgHandler = std::function<int(int, int, int, int, double, double, void*)>;

// The engine asks for one of its texts: prm1 is the text's number. The program answers 1 after
// writing the text to CAD_PROP_TEXT_ANSWER, or 0 to let the engine use its own English text.
inline constexpr int CAD_MSG_TEXT = 1;
// A document event: prm1 is CAD_DOC_ACTIVATED when another document became the active one.
inline constexpr int CAD_MSG_DOC_EVENT = 13;
inline constexpr int CAD_DOC_ACTIVATED = 1;
// A document was created or opened (document = its handle).
inline constexpr int CAD_MSG_DOC_CREATED = 105;
// A document was closed (document = the handle it had).
inline constexpr int CAD_MSG_DOC_CLOSED = 107;
// A document got a (new) file name by a save (document = its handle).
inline constexpr int CAD_MSG_DOC_RENAMED = 109;
// A document was saved in the native format under its name (document = its handle); it is
// not modified any more.
inline constexpr int CAD_MSG_DOC_SAVED = 111;
// The active document became modified (prm1 = 1) or not modified any more (prm1 = 0): by an
// edit, an undo or redo, a save (document = its handle).
inline constexpr int CAD_MSG_DOC_MODIFIED = 113;

// Installs the message handler; an empty one removes it.
void cadSetMsgHandler(CadMsgHandler handler);

// ---- the engine's questions and messages --------------------------------------------------------

inline constexpr int CAD_ASK_YES = 6;
inline constexpr int CAD_ASK_NO = 7;
inline constexpr int CAD_ASK_CANCEL = 2;

// Everything the engine asks a person goes through one responder. Texts are Windows-1250 bytes;
// file filters have the form "description|patterns|" (patterns separated by ";").
class CadResponder {
public:
    virtual ~CadResponder() = default;
    // A question with Yes, No and (when withCancel) Cancel: CAD_ASK_YES, CAD_ASK_NO or
    // CAD_ASK_CANCEL.
    virtual int ask(std::string_view caption, std::string_view text, bool withCancel) = 0;
    // A message with an OK button; error is true for failures, false for information.
    virtual void tell(std::string_view caption, std::string_view text, bool error) = 0;
    // A path to save to (file-system bytes), or nothing when the person cancelled.
    virtual std::optional<std::string> saveFileName(std::string_view caption,
                                                    std::string_view filter,
                                                    std::string_view suggestedPath) = 0;
    // An existing file to read (file-system bytes), or nothing when the person cancelled. The
    // dialog starts in folder (file-system bytes; empty: wherever the responder likes).
    virtual std::optional<std::string>
    openFileName(std::string_view caption, std::string_view filter, std::string_view folder) = 0;
};

// A file filter of the responder ("description|patterns|...") in Qt's form
// ("description (patterns);;...").
QString cadFilterForQt(std::string_view filter);

// Installs the responder; nullptr restores the engine's own dialogs. Returns the previous one.
std::shared_ptr<CadResponder> cadSetResponder(std::shared_ptr<CadResponder> responder);

// ---- documents and files ------------------------------------------------------------------------

inline constexpr int CAD_FORMAT_NATIVE = 1; // the engine's own drawing format (".rdw")
inline constexpr int CAD_FORMAT_DXF = 2;    // DXF R2000, Windows-1250 texts (save only)
inline constexpr int CAD_FORMAT_ANY = 100;  // load: native or DXF, recognised by content

// A new empty document in the engine window, made active; its handle, or 0. The template, when
// not empty, is a native drawing whose content the new document starts with.
int cadFileNew(int window, std::string_view templatePath);
// Opens a native drawing as a new active document; its handle, or 0 (the engine has told the
// person why).
int cadFileOpen(int window, std::string_view path);
// Loads a native or DXF drawing into the active document (format CAD_FORMAT_ANY). An
// unreadable or unknown file is refused with a message and the document stays as it was.
int cadFileLoad(std::string_view path, int format);
// Saves the active document: CAD_FORMAT_NATIVE under path, which becomes the document's name;
// CAD_FORMAT_DXF exports to path. The previous file stays whole when a save fails.
int cadFileSave(std::string_view path, int format);
// The active document's handle, or 0 when none is open.
int cadDocGetActive();
// Makes another open document the active one.
int cadDocSetActive(int document);
// Handles of the open documents, in the order they were opened.
std::vector<int> cadDocList();
// Closes a document without any question (the commands 17005 and 17006 ask first).
int cadDocClose(int document);
// A document's own file as the document last saw it, when it opened or saved it: its size, the
// time of its last write and a hash of its bytes. A save over that file asks first when the file
// no longer is so (another program wrote it meanwhile). Nothing when not known.
struct CadFileStamp {
    long long size = 0, writtenNs = 0;
    unsigned long long hash = 0;
};
std::optional<CadFileStamp> cadDocFileStamp(int document);
// Gives a document what it saw of its file elsewhere (a copy of it brought back after a crash
// knows its file as the run that made the copy saw it); 0 for an unknown document.
int cadDocSetFileStamp(int document, const CadFileStamp& stamp);

// ---- copies of unsaved work ---------------------------------------------------------------------

// What a document holds, as a value that changes whenever its content changes (an edit, an
// undo, a load): an equal stamp means the same drawing as before.
struct CadChangeStamp {
    unsigned long long drawing = 0, version = 0;
    friend bool operator==(const CadChangeStamp&, const CadChangeStamp&) = default;
};
// The stamp of a document (-1: the active one); nothing for an unknown document.
std::optional<CadChangeStamp> cadDocChangeStamp(int document);

// Called once a copy is written (error empty) or could not be (error: the reason, which the
// engine tells nobody).
using CadCopyFinished = std::function<void(int document, const std::string& error)>;
// Writes a copy of a document in the native format to path without holding the caller up: the
// drawing is taken as it is now, at once, and written on another thread through a temporary
// file renamed into place, so that path never holds half a copy. finished runs on the caller's
// thread, from its event loop (or from cadWaitForCopies). False, with nothing started, for an
// unknown document or while a copy of the same document is still being written.
bool cadDocWriteCopy(int document, std::string_view path, CadCopyFinished finished);
// True while a copy of the document is being written.
bool cadDocCopyPending(int document);
// Waits until every copy being written is done, and runs their finished functions.
void cadWaitForCopies();
// Opens a native drawing kept as a copy as a new active document named path (file-system
// bytes; empty for an untitled one) and modified, so that saving writes it under that name.
// Its handle, or 0 when the copy cannot be read: then the reason is written to error when one
// is given, and told to the person otherwise.
int cadFileRecover(int window, std::string_view copyPath, std::string_view path,
                   std::string* error = nullptr);

// ---- commands -----------------------------------------------------------------------------------

inline constexpr int CAD_CMD_SAVE = 17003;    // save; asks for a name when the drawing has none
inline constexpr int CAD_CMD_SAVE_AS = 17004; // save under a name asked for
inline constexpr int CAD_CMD_CLOSE = 17005; // close the active document, asking first when modified
inline constexpr int CAD_CMD_CLOSE_ALL = 17006;  // close all; 0 when the person cancelled
inline constexpr int CAD_CMD_EXPORT_DXF = 17021; // export the active document to DXF
inline constexpr int CAD_CMD_PRINT = 17031;
inline constexpr int CAD_CMD_ZOOM_ALL = 17051;    // the whole drawing in view
inline constexpr int CAD_CMD_REDRAW = 18171;      // redraw the view
inline constexpr int CAD_CMD_SHOW_WIDTHS = 18173; // display line widths (run on new road drawings)
inline constexpr int CAD_CMD_HIDE_WIDTHS = 18174; // display every line one pixel wide (line axes)
inline constexpr int CAD_CMD_FILL_OUTLINES = 18175; // filled shapes as outlines only (toggle)
// The view (they need the drawing window)
inline constexpr int CAD_CMD_ZOOM_WINDOW = 17052; // zoom to a window of two picked corners
inline constexpr int CAD_CMD_PAN = 17053;         // pan by dragging
inline constexpr int CAD_CMD_ZOOM_IN = 17055;
inline constexpr int CAD_CMD_ZOOM_OUT = 17056;
inline constexpr int CAD_CMD_ZOOM_PREVIOUS = 17061;
inline constexpr int CAD_CMD_ZOOM_SELECTION = 17062;
inline constexpr int CAD_CMD_SAVE_VIEW = 17081; // save the view under a name
inline constexpr int CAD_CMD_VIEWS = 17082;     // the saved views: show, rename, delete
inline constexpr int CAD_CMD_SHOW_GRID = 17304; // grid on or off (toggle)
inline constexpr int CAD_CMD_GRID = 17461;      // the grid dialog
inline constexpr int CAD_CMD_NAVIGATOR = 18504; // a small window with the whole drawing
inline constexpr int CAD_CMD_MEASURE = 18502;   // measure lengths, angles and areas in the window
// Drawing: each picks its points in the drawing window
inline constexpr int CAD_CMD_DRAW_POINT = 17110;
inline constexpr int CAD_CMD_DRAW_LINE = 17120; // segment after segment
inline constexpr int CAD_CMD_DRAW_POLYLINE = 17130;
inline constexpr int CAD_CMD_DRAW_SPLINE = 17131;          // a curve through the points
inline constexpr int CAD_CMD_DRAW_CIRCLE = 17140;          // centre, radius
inline constexpr int CAD_CMD_DRAW_CIRCLE_DIAMETER = 17141; // centre, diameter
inline constexpr int CAD_CMD_DRAW_CIRCLE_2P = 17142;       // two points across
inline constexpr int CAD_CMD_DRAW_CIRCLE_3P = 17143;       // three points on it
inline constexpr int CAD_CMD_DRAW_ARC = 17150;             // centre, start, end
inline constexpr int CAD_CMD_DRAW_ARC_SEM = 17153;         // start, end, a point between
inline constexpr int CAD_CMD_DRAW_ARC_SME = 17154;         // start, a point between, end
inline constexpr int CAD_CMD_DRAW_SECTOR = 17165;          // centre, start, end
inline constexpr int CAD_CMD_DRAW_ELLIPSE = 17170;         // centre, axis end, other radius
inline constexpr int CAD_CMD_DRAW_RECTANGLE = 17180;       // two corners
inline constexpr int CAD_CMD_DRAW_HATCH = 17240;
inline constexpr int CAD_CMD_DRAW_TEXT = 17250;
inline constexpr int CAD_CMD_DRAW_SYMBOL = 17260;
inline constexpr int CAD_CMD_INSERT_BLOCK = 17280;
inline constexpr int CAD_CMD_DRAW_IMAGE = 17290;
// Dimensions (each one step; a point picked with a snap on an entity stays tied to it).
inline constexpr int CAD_CMD_DIM_HORIZONTAL = 17601; // two points, the dimension line's point
inline constexpr int CAD_CMD_DIM_VERTICAL = 17602;
inline constexpr int CAD_CMD_DIM_PARALLEL = 17603;
inline constexpr int CAD_CMD_DIM_ANGULAR = 17604;   // two lines (Enter: a vertex, two points)
inline constexpr int CAD_CMD_DIM_RADIAL = 17605;    // a circle or arc, the text point
inline constexpr int CAD_CMD_DIM_DIAMETRIC = 17606; // a circle or arc, the text point
inline constexpr int CAD_CMD_DIM_ORDINATE = 17607;  // a point; the side of the text chooses X or Y
inline constexpr int CAD_CMD_DIM_STYLES = 17610;    // the dimension-style dialog
// The drawing's print scale 1:N (a small dialog): what the print dialog starts from and what the
// dimensions' sizes (millimetres on paper) are multiplied by; kept in the drawing, not a step.
inline constexpr int CAD_CMD_PRINT_SCALE = 17611;
// Editing: on the selection, or on what is picked then when nothing is selected
inline constexpr int CAD_CMD_PROPERTIES = 17401; // the properties of the entities, as a dialog
inline constexpr int CAD_CMD_COPY = 17402;       // copies by base and destination points
inline constexpr int CAD_CMD_MOVE = 17403;       // by base and destination points
inline constexpr int CAD_CMD_ROTATE = 17404;     // about a centre
inline constexpr int CAD_CMD_SCALE = 17405;      // about a base point
inline constexpr int CAD_CMD_MIRROR = 17406;     // across a line of two points
inline constexpr int CAD_CMD_ERASE = 17407;      // erase
inline constexpr int CAD_CMD_EXPLODE = 17408;    // into simpler entities
inline constexpr int CAD_CMD_MAKE_BLOCK = 17409; // a block of a name given, with a base point
inline constexpr int CAD_CMD_CUT = 17441;        // the selection to the clipboard, then erased
inline constexpr int CAD_CMD_COPY_TO_CLIPBOARD = 17442; // the selection to the clipboard
inline constexpr int CAD_CMD_PASTE = 17443; // the clipboard's entities at a point picked
// Modifying what is drawn: each asks for what it needs in the drawing window.
inline constexpr int CAD_CMD_OFFSET = 17701;   // a parallel at a distance, or through a point
inline constexpr int CAD_CMD_TRIM = 17702;     // cut away at cutting edges (Shift: extend)
inline constexpr int CAD_CMD_EXTEND = 17703;   // lengthen to boundary edges (Shift: trim)
inline constexpr int CAD_CMD_FILLET = 17704;   // an arc of a radius at a corner
inline constexpr int CAD_CMD_CHAMFER = 17705;  // a straight cut across a corner
inline constexpr int CAD_CMD_BREAK = 17706;    // split at a point, or take out a part
inline constexpr int CAD_CMD_JOIN = 17707;     // pieces that meet end to end into one polyline
inline constexpr int CAD_CMD_STRETCH = 17708;  // what a crossing window holds moves
inline constexpr int CAD_CMD_ARRAY = 17709;    // copies in rows and columns, round, or along a path
inline constexpr int CAD_CMD_LENGTHEN = 17710; // by a length, per cent, to a total, dynamically
inline constexpr int CAD_CMD_REVERSE = 17711;  // the direction of lines, polylines, splines, arcs
inline constexpr int CAD_CMD_UNDO = 17431;     // take the last change back
inline constexpr int CAD_CMD_REDO = 17432;     // make the last change taken back anew
// Draw order: which entity is drawn over which, on screen, in print, export and files alike
// (of entities picked at the same distance the one on top is taken). Each is one step.
inline constexpr int CAD_CMD_SWAP_ENTITIES = 17621;    // two entities picked change places
inline constexpr int CAD_CMD_ENTITY_TO_TOP = 17622;    // the selection over everything else
inline constexpr int CAD_CMD_ENTITY_TO_BOTTOM = 17623; // the selection under everything else
// Every hatch and filled shape of the selection (of the drawing when nothing is selected)
// under everything else.
inline constexpr int CAD_CMD_HATCHES_TO_BOTTOM = 17624;
// Selecting
inline constexpr int CAD_CMD_SELECT_POINT = 18531;    // entity after entity by pointing
inline constexpr int CAD_CMD_SELECT_WINDOW = 18532;   // inside a rectangle of two corners
inline constexpr int CAD_CMD_SELECT_POLYGON = 18533;  // inside a polygon of picked points
inline constexpr int CAD_CMD_SELECT_FENCE = 18534;    // crossed by a line of picked points
inline constexpr int CAD_CMD_SELECT_DISTANCE = 18535; // within a distance of a picked point
// Snapping, while a command asks for points: each toggle turns one way of finding a point on
// or off, in the drawing window and on the snap toolbar alike (the grid's is the active
// drawing's own snapping); "none" turns every one off; the settings dialog takes the aperture
// and the steps of length and angle. They hold for the whole run.
inline constexpr int CAD_CMD_SNAP_END = 17501;
inline constexpr int CAD_CMD_SNAP_MIDDLE = 17502;
inline constexpr int CAD_CMD_SNAP_INTERSECTION = 17503;
inline constexpr int CAD_CMD_SNAP_CENTRE = 17504;
inline constexpr int CAD_CMD_SNAP_TRACKING = 17505; // in line with the base point
inline constexpr int CAD_CMD_SNAP_PERPENDICULAR = 17506;
inline constexpr int CAD_CMD_SNAP_TANGENT = 17507;
inline constexpr int CAD_CMD_SNAP_POINT = 17508; // points, insertion points
inline constexpr int CAD_CMD_SNAP_NEAREST = 17509;
inline constexpr int CAD_CMD_SNAP_GRID = 17510;
inline constexpr int CAD_CMD_SNAP_POLAR = 17511; // steps of length and angle from the base point
inline constexpr int CAD_CMD_SNAP_NONE = 17512;
inline constexpr int CAD_CMD_SNAP_SETTINGS = 17513;
// The snapping that holds for the run, to keep it from run to run: the ways of finding a point
// that are on (bit c - CAD_CMD_SNAP_END for the toggle of code c; the grid's bit is the active
// drawing's own and is left out), the aperture in pixels, the polar steps (drawing units and
// degrees) and the direction the angle steps count from.
struct CadSnapSettings {
    unsigned modes = 0;
    int aperture = 10;
    double lengthStep = 1, angleStep = 15, baseAngle = 0;
};
CadSnapSettings cadSnapSettings();
// Values out of range are brought into it.
void cadSetSnapSettings(const CadSnapSettings& settings);
// The engine's dialogs
inline constexpr int CAD_CMD_LAYERS = 17453;      // the layers dialog
inline constexpr int CAD_CMD_LAYER_ORDER = 18505; // the list and order of layers
inline constexpr int CAD_CMD_INFO = 18501;        // drawing information and statistics
// Print areas: the dialog that divides the drawing into areas to print (modeless: it picks in
// the drawing window), the print of the areas one a page, a window picked and printed to fit a
// page, the view or a picked window written as a BMP or PNG picture.
inline constexpr int CAD_CMD_PRINT_AREAS = 17801;
inline constexpr int CAD_CMD_PRINT_SHEETS = 17802;
inline constexpr int CAD_CMD_PRINT_WINDOW = 17803;
inline constexpr int CAD_CMD_EXPORT_BMP = 17804;

// Runs a command with its own interaction; non-zero when it ran to its end. An unknown code
// returns 0.
int cadExecute(int command);
// True when the engine has a command of that code.
bool cadCommandExists(int command);

// ---- undo
// Every change of a document is kept by its undo journal. The program's own changes of the
// active document from cadUndoGroupBegin to cadUndoGroupEnd make one step, which undo takes
// back whole. Groups nest: the outermost end makes the step. A call that changes a document
// outside a group (and outside a running command) is a step of its own. Undo and redo are
// refused while a group or a command records a step.
void cadUndoGroupBegin();
void cadUndoGroupEnd();
// Starts the active document's history anew (after the program built a new document's
// content, which is not a change to take back): an open group ends first, the document stays
// unsaved when it was.
void cadUndoForget();
// Whether the active document has a change to take back / to make anew.
bool cadCanUndo();
bool cadCanRedo();

// ---- the drawing window, toolbars and status bar
// ---------------------------------------------------

// Creates the drawing window inside parent at (x, y) with that size; it shows the active
// document. Style: 13 (a child window with a border) is the only one. Its handle (>0), or 0.
int cadWndCreate(QWidget* parent, int style, int x, int y, int width, int height);
// The client size of any widget (for fitting the drawing window to its parent).
bool cadGetWinSize(QWidget* widget, int& width, int& height);
// Moves and sizes the drawing window; a width or height of 0 or less is ignored.
int cadWndResize(int window, int x, int y, int width, int height);
// The drawing window's widget (nullptr for an unknown handle).
QWidget* cadWndWidget(int window);

// Declares a button for the next toolbar created (0: a separator).
void cadToolBarButton(int command);
inline constexpr int CAD_TOOLBAR_STANDARD = 4861;
inline constexpr int CAD_TOOLBAR_DRAW = 4862;
inline constexpr int CAD_TOOLBAR_EDIT = 4863;
inline constexpr int CAD_TOOLBAR_SNAPS = 4864;
inline constexpr int CAD_TOOLBAR_MODIFY = 4865;     // offset, trim, extend, fillet ... reverse
inline constexpr int CAD_TOOLBAR_ORDER = 4866;      // the draw order (17621-17624)
inline constexpr int CAD_TOOLBAR_DIMENSIONS = 4867; // "Wymiarowanie": the dimension commands
inline constexpr int CAD_TOOLBAR_LAYERS = 4871;
inline constexpr int CAD_TOOLBAR_LINESTYLES = 4872;
// Creates a toolbar inside parent with the buttons declared since the previous creation, or
// the engine's own buttons for its identifier when none were. A width or height of -1 or 0
// takes what the buttons need. Its handle (>0), or 0; width and height get its size.
int cadToolBarCreate(QWidget* parent, int id, int x, int y, int width, int height, int* outWidth,
                     int* outHeight);
// The icon the engine shows for a command (a generic one for commands without their own).
QIcon cadCommandIcon(int command);
// Creates the status bar inside parent: the cursor position, the command prompt and pane 2
// for the program's texts. Its handle, or 0; height gets its height.
int cadStatBarCreate(QWidget* parent, int* outHeight);
int cadStatBarSetText(int pane, std::string_view text);
// Lays the status bar out again after its parent changed size.
void cadStatBarResize();

// The list of open documents: make another one active, close one.
int cadFileList(int window);
// The system's printer set-up dialog.
int cadPrintSetup(int window);

// ---- export of the active document
// ---------------------------------------------------------------

struct CadPageOptions {
    // The paper, in millimetres; a page is turned to landscape when the drawing is wider than
    // high.
    double paperWidthMm = 210, paperHeightMm = 297;
    // 0: the whole drawing fitted on one page. Otherwise drawing units on a millimetre of
    // paper (the scale), the drawing spread over as many pages as it needs.
    double unitsPerPaperMm = 0;
    double marginMm = 10;
};
// Prints the whole drawing into a PDF file. 1, or 0 when nothing could be written.
int cadExportPdf(std::string_view path, const CadPageOptions& options);
// Draws the whole drawing, fitted, on its background colour into a PNG or SVG picture of
// width x height pixels. 1, or 0 when nothing could be written.
int cadExportPng(std::string_view path, int width, int height);
int cadExportSvg(std::string_view path, int width, int height);

// ---- print areas of the active document
// -----------------------------------------------------------

// A print area: the rectangle of the drawing one sheet shows, about its centre, `width` along
// its own x axis, which points at `angle` degrees counter-clockwise, and `height` across; the
// sheet's bottom edge runs along that axis. Areas are numbered by their place in the list.
struct CadPrintArea {
    double x = 0, y = 0, width = 0, height = 0, angle = 0;
};
int cadPrintAreaCount();
std::optional<CadPrintArea> cadPrintAreaGet(int index);
// Adds an area (its width and height positive) as one step of the history; its index, or -1.
int cadPrintAreaAdd(const CadPrintArea& area);
// Removes one area, or every area for -1, as one step; 0 when there was none.
int cadPrintAreaDelete(int index);
// What the active document keeps for its areas: the paper (0 A4, 1 A3, 2 A2, 3 A1, 4 A0, 5 the
// custom size in millimetres), landscape or upright, the margin on every side, the scale 1:N
// (in the drawing's units as the print dialog takes them), the overlap of neighbouring sheets
// (a percentage of their length, or metres laid out in the drawing's units as the scale is),
// match lines and sheet labels in prints.
struct CadSheetSettings {
    int paper = 1;
    double paperWidthMm = 0, paperHeightMm = 0;
    bool landscape = true;
    double marginMm = 10;
    double scale = 500;
    double overlap = 10;
    bool overlapPercent = true;
    bool matchLines = true, sheetLabels = true;
};
std::optional<CadSheetSettings> cadSheetSettings();
// Values out of range are refused (0).
int cadSetSheetSettings(const CadSheetSettings& settings);
// Divides an axis (lines, arcs, polylines and splines joined end to end, in any order, the
// first one's direction kept) into areas of the settings' paper and scale along it, from the
// chainage `start` to `end` (distances along the axis in drawing units), each turned so that
// the axis runs along it; they replace the document's areas as one step. Their number, or 0
// when the entities make no single axis.
int cadPrintAreasAlong(const std::vector<int>& entities, double start = 0, double end = -1);
// Prints the areas numbered in `which` (all of them when empty) into one PDF file, one a page
// on the settings' paper at their scale, each page turned as its area. 1, or 0 when nothing
// could be written.
int cadExportSheetsPdf(std::string_view path, const std::vector<int>& which = {});

// ---- layers and styles --------------------------------------------------------------------------

// Adds a layer, or for a name that exists gives that layer the width and colours; its index.
// Colours are Windows colour values 0x00BBGGRR; widths are mm on paper.
int cadLayerAdd(std::string_view name, double width, int color, int fillColor);
// Index of the layer of that name (exact comparison) from index `from` on, or -1.
int cadLayerIndex(std::string_view name, int from);
// Makes the layer the one new entities go on.
int cadLayerActive(int index);
// The index of the layer new entities go on, or -1 when no document is open.
int cadLayerGetActive();
int cadLayerCount();
// A label the engine shows beside the name of every layer of that name, in every document's
// layer lists (the layers dialog, the layer toolbar, the properties): what the layer holds, for
// layers named by numbers. An empty label removes it. Labels are Windows-1250 bytes; they are
// not saved with drawings.
void cadLayerLabel(std::string_view name, std::string_view label);
std::string cadLayerLabelOf(std::string_view name);

// Line styles. A definition is a list of lengths in drawing units, separated by commas or
// blanks: a positive length is a dash, a negative one a gap, 0 a dot; the list repeats along
// the line. An empty definition is a continuous line. Example: "6,-2,0,-2" (dash, gap, dot, gap).
// Style 0 of every document is continuous. Adding a name that exists replaces its definition.
int cadStLineAdd(std::string_view name, std::string_view definition);
int cadStLineIndex(std::string_view name, int from);
int cadStLineActive(int index);
int cadStLineCount();

// Text styles: font family, width factor, default oblique angle (degrees), precision (curve
// segments of outline fonts), filled (1) or outlined (0), system font (1) or a font file (0).
int cadStTextAdd(std::string_view name, std::string_view font, double widthFactor,
                 double obliqueAngle, int precision, int filled, int systemFont);
int cadStTextIndex(std::string_view name, int from);
int cadStTextActive(int index);
int cadStTextCount();

// What new entities of the active document take: its active layer, line style, text style and
// text parameters (see cadSetTextParam). They are not part of what undo takes back; the
// program keeps and restores them around work that changes them only on the way (reading a
// drawing into the document, loading a library).
struct CadCurrentAttributes {
    int layer = 0, lineStyle = 0, textStyle = 0, textAlign = 0;
    double textRotation = 0, textOblique = 0, textHeight = 0;
};
std::optional<CadCurrentAttributes> cadGetCurrentAttributes();
// Indexes that the document's tables do not hold are left as they are.
void cadSetCurrentAttributes(const CadCurrentAttributes& attributes);

// ---- entities -----------------------------------------------------------------------------------

// New entities go on the active layer, with the active line style, colour and width by layer.
void cadPolylineBegin();
int cadVertex(double x, double y);
// A vertex whose segment to the next one is an arc: bulge tan(sweep / 4), positive when it
// runs counter-clockwise (1 a half circle, 0 straight), as DXF keeps it.
int cadVertexBulge(double x, double y, double bulge);
// The polyline of the vertices given since cadPolylineBegin; fit 0 (straight segments, arcs
// where vertices were given with bulges), closed 1 or 0. Its handle.
int cadAddPolyline(int fit, int closed);
// A spline: a smooth curve through the points given since cadPolylineBegin (its fit points),
// closed 1 or 0. Its handle.
int cadAddSpline(int closed);
int cadAddPoint(double x, double y);
int cadAddLine(double x1, double y1, double x2, double y2);
int cadAddCircle(double x, double y, double radius);
// Centre, radius, start and end angle in degrees, counter-clockwise from start to end.
int cadAddArc(double x, double y, double radius, double startAngle, double endAngle);
// A sector: the arc of these values closed by the radii to its ends (it can be filled).
int cadAddSector(double x, double y, double radius, double startAngle, double endAngle);
// Centre, radii, rotation, start and end angle (degrees; 0 and 360 for a whole ellipse).
int cadAddEllipse(double x, double y, double radiusX, double radiusY, double rotation,
                  double startAngle, double endAngle);
// Centre, width, height, rotation (degrees).
int cadAddRectangle(double x, double y, double width, double height, double rotation);
// A hatch whose boundary loops are the polylines given since cadPolylineBegin, each ended by
// cadHatchLoop(); solid fill or a pattern by name, with its scale and angle.
int cadHatchLoop();
int cadAddHatch(std::string_view pattern, int solid, double scale, double angle);
// A raster image by file path, lower-left corner, width and height in drawing units.
int cadAddImage(std::string_view path, double x, double y, double width, double height);
// A block insertion: block index, insertion point, scales, rotation (degrees).
int cadAddInsert(int block, double x, double y, double scaleX, double scaleY, double angle);

inline constexpr int CAD_TEXT_ALIGN = 1;    // alignment: 0 left on the baseline, 1 centre, 2 right;
                                            // +3 middle, +6 top (so 4 is the centre of the box)
inline constexpr int CAD_TEXT_ROTATION = 2; // degrees, counter-clockwise
inline constexpr int CAD_TEXT_OBLIQUE = 3;  // degrees, slant of the letters
inline constexpr int CAD_TEXT_HEIGHT = 4;   // drawing units
// Sets a parameter for every text added after it, until changed.
int cadSetTextParam(int parameter, double value);
// A text at its insertion point; the string may be of any length.
int cadAddText(double x, double y, std::string_view text);

// ---- blocks -------------------------------------------------------------------------------------

// The entities created after cadBlockBegin make up the block that cadBlockAdd names; they
// leave the drawing for the block. cadBlockAdd returns the block's index (a block of a name
// that exists is replaced) or -1 when nothing was collected.
void cadBlockBegin();
int cadBlockAdd(std::string_view name, double baseX, double baseY);
// Copies the blocks of a native drawing into the active document: the named one, or all of
// them for an empty name. The number of blocks copied, or -1 when the file cannot be read.
int cadBlockAddF(std::string_view path, std::string_view name);
int cadBlockCount();
int cadBlockIndex(std::string_view name);
// The names of the blocks of a native drawing file; empty when it cannot be read.
std::vector<std::string> cadBlockNamesF(std::string_view path);
// How large a block of that name is meant to stand on paper: its larger side, in millimetres.
// When such a block is inserted, the insertion dialog proposes the scale at which it prints
// that large at the print scale (of the print dialog), and says so. 0 removes it.
void cadBlockPaperSize(std::string_view name, double millimetres);

// ---- walking, selection and view ----------------------------------------------------------------

inline constexpr int CAD_GET_FIRST = 6;
inline constexpr int CAD_GET_NEXT = 7;
// The first (CAD_GET_FIRST) or next (CAD_GET_NEXT) entity of the active document's drawing,
// negative at the end. The walk position belongs to the document.
int cadGetEntity(int request, int reserved1, int reserved2);
// Selects (1) or deselects (0) an entity, or every entity for -1.
int cadSelect(int select, int entity);
int cadSelectedCount();

inline constexpr double CAD_ZOOM_ALL = -1.0;        // the whole drawing
inline constexpr double CAD_ZOOM_PREVIOUS = -2.0;   // the view before the last change
inline constexpr double CAD_ZOOM_SELECTION = -10.0; // the selected entities fill the view
// Changes the active document's view: a positive value multiplies the magnification about
// the view's centre (0.1 shows ten times as much), or one of the values above.
int cadZoom(double value);
// Marks the view as changed / redraws it now.
void cadUpdate();
void cadRedraw();

struct CadRect {
    double left = 0, bottom = 0, right = 0, top = 0;
};
// Shows the part of the active document's drawing between those corners, whole and centred, with
// a narrow margin; 0 for an empty part or no document.
int cadZoomRect(const CadRect& part);
// The part of the drawing shown by the active document's view.
std::optional<CadRect> cadViewRect();
// The extents of the active document's drawing, or nothing when it holds no entities.
std::optional<CadRect> cadDrawingExtents();
std::optional<CadRect> cadEntityExtents(int entity);
// The vertices of a polyline (the fit points of a spline, the boundary of a hatch), x and y
// in turn.
std::vector<double> cadPolylineVertices(int entity);
// The bulges of a polyline's segments, one for each vertex (0 for a straight segment; all 0 for
// a polyline without arcs); empty for other entities.
std::vector<double> cadPolylineBulges(int entity);

// ---- properties ---------------------------------------------------------------------------------

// Application-wide (index 0)
inline constexpr int CAD_PROP_TEXT_ANSWER = 30155;    // the answer to CAD_MSG_TEXT
inline constexpr int CAD_PROP_WINDOW_CAPTION = 30001; // the drawing window's caption
inline constexpr int CAD_PROP_CONFIRM_DELETE = 30161; // 1: ask before deleting entities
// Document (index: document handle or -1)
inline constexpr int CAD_PROP_DOC_FILENAME = 3; // file name without folder (read only)
inline constexpr int CAD_PROP_DOC_PATH = 4;     // full path (read only)
inline constexpr int CAD_PROP_DOC_BACKCOLOR = 32;
inline constexpr int CAD_PROP_DOC_MODIFIED = 33;     // 1 when changed since the last save
inline constexpr int CAD_PROP_DOC_CURSOR_SIZE = 145; // % of the window; 0 = across the window
inline constexpr int CAD_PROP_DOC_CURSOR_COLOR = 146;
inline constexpr int CAD_PROP_DOC_SHOW_GRIPS = 149; // 1: grips on selected entities
inline constexpr int CAD_PROP_DOC_GRIP_COLOR = 150;
inline constexpr int CAD_PROP_DOC_UNITS = 161; // 0 unitless, 1 inches, 2 mm, 3 cm, 4 m
// Layer (index: layer)
inline constexpr int CAD_PROP_LAYER_NAME = 301;
inline constexpr int CAD_PROP_LAYER_COLOR = 302;
inline constexpr int CAD_PROP_LAYER_FILLCOLOR = 303;
inline constexpr int CAD_PROP_LAYER_WIDTH = 304;
inline constexpr int CAD_PROP_LAYER_VISIBLE = 305;
inline constexpr int CAD_PROP_LAYER_LOCKED = 306;
inline constexpr int CAD_PROP_LAYER_PRINTABLE = 307;
// Line style (index: style)
inline constexpr int CAD_PROP_LINESTYLE_NAME = 501;
inline constexpr int CAD_PROP_LINESTYLE_DEFINITION = 502;
// Text style (index: style)
inline constexpr int CAD_PROP_TEXTSTYLE_NAME = 601;
inline constexpr int CAD_PROP_TEXTSTYLE_FONT = 602;
inline constexpr int CAD_PROP_TEXTSTYLE_WIDTHFACTOR = 603;
inline constexpr int CAD_PROP_TEXTSTYLE_OBLIQUE = 604;
// Block (index: block)
inline constexpr int CAD_PROP_BLOCK_NAME = 701;
inline constexpr int CAD_PROP_BLOCK_BASE_X = 702;
inline constexpr int CAD_PROP_BLOCK_BASE_Y = 703;
inline constexpr int CAD_PROP_BLOCK_ENTITIES = 704; // number of entities (read only)
// Entity (index: entity)
inline constexpr int CAD_PROP_ENT_TYPE = 20001; // one of CAD_ENT_... (read only)
inline constexpr int CAD_PROP_ENT_LAYER = 20002;
inline constexpr int CAD_PROP_ENT_LINESTYLE = 20003;
inline constexpr int CAD_PROP_ENT_COLOR = 20004;         // own colour; writing it ends "by layer"
inline constexpr int CAD_PROP_ENT_COLOR_BYLAYER = 20005; // 1: the layer's colour
inline constexpr int CAD_PROP_ENT_WIDTH = 20006;         // own width; writing it ends "by layer"
inline constexpr int CAD_PROP_ENT_WIDTH_BYLAYER = 20007; // 1: the layer's width
inline constexpr int CAD_PROP_ENT_SELECTED = 20010;      // read only; see cadSelect
// polyline, circle, ellipse, rectangle, sector
inline constexpr int CAD_PROP_ENT_FILLED = 20020;
inline constexpr int CAD_PROP_ENT_CLOSED = 20021; // polyline, spline
// polyline, hatch: vertex count; spline: fit points (read only)
inline constexpr int CAD_PROP_ENT_VERTICES = 20022;
inline constexpr int CAD_PROP_ENT_X = 20101; // point, start, centre or insertion point
inline constexpr int CAD_PROP_ENT_Y = 20102;
inline constexpr int CAD_PROP_ENT_X2 = 20103; // line end
inline constexpr int CAD_PROP_ENT_Y2 = 20104;
inline constexpr int CAD_PROP_ENT_RADIUS = 20105;   // circle, arc, sector; ellipse: along x
inline constexpr int CAD_PROP_ENT_RADIUS2 = 20106;  // ellipse: radius along y
inline constexpr int CAD_PROP_ENT_ANGLE0 = 20107;   // arc, sector, ellipse: start angle
inline constexpr int CAD_PROP_ENT_ANGLE1 = 20108;   // arc, sector, ellipse: end angle
inline constexpr int CAD_PROP_ENT_ROTATION = 20109; // ellipse, rectangle, insertion
inline constexpr int CAD_PROP_ENT_WIDTH2 = 20110;   // rectangle width, image width
inline constexpr int CAD_PROP_ENT_HEIGHT2 = 20111;  // rectangle height, image height
inline constexpr int CAD_PROP_ENT_SCALE_X = 20112;  // insertion, hatch pattern scale
inline constexpr int CAD_PROP_ENT_SCALE_Y = 20113;
inline constexpr int CAD_PROP_ENT_BLOCK = 20114; // insertion: block index
inline constexpr int CAD_PROP_ENT_NAME = 20115;  // hatch pattern name, image path
inline constexpr int CAD_PROP_TEXT_HEIGHT = 20701;
inline constexpr int CAD_PROP_TEXT_ROTATION = 20702;
inline constexpr int CAD_PROP_TEXT_STRING = 20703;
inline constexpr int CAD_PROP_TEXT_OBLIQUE = 20704;
inline constexpr int CAD_PROP_TEXT_ALIGN = 20705;
inline constexpr int CAD_PROP_TEXT_STYLE = 20706;

inline constexpr int CAD_ENT_POINT = 20;
inline constexpr int CAD_ENT_LINE = 21;
inline constexpr int CAD_ENT_POLYLINE = 22;
inline constexpr int CAD_ENT_CIRCLE = 23;
inline constexpr int CAD_ENT_ARC = 24;
inline constexpr int CAD_ENT_ELLIPSE = 25;
inline constexpr int CAD_ENT_RECTANGLE = 26;
inline constexpr int CAD_ENT_INSERT = 27;
inline constexpr int CAD_ENT_TEXT = 28;
inline constexpr int CAD_ENT_HATCH = 29;
inline constexpr int CAD_ENT_IMAGE = 30;
inline constexpr int CAD_ENT_SPLINE = 31;
inline constexpr int CAD_ENT_SECTOR = 32;
inline constexpr int CAD_ENT_DIMENSION = 33;

inline constexpr int CAD_COLOR_BLACK = 0x000000;

// Texts and paths.
std::optional<std::string> cadPropGet(int property, int index);
int cadPropPut(int property, int index, std::string_view value);
std::optional<int> cadPropGetInt(int property, int index);
int cadPropPutInt(int property, int index, int value);
std::optional<double> cadPropGetDbl(int property, int index);
int cadPropPutDbl(int property, int index, double value);

// ---- information --------------------------------------------------------------------------------

struct CadStatistics {
    int layers = 0, lineStyles = 0, textStyles = 0, blocks = 0;
    int entities = 0;       // in the drawing, without the blocks' own
    long long vertices = 0; // of polylines, hatch boundaries and splines (their fit points)
    long long textChars = 0;
    int byType[14] = {}; // index: CAD_ENT_... - CAD_ENT_POINT
    int dimensionStyles = 0;
    // Dimensions: linear (horizontal, vertical, parallel), angular, radial, diametric, ordinate.
    int dimensionsByGroup[5] = {};
    std::vector<int> byLayer; // index: layer
    std::vector<int> byBlock; // entities of each block
    std::optional<CadRect> extents;
};
std::optional<CadStatistics> cadGetStatistics();
// The drawing's information and statistics as the engine shows them: one line a row.
std::vector<std::string> cadDrawingInfo();
// The text the engine shows for a number: the program's answer, else the engine's own.
std::string cadText(int number);
// The numbers of every text the engine shows, each of which it asks the program for, in
// increasing order.
std::vector<int> cadTextNumbers();

// The engine's version, "major.minor".
std::string cadVersion();
// Closes every document without questions and forgets the handler, responder and settings:
// the state of a freshly started engine (for tests and for the end of the program).
void cadReset();
