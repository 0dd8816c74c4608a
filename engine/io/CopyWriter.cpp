#include "engine/io/CopyWriter.h"

#include "engine/io/NativeFormat.h"

#include <QMetaObject>

#include <algorithm>
#include <system_error>

namespace cad {

CopyWriter::CopyWriter() = default;

CopyWriter::~CopyWriter() {
    waitAll(false);
}

bool CopyWriter::start(int document, std::unique_ptr<Drawing> drawing, std::string path,
                       Finished finished) {
    if (pending(document))
        return false;
    auto job = std::make_unique<Job>();
    job->document = document;
    job->finished = std::move(finished);
    Job* j = job.get();
    try {
        j->thread =
            std::thread([this, j, d = std::move(drawing), path = std::move(path)]() mutable {
                try {
                    saveNative(*d, path);
                } catch (const std::exception& e) {
                    j->error = *e.what() ? e.what() : "Cannot write " + path;
                } catch (...) {
                    j->error = "Cannot write " + path;
                }
                d.reset(); // the memory goes back here, not on the window's thread
                j->done.store(true, std::memory_order_release);
                QMetaObject::invokeMethod(
                    &receiver_, [this] { finishDone(); }, Qt::QueuedConnection);
            });
    } catch (const std::system_error&) {
        return false; // no thread to be had: no copy this time
    }
    jobs_.push_back(std::move(job));
    return true;
}

bool CopyWriter::pending(int document) const {
    return std::any_of(jobs_.begin(), jobs_.end(),
                       [document](const auto& j) { return j->document == document; });
}

void CopyWriter::finishDone() {
    std::vector<std::unique_ptr<Job>> done;
    for (auto it = jobs_.begin(); it != jobs_.end();) {
        if ((*it)->done.load(std::memory_order_acquire)) {
            if ((*it)->thread.joinable())
                (*it)->thread.join();
            done.push_back(std::move(*it));
            it = jobs_.erase(it);
        } else {
            ++it;
        }
    }
    // Off the list first: a finished function may start the next copy of its document.
    for (const auto& j : done)
        if (j->finished)
            j->finished(j->document, j->error);
}

void CopyWriter::waitAll(bool announce) {
    for (const auto& j : jobs_)
        if (j->thread.joinable())
            j->thread.join();
    if (announce) {
        finishDone();
        return;
    }
    jobs_.clear();
}

} // namespace cad
