// One change of a document: it joins the change being recorded or begins one; commit() makes it
// a step of the journal (at the outermost level), and a change never committed is taken back
// whole. Its change set is the only writer of a document's drawing.
#pragma once

#include "engine/Document.h"
#include "engine/edit/ChangeSet.h"

namespace cad {

class Edit {
public:
    explicit Edit(Document& d);
    Edit(const Edit&) = delete;
    Edit& operator=(const Edit&) = delete;
    ~Edit();

    // The writer of the change. Should the journal have been started anew under the Edit, what
    // is written from then on is a change of its own.
    ChangeSet& changes();
    const Drawing& drawing() const { return document_.drawing(); }
    Document& document() { return document_; }
    // False once the document's journal was started anew under it (the change it joined was
    // ended then): it has nothing left to commit or take back.
    bool open() const { return open_ && epoch_ == document_.recordingEpoch; }
    void commit();
    // Takes the change back now.
    void abandon();

private:
    void join();
    Document& document_;
    std::uint64_t epoch_;
    bool open_ = true;
};

} // namespace cad
