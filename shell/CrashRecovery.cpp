#include "shell/CrashRecovery.h"

#include "import/Settings.h"
#include "import/Unit_progres.h"
#include "shell/DwgProc.h"
#include "support/Cp1250.h"
#include "support/Platform.h"
#include "support/ProgramDirectory.h"
#include "support/brdodatkirozn.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

CrashRecovery* Recovery = nullptr;

namespace {

const QByteArray kDescriptionHeader = "KWL_Edytor kopia 1";
// A description is a few lines; anything much longer is no description.
constexpr qint64 kDescriptionLimit = 64 * 1024;

const QString kRunPrefix = QStringLiteral("run-");

std::string fileBytes(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// Opens (creating it when asked) and locks the lock file of a run folder; -1 when it is locked
// by a live run or cannot be opened.
int lockRun(const QString& folder, bool create) {
    const QByteArray name = QFile::encodeName(folder + QStringLiteral("lock"));
    const int fd = ::open(name.constData(), O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0), 0600);
    if (fd < 0)
        return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void unlock(int& fd) {
    if (fd >= 0)
        ::close(fd); // closing frees the lock
    fd = -1;
}

QString withSeparator(const QString& folder) {
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

std::optional<QByteArray> readSmallFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kDescriptionLimit)
        return std::nullopt;
    return file.readAll();
}

} // namespace

// ---- descriptions

QByteArray DescribeCopy(const CopyDescription& d) {
    QByteArray out = kDescriptionHeader + '\n';
    out += "path=" + d.path.toPercentEncoding() + '\n';
    out += "title=" + d.title.toUtf8().toPercentEncoding() + '\n';
    out += "kind=" + QByteArray::number(d.drawingKind) + '\n';
    if (d.onDisk)
        out += "file=" + QByteArray::number(d.onDisk->size) + ',' +
               QByteArray::number(d.onDisk->writtenNs) + ',' +
               QByteArray::number(static_cast<qulonglong>(d.onDisk->hash)) + '\n';
    out += "end\n";
    return out;
}

std::optional<CopyDescription> ReadCopyDescription(const QByteArray& bytes) {
    const QList<QByteArray> lines = bytes.split('\n');
    // The header, the fields, "end", and the empty rest after the last line break.
    if (lines.size() < 3 || lines.first() != kDescriptionHeader || lines.last() != "" ||
        lines[lines.size() - 2] != "end")
        return std::nullopt;
    CopyDescription d;
    bool titled = false;
    for (qsizetype i = 1; i + 2 < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0)
            return std::nullopt;
        const QByteArray key = line.left(eq);
        const QByteArray value = line.mid(eq + 1);
        if (key == "path") {
            d.path = QByteArray::fromPercentEncoding(value);
        } else if (key == "title") {
            d.title = QString::fromUtf8(QByteArray::fromPercentEncoding(value));
            titled = true;
        } else if (key == "kind") {
            const auto kind = ParseInteger(value.toStdString());
            if (!kind || *kind < 0 || *kind > 2)
                return std::nullopt;
            d.drawingKind = *kind;
        } else if (key == "file") {
            const QList<QByteArray> parts = value.split(',');
            bool sized = false, timed = false, hashed = false;
            CadFileStamp stamp;
            if (parts.size() == 3) {
                stamp.size = parts[0].toLongLong(&sized);
                stamp.writtenNs = parts[1].toLongLong(&timed);
                stamp.hash = parts[2].toULongLong(&hashed);
            }
            if (!sized || !timed || !hashed)
                return std::nullopt;
            d.onDisk = stamp;
        }
        // Other keys are of a later version, which may add some: they are passed over.
    }
    if (!titled)
        return std::nullopt;
    return d;
}

// ---- runs left behind

LeftRuns LeftRuns::find(const QString& stateFolder, const QString& own) {
    LeftRuns left;
    const QDir state(stateFolder);
    const QStringList folders = state.entryList({kRunPrefix + QLatin1Char('*')},
                                                QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : folders) {
        const QString folder = withSeparator(state.filePath(name));
        if (!own.isEmpty() && withSeparator(own) == folder)
            continue;
        // A live run holds its lock; a run that died left it free.
        const int lock = lockRun(folder, true);
        if (lock < 0)
            continue;
        left.runs_.push_back({folder, lock});
        const QStringList copies =
            QDir(folder).entryList({QStringLiteral("*.rdw")}, QDir::Files, QDir::Name);
        for (const QString& copy : copies) {
            LeftCopy c;
            c.copyFile = folder + copy;
            const QString described =
                folder + QFileInfo(copy).completeBaseName() + QStringLiteral(".txt");
            if (const auto bytes = readSmallFile(described))
                c.description = ReadCopyDescription(*bytes);
            left.copies << c;
        }
    }
    return left;
}

LeftRuns::LeftRuns(LeftRuns&& other) noexcept
    : copies(std::move(other.copies)), runs_(std::move(other.runs_)) {
    other.runs_.clear();
}

LeftRuns::~LeftRuns() {
    for (Run& r : runs_)
        unlock(r.lock);
}

void LeftRuns::remove() {
    // Removed while still locked: no other instance takes a run half removed.
    for (Run& r : runs_) {
        QDir(r.folder).removeRecursively();
        unlock(r.lock);
    }
    runs_.clear();
    copies.clear();
}

// ---- this run's copies

CrashRecovery::CrashRecovery(QObject* parent) : QObject(parent) {
    Recovery = this;
    lockFolder = [](const QString& folder) { return lockRun(folder, true); };
    timer_.setSingleShot(false);
    connect(&timer_, &QTimer::timeout, this, &CrashRecovery::writeCopies);
}

CrashRecovery::~CrashRecovery() {
    endRun();
    if (Recovery == this)
        Recovery = nullptr;
}

void CrashRecovery::setInterval(int ms) {
    if (ms <= 0) {
        timer_.stop();
        return;
    }
    timer_.start(ms);
}

QString CrashRecovery::copyFile(int document) const {
    return runFolder_ + QString::number(document) + QStringLiteral(".rdw");
}

QString CrashRecovery::descriptionFile(int document) const {
    return runFolder_ + QString::number(document) + QStringLiteral(".txt");
}

bool CrashRecovery::startRun() {
    if (!runFolder_.isEmpty())
        return true;
    if (folderRefused_)
        return false;
    const QString state = UserStateDirectory();
    if (!QDir().mkpath(state))
        return false;
    const QString base = kRunPrefix + QString::number(QCoreApplication::applicationPid()) +
                         QLatin1Char('-') + QString::number(QDateTime::currentMSecsSinceEpoch());
    for (int attempt = 0; attempt < 10; ++attempt) {
        const QString folder =
            state + base + (attempt == 0 ? QString() : QLatin1Char('-') + QString::number(attempt));
        if (!QDir().mkdir(folder))
            continue;
        // The drawings are the person's own: nobody else reads their copies.
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner);
        lock_ = lockFolder(withSeparator(folder));
        if (lock_ >= 0) {
            runFolder_ = withSeparator(folder);
            return true;
        }
        // A folder that cannot be locked is no run's: what was made of it goes.
        QDir(folder).removeRecursively();
    }
    // Where no folder can be locked, none is made again at every tick.
    folderRefused_ = true;
    return false;
}

void CrashRecovery::endRun() {
    timer_.stop();
    // Copies being written end first; what they write goes with the folder.
    cadWaitForCopies();
    kept_.clear();
    if (runFolder_.isEmpty())
        return;
    QDir(runFolder_).removeRecursively();
    unlock(lock_);
    runFolder_.clear();
}

bool CrashRecovery::writeDescription(int document, Kept& kept) {
    CopyDescription d;
    d.path = QByteArray::fromStdString(cadPropGet(CAD_PROP_DOC_PATH, document).value_or(""));
    d.title = DocumentDisplayName(document);
    d.drawingKind = DocumentDrawingKind(document);
    d.onDisk = cadDocFileStamp(document);
    const QByteArray bytes = DescribeCopy(d);
    if (bytes == kept.description)
        return true;
    QSaveFile file(descriptionFile(document));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return false;
    kept.description = bytes;
    return true;
}

void CrashRecovery::writeCopies() {
    // A drawing being read is not finished yet.
    if (Busy)
        return;
    for (const int document : cadDocList()) {
        if (cadPropGetInt(CAD_PROP_DOC_MODIFIED, document).value_or(0) != 1) {
            if (kept_.count(document))
                removeCopy(document);
            continue;
        }
        if (cadDocCopyPending(document))
            continue;
        const auto stamp = cadDocChangeStamp(document);
        Kept& kept = kept_[document];
        if (stamp && kept.stamp == stamp)
            continue;
        if (!startRun() || !writeDescription(document, kept)) {
            copyFinished(document, kept.generation,
                         "Cannot write into " + fileBytes(UserStateDirectory()));
            continue;
        }
        const int generation = kept.generation;
        if (cadDocWriteCopy(document, fileBytes(copyFile(document)),
                            [this, generation](int d, const std::string& error) {
                                copyFinished(d, generation, error);
                            }))
            kept.writing = stamp;
    }
}

void CrashRecovery::copyFinished(int document, int generation, const std::string& error) {
    const auto it = kept_.find(document);
    if (it == kept_.end() || it->second.generation != generation) {
        // Saved or closed while its copy was written: the copy is out of date.
        if (!runFolder_.isEmpty()) {
            QFile::remove(copyFile(document));
            if (it == kept_.end())
                QFile::remove(descriptionFile(document));
        }
        return;
    }
    Kept& kept = it->second;
    if (error.empty()) {
        kept.stamp = kept.writing;
        kept.writing.reset();
        return;
    }
    kept.writing.reset();
    // Said once a run, in the status bar: the person learns that the work is not safe, and is
    // neither pestered nor stopped in the middle of a drag by a window from the timer.
    if (failureTold_)
        return;
    failureTold_ = true;
    SetStatusText(ToCp1250(QString::fromUtf8(u8"Nie można zapisać kopii niezapisanego rysunku ") +
                           DocumentDisplayName(document) + QStringLiteral(": ") +
                           QString::fromLocal8Bit(error.c_str())));
}

void CrashRecovery::removeCopy(int document) {
    const auto it = kept_.find(document);
    if (it == kept_.end())
        return;
    const int generation = it->second.generation + 1;
    kept_.erase(it);
    if (!runFolder_.isEmpty()) {
        QFile::remove(copyFile(document));
        QFile::remove(descriptionFile(document));
    }
    // A copy still being written is removed when it is done.
    if (cadDocCopyPending(document))
        kept_[document].generation = generation;
}

void CrashRecovery::documentSaved(int document) {
    removeCopy(document);
}

void CrashRecovery::documentClosed(int document) {
    removeCopy(document);
    // Nothing more of it is kept; a copy still being written goes when done.
    kept_.erase(document);
}

void CrashRecovery::adopt(int document, const LeftCopy& copy) {
    if (!startRun())
        return;
    Kept& kept = kept_[document];
    // Renamed within one file system: the copy is never missing meanwhile.
    if (!writeDescription(document, kept) || !QFile::rename(copy.copyFile, copyFile(document))) {
        kept_.erase(document);
        return;
    }
    kept.stamp = cadDocChangeStamp(document);
}

int CrashRecovery::offerLeftCopies(int engineWindow) {
    LeftRuns left = LeftRuns::find(UserStateDirectory(), runFolder_);
    if (left.copies.isEmpty()) {
        left.remove();
        return 0;
    }
    if (ShowMessageBox(kMbQuestion, QStringLiteral("Uwaga, wybierz"),
                       QString::fromUtf8(u8"Przywrócić rysunki niezapisane przed awarią "
                                         u8"programu?")) != kIdYes) {
        left.remove();
        return 0;
    }
    int opened = 0;
    QStringList damaged;
    for (const LeftCopy& copy : left.copies) {
        if (!copy.description) {
            damaged << QFileInfo(copy.copyFile).fileName();
            continue;
        }
        std::string error;
        const int document = cadFileRecover(engineWindow, fileBytes(copy.copyFile),
                                            copy.description->path.toStdString(), &error);
        if (document == 0) {
            damaged << copy.description->title;
            continue;
        }
        SetDocumentDrawingKind(document, copy.description->drawingKind);
        if (copy.description->onDisk)
            cadDocSetFileStamp(document, *copy.description->onDisk);
        adopt(document, copy);
        ++opened;
    }
    left.remove();
    RefreshDrawingTitle();
    if (!damaged.isEmpty())
        CurrentPlatform().messageBox(
            QStringLiteral("KWL_Edytor"),
            QString::fromUtf8(u8"Kopie tych rysunków są uszkodzone i nie zostały przywrócone:\n") +
                damaged.join(QLatin1Char('\n')),
            kMbWarning);
    return opened;
}

int CopyIntervalMs() {
    const QByteArray given = qgetenv("KWL_AUTOSAVE_MS");
    if (const auto ms = ParseInteger(given.toStdString()); ms && *ms >= 0)
        return *ms;
    return Settings().copyMinutes * 60 * 1000;
}

bool StartsWithoutQuestions() {
    return !qEnvironmentVariableIsEmpty("KWL_QUIT_AFTER_START");
}
