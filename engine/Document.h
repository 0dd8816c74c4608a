// One open document: its drawing, its views, the things being built through the interface, and
// its undo journal. The drawing is handed out for reading only; its content changes through an
// Edit (engine/edit/Edit.h), whose change set keeps what it changes for the journal. What is not
// content (the selection, the attributes new entities take, the display settings kept in the
// file) has its own small doors here.
#pragma once

#include "engine/edit/Journal.h"
#include "engine/io/FileStamp.h"
#include "engine/model/Drawing.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace cad {

class Edit;

// What a document's view shows: a centre and a scale, for a window of a given size.
struct View {
    Vec2 centre;
    double unitsPerPixel = 1;
    int widthPx = 800, heightPx = 600;
    Rect rect() const;
};

class Document {
public:
    explicit Document(std::unique_ptr<Drawing> drawing = nullptr);
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;
    ~Document();

    int handle = 0;
    std::string path; // file-system bytes; empty until saved or opened
    EntityWalk walk;
    View view;
    std::vector<View> previousViews;
    std::vector<std::pair<std::string, View>> savedViews; // named views (engine/view/)
    // Building entities through the interface: the vertices of the polyline being collected,
    // the loops collected for the next hatch, the first entity of the block being collected.
    std::optional<std::vector<Vec2>> pendingVertices;
    // The bulge of each of those vertices' segments, once one was given with a bulge.
    std::vector<double> pendingBulges;
    std::vector<Vec2> hatchVertices;
    std::vector<std::uint32_t> hatchLoops;
    std::optional<std::size_t> blockStart;

    // ---- the drawing
    const Drawing& drawing() const { return *drawing_; }
    // The selection is not part of the content.
    bool select(int handle, bool on) { return drawing_->select(handle, on); }
    int selectAll(bool on) { return drawing_->selectAll(on); }
    // What new entities take: not part of the content either.
    CurrentAttributes& current() { return drawing_->current; }
    // Display settings kept in the file (grid, line widths shown, fills as outlines): changing
    // them marks the document changed, but they are not steps of the journal.
    template <typename F> void changeSettings(F change) {
        DrawingSettings s = drawing_->settings;
        change(s);
        if (s == drawing_->settings)
            return;
        const bool rescaled =
            s.printScale != drawing_->settings.printScale || s.units != drawing_->settings.units;
        drawing_->settings = s;
        drawing_->touch();
        // Dimensions take their size from the print scale.
        if (rescaled && !drawing_->dimensions.empty())
            drawing_->dimensionsRestyled();
    }
    // Loads content into the document outside the journal: an open change is ended first,
    // `load` changes or replaces the drawing as it likes, and the journal starts anew from the
    // result.
    void load(const std::function<void(std::unique_ptr<Drawing>&)>& load);

    // ---- undo
    Journal journal;
    // The change being recorded (by a command or a group of the program's calls), how many
    // Edits have joined it, and the number of the recording (a reset of the journal ends it
    // under any Edit still open; the Edit notices by the number).
    std::unique_ptr<ChangeSet> recording;
    int recordingDepth = 0;
    std::uint64_t recordingEpoch = 0;
    // The journal's state when the document was last saved or opened.
    std::uint64_t savedState = 0;
    // Where dimensions followed the entities they are tied to in the last steps (areas the
    // commands that made the steps did not know of): the window draws them again.
    Rect followed;
    // Whether the program was last told that the document is modified (CAD_MSG_DOC_MODIFIED).
    bool toldModified = false;
    // The document's own file as it was when it was opened or last saved: a save over that
    // file asks first when another program changed it meanwhile. Nothing when not known.
    std::optional<FileStamp> onDisk;
    // Changed since the last save: by a step of the journal, or by something it does not hold.
    bool modified() const { return drawing_->modified || journal.state() != savedState; }
    // Marks the document as changed by something the journal does not hold.
    void markChanged() { drawing_->modified = true; }
    // Marks the document as saved as it is now.
    void saved() {
        drawing_->modified = false;
        savedState = journal.state();
    }
    // Ends a change being recorded (keeping what it did as a step) and starts the journal
    // anew; the document stays changed when it was.
    void forgetChanges();
    // Lets the vertex store reclaim what no entity uses any longer, once there is enough of it.
    void tidy();

private:
    friend class Edit;
    std::unique_ptr<Drawing> drawing_;
};

} // namespace cad
