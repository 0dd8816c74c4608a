// The engine's state behind CadApi.h: the open documents, the program's message handler, the
// responder and the engine-wide settings. Everything runs on the user-interface thread.
#pragma once

#include "engine/CadApi.h"
#include "engine/Document.h"
#include "engine/edit/Edit.h"
#include "engine/io/CopyWriter.h"
#include "engine/io/FileStamp.h"
#include "engine/model/Drawing.h"
#include "engine/snap/SnapSettings.h"

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QLineEdit;

namespace cad {

class FileError;
class Engine;

// What the engine tells the drawing window (engine/view/), once there is one.
class WindowSink {
public:
    virtual ~WindowSink() = default;
    // The active document, or its view, or its content changed: show it again.
    virtual void refresh() = 0;
    // The active document changed within an area (drawing units): show that part again.
    virtual void refreshArea(const Rect& area) = 0;
    // Another document became active, or the active one closed.
    virtual void documentChanged() = 0;
    // A document is about to close: whatever works on it stops.
    virtual void documentClosing(int handle) = 0;
};

// Each part of the engine adds its commands to the engine when the engine starts.
void registerDocumentCommands(Engine& e);  // CadApi.cpp: files, closing, display settings
void registerViewCommands(Engine& e);      // view/: zoom, pan, views, navigator, grid
void registerMeasureCommand(Engine& e);    // view/: distance and area measurement
void registerDialogCommands(Engine& e);    // ui/: layers, files list, print, information
void registerEditCommands(Engine& e);      // commands/: undo, redo, erase
void registerSelectionCommands(Engine& e); // commands/: selecting by point, window, fence...
void registerDrawCommands(Engine& e);      // commands/: the drawing commands
void registerPlaceCommands(Engine& e);     // commands/: text, symbol, image, block
void registerHatchCommand(Engine& e);      // commands/: hatching
void registerModifyCommands(Engine& e);    // commands/: copy, move, rotate, scale, mirror...
// commands/: offset, trim, extend; fillet, chamfer; break, join, stretch, array, lengthen, reverse
void registerOffsetTrimCommands(Engine& e);
void registerCornerCommands(Engine& e);
void registerPieceCommands(Engine& e);
void registerArrayCommand(Engine& e);
void registerClipboardCommands(Engine& e); // commands/: cut, copy and paste
void registerOrderCommands(Engine& e);     // commands/: the draw order
void registerSnapCommands(Engine& e);      // snap/: the ways of finding points, their settings
void registerSheetCommands(Engine& e);     // ui/: print areas, sheets, a window, BMP export
void registerDimensionCommands(Engine& e); // commands/: dimensions and their styles

class Engine {
public:
    static Engine& instance();

    // ---- documents
    Document* find(int handle); // -1: the active one; nullptr when there is none
    Document* active() { return find(-1); }
    // A new document holding the drawing (an empty one when null), made active.
    Document& create(std::unique_ptr<Drawing> drawing = nullptr, std::string path = {});
    void activate(Document& d);
    void close(int handle);
    const std::vector<std::unique_ptr<Document>>& documents() const { return documents_; }

    // ---- talking to the program and the person
    CadMsgHandler handler;
    std::shared_ptr<CadResponder> responder();
    std::shared_ptr<CadResponder> setResponder(std::shared_ptr<CadResponder> r);
    int notify(int document, int message, int prm1 = 0);
    // The text of a number: the program's answer, else the engine's own English one. Only the
    // numbers of engine/Texts.cpp are asked for.
    std::string text(int number);
    // The same for any number (empty when neither has a text), for callers of the interface.
    std::string lookUpText(int number);
    std::string textAnswer;
    // Shows a file error with the text that fits it.
    void reportFileError(const FileError& error, const std::string& path);
    // Tells the person something that needs no answer, in the status bar (what was saved
    // where, an undo with nothing to take back); nowhere when there is no status bar.
    void notice(const std::string& text);
    std::function<void(const std::string&)> onNotice;

    // ---- engine-wide settings
    int confirmDelete = 1;
    std::string windowCaption;
    SnapSettings snaps;
    // What the program tells of layers and blocks by their names (cadLayerLabel,
    // cadBlockPaperSize).
    std::map<std::string, std::string, std::less<>> layerLabels;
    std::map<std::string, double, std::less<>> blockPaperMm;
    // A layer's name as the layer lists show it: with its label, when it has one.
    std::string layerTitle(const std::string& name) const;

    // ---- changes
    // The change being recorded in a document, or nullptr: whoever changes the document first
    // tells it what is about to change.
    ChangeSet* recording(Document* d) { return d ? d->recording.get() : nullptr; }
    // Takes the last change of a document back, or makes the last one taken back anew; what it
    // changed is selected and shown. False (after telling the person) when there is none.
    bool undo(Document& d);
    bool redo(Document& d);
    bool step(Document& d, bool back);
    // The document whose group of the program's calls is being recorded (0: none, or closed
    // meanwhile), and how deep the groups are.
    int groupDocument = 0;
    int groupDepth = 0;
    std::unique_ptr<Edit> group; // the change the group records

    // ---- files
    // Saves a document in the native format under path; it takes that name. False (after
    // telling the person) when the save failed.
    bool saveAs(Document& d, const std::string& path);
    // Copies of documents being written in the background.
    CopyWriter copies;
    // Asks for a name and saves; false when cancelled or failed.
    bool saveWithQuestion(Document& d);
    // Closes a document, first asking about unsaved changes; false when the person cancelled
    // (or the save they asked for failed).
    bool closeWithQuestion(int handle);
    // The file name of a document without folder, or the engine's "untitled" text, as an
    // engine text (Windows-1250 bytes).
    std::string displayName(const Document& d);
    // A path (file-system bytes) as an engine text, for messages.
    static std::string pathText(const std::string& path);

    // ---- commands
    using Command = std::function<int()>;
    void addCommand(int code, Command command) { commands_[code] = std::move(command); }
    bool hasCommand(int code) const { return commands_.count(code) != 0; }
    int execute(int code) {
        const auto it = commands_.find(code);
        return it == commands_.end() ? 0 : it->second();
    }

    // ---- the drawing window (one at most), once created
    WindowSink* window = nullptr;
    // Whoever shows the active document's tables (the layer and line-style toolbars) hears
    // when another document became active or a table changed.
    using Observer = std::function<void()>;
    int addObserver(Observer o) {
        observers_[++lastObserver_] = std::move(o);
        return lastObserver_;
    }
    void removeObserver(int id) { observers_.erase(id); }
    void tablesChanged() {
        for (auto& [id, o] : std::map<int, Observer>(observers_))
            o();
    }
    // Looks whether what the program and the toolbars show of the active document went out of
    // date (it became modified or saved, there is now something to undo or redo), and tells
    // them: the program by CAD_MSG_DOC_MODIFIED, the observers as when a table changed. Cheap:
    // called after every command and every frame of the drawing window.
    void noticeChanges();
    // The status bar listens to the window: the cursor in drawing units, the command prompt.
    std::function<void(double, double)> onCursor;
    std::function<void(const std::string&)> onPrompt;
    // The field of the status bar that coordinates are typed into, once there is one.
    std::function<QLineEdit*()> inputField;
    // Shows the active document's view again: after a change of the drawing or of the view.
    void redraw();
    // Shows again the part of a document's view where its drawing changed.
    void redrawArea(const Document& d, const Rect& area);

    // ---- views
    void zoomTo(Document& d, const Rect& r);
    void zoomAll(Document& d);
    void pushView(Document& d);

    void reset();

private:
    Engine();
    std::map<int, Command> commands_;
    std::map<int, Observer> observers_;
    int lastObserver_ = 0;
    std::vector<std::unique_ptr<Document>> documents_;
    int active_ = 0;
    Document* activeDoc_ = nullptr; // the document of active_, looked up once
    int nextHandle_ = 1;
    std::shared_ptr<CadResponder> responder_;
    // What noticeChanges last saw: the active document and whether it could undo and redo.
    std::array<std::uint64_t, 3> noticed_{};
};

inline Engine& engine() {
    return Engine::instance();
}

// The folder of a document's own file (file-system bytes), where its dialogs start; empty for
// an untitled one.
inline std::string folderOf(const Document& d) {
    const auto slash = d.path.find_last_of('/');
    return slash == std::string::npos ? std::string() : d.path.substr(0, slash);
}

// The active document's drawing, or nullptr when no document is open.
inline const Drawing* activeDrawing() {
    const Document* d = engine().active();
    return d ? &d->drawing() : nullptr;
}

// Runs a change of the active document as an Edit: it joins the change being recorded (a
// command's, or the program's group) or is a step of its own. `otherwise` without a document.
template <typename R, typename F> R changeActive(R otherwise, F change) {
    Document* d = engine().active();
    if (!d)
        return otherwise;
    Edit edit(*d);
    const R result = change(edit.changes());
    edit.commit();
    return result;
}

// The engine's own English text of a number (engine/Texts.cpp), or nothing for a number the
// engine never shows.
std::optional<std::string_view> ownText(int number);
// The numbers of all the engine's texts, in increasing order.
std::vector<int> ownTextNumbers();

// Millimetres in a drawing unit (DrawingSettings::units: 0 unitless, 1 inch, 2 mm, 3 cm, 4 m).
// A unitless drawing is taken as one in millimetres.
double millimetresPerUnit(int units);

// A value for formatText: a text or a number.
struct TextArg {
    enum class Kind { Text, Integer, Real } kind;
    std::string text;
    double number = 0;
    TextArg(std::string t) : kind(Kind::Text), text(std::move(t)) {}
    TextArg(const char* t) : kind(Kind::Text), text(t) {}
    TextArg(int v) : kind(Kind::Integer), number(v) {}
    TextArg(long long v) : kind(Kind::Integer), number(static_cast<double>(v)) {}
    TextArg(double v) : kind(Kind::Real), number(v) {}
};

// Replaces printf-style fields (%s, %d, %.Nf, %f, %%) one by one with the given values, without
// trusting the format: a field without a value, or of another kind, stays readable.
std::string formatText(std::string_view format, std::initializer_list<TextArg> values);
std::string formatNumber(double value, int decimals);
// A path a person chose to save to, with the extension (".rdw") added when the file name has
// none, as programs do.
std::string withDefaultExtension(std::string path, std::string_view extension);
// A text with the literal two characters backslash and n made line breaks.
std::string withLineBreaks(std::string_view text);

} // namespace cad
