// Copies of documents written in the native format on threads of their own, so that the window
// goes on while a large drawing is written. The drawing is taken (copied) on the caller's thread;
// what happens after that never touches the document again.
#pragma once

#include "engine/model/Drawing.h"

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace cad {

class CopyWriter {
public:
    // Runs on the thread that started the copy, once it is written (error empty) or failed.
    using Finished = std::function<void(int document, const std::string& error)>;

    CopyWriter();
    CopyWriter(const CopyWriter&) = delete;
    CopyWriter& operator=(const CopyWriter&) = delete;
    ~CopyWriter(); // waits for the copies being written, without announcing them

    // Writes drawing to path (through saveNative: a temporary file renamed into place) on a
    // thread of its own; finished runs from the event loop once it is done. False, with nothing
    // started, while a copy of the same document is still being written.
    bool start(int document, std::unique_ptr<Drawing> drawing, std::string path, Finished finished);
    bool pending(int document) const;
    bool anyPending() const { return !jobs_.empty(); }
    // Waits until every copy is written; their finished functions run now when announce is
    // true, never otherwise.
    void waitAll(bool announce);

private:
    struct Job {
        int document = 0;
        std::thread thread;
        std::atomic<bool> done{false};
        std::string error;
        Finished finished;
    };
    // Takes the jobs that are done off the list and runs their finished functions.
    void finishDone();

    std::vector<std::unique_ptr<Job>> jobs_;
    // Lives on the thread that makes the engine: the workers announce their end to it.
    QObject receiver_;
};

} // namespace cad
