// Copies of unsaved drawings, and bringing them back after the program ended without closing
// them (a crash, a killed process, a power cut).
//
// Every few minutes (the "KOPIA" line of the settings) each modified document whose content
// changed since its last copy is copied into this run's folder in the user's state folder
// (UserStateDirectory()). The engine takes the drawing at once and writes it on a thread of its
// own, through a temporary file renamed into place:
//
//   run-<pid>-<start in ms>/lock      locked (flock) for as long as the run lives
//   run-.../<document>.rdw            the copy of a document, a native drawing
//   run-.../<document>.txt            what reopens it under its name: its file, its title
//
// Saving or closing a document removes its copy; a normal end removes the run's folder. At
// start, the folders of runs that ended otherwise (their lock is free: the system frees it
// when a process dies, however it dies) are offered back; instances still running keep their
// lock, and their copies are left alone.
#pragma once

#include "engine/CadApi.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

// What reopens a copy under its name.
struct CopyDescription {
    QByteArray path;     // the drawing's own file (file-system bytes); empty for an untitled one
    QString title;       // as the person knows the drawing
    int drawingKind = 0; // of a road-design drawing (import/Settings.h), 0 for any other
    // The drawing's own file as the run saw it when it opened or last saved it: a save of the
    // drawing brought back asks before it replaces a file changed since.
    std::optional<CadFileStamp> onDisk;
    friend bool operator==(const CopyDescription& a, const CopyDescription& b) {
        const auto same = [](const std::optional<CadFileStamp>& x,
                             const std::optional<CadFileStamp>& y) {
            return x.has_value() == y.has_value() &&
                   (!x ||
                    (x->size == y->size && x->writtenNs == y->writtenNs && x->hash == y->hash));
        };
        return a.path == b.path && a.title == b.title && a.drawingKind == b.drawingKind &&
               same(a.onDisk, b.onDisk);
    }
};
QByteArray DescribeCopy(const CopyDescription& description);
// Nothing when the bytes are not a whole description (damaged, cut short, of another kind).
std::optional<CopyDescription> ReadCopyDescription(const QByteArray& bytes);

// A copy left by a run that ended without closing its drawings.
struct LeftCopy {
    QString copyFile;
    // Nothing when its description is missing or damaged.
    std::optional<CopyDescription> description;
};

// The runs that ended without closing, in a state folder, found at start. While this lives it
// holds their locks, so that another instance starting at the same moment does not take them
// too.
class LeftRuns {
public:
    // Every run folder of stateFolder but `own` whose lock is free.
    static LeftRuns find(const QString& stateFolder, const QString& own = QString());
    LeftRuns() = default;
    LeftRuns(LeftRuns&& other) noexcept;
    LeftRuns& operator=(LeftRuns&&) = delete;
    ~LeftRuns(); // frees the locks

    QList<LeftCopy> copies;
    int runCount() const { return static_cast<int>(runs_.size()); }
    // Removes the runs' folders with everything in them.
    void remove();

private:
    struct Run {
        QString folder;
        int lock = -1;
    };
    std::vector<Run> runs_;
};

class CrashRecovery : public QObject {
    Q_OBJECT
public:
    explicit CrashRecovery(QObject* parent = nullptr);
    ~CrashRecovery() override; // the run ends normally

    // Copies every ms milliseconds; 0 or less: none.
    void setInterval(int ms);
    int interval() const { return timer_.isActive() ? timer_.interval() : 0; }

    // One round now: a copy of each modified document whose content changed since its last
    // copy. The copy of a document that is no longer modified (undone to its saved state) goes.
    void writeCopies();
    // A document was saved, or closed: its copy goes.
    void documentSaved(int document);
    void documentClosed(int document);
    // Waits for the copies being written, removes the run's folder and frees its lock.
    void endRun();

    // The run's folder; empty until the first copy.
    QString runFolder() const { return runFolder_; }
    // Locks a new run folder (with a trailing separator) for as long as the run lives: the lock's
    // descriptor, or -1 when it cannot be locked. Replaceable, to see what a refusal leaves.
    std::function<int(const QString& folder)> lockFolder;
    // The files of a document's copy in the run's folder.
    QString copyFile(int document) const;
    QString descriptionFile(int document) const;

    // At start: when runs that ended without closing left copies, asks whether to bring them
    // back. Yes opens them as modified documents under their own names (a copy that cannot be
    // read is skipped, and named in a message); No, or nothing to bring back, removes them.
    // The number of drawings opened.
    int offerLeftCopies(int engineWindow);

private:
    struct Kept {
        std::optional<CadChangeStamp> stamp;   // of the copy in the folder
        std::optional<CadChangeStamp> writing; // of the copy being written
        QByteArray description;                // as written in the folder
        int generation = 0;                    // a save or close makes a copy being written stale
    };
    bool startRun();
    void removeCopy(int document);
    void copyFinished(int document, int generation, const std::string& error);
    bool writeDescription(int document, Kept& kept);
    // Takes a left copy over as the copy of a document of this run.
    void adopt(int document, const LeftCopy& copy);

    QTimer timer_;
    QString runFolder_; // with a trailing separator
    int lock_ = -1;
    std::map<int, Kept> kept_;
    bool failureTold_ = false;
    bool folderRefused_ = false; // no run folder could be made and locked: none is tried again
};

// The one instance, as the engine's messages reach it; nullptr when there is none.
extern CrashRecovery* Recovery;

// Milliseconds between copies: KWL_AUTOSAVE_MS when it holds a number (tests and automation),
// else the settings' minutes.
int CopyIntervalMs();
// True when the program must ask nothing at start (a run that checks the start-up,
// KWL_QUIT_AFTER_START).
bool StartsWithoutQuestions();
