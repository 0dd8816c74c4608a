#include "import/brostotwpliki.h"

#include "import/Unit_progres.h"
#include "support/Platform.h"
#include "support/brdodatkirozn.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QProgressBar>
#include <QSaveFile>

#include <climits>

namespace {

int wrap(int slot) {
    return (slot - 1 + kRecentFilesMax) % kRecentFilesMax + 1;
}

struct MainProgress {
    std::int64_t maximum = 1;
    std::int64_t stepUnit = 1;
    std::int64_t nextThreshold = 1;
    int shift = 0; // the bar counts in int; larger files in larger units
} mainProgress;

void setBar(std::int64_t position) {
    if (QProgressBar* bar = AttachedMainWindow().progressBar)
        bar->setValue(static_cast<int>(position >> mainProgress.shift));
}

} // namespace

void RecentFiles::clear() {
    for (QString& s : slots_)
        s.clear();
    count_ = 0;
    head_ = 1;
}

void RecentFiles::load(const QString& listFile) {
    clear();
    if (!FileCanBeOpened(listFile))
        return;
    QFile file(listFile);
    if (!file.open(QIODevice::ReadOnly))
        return;
    while (!file.atEnd()) {
        QByteArray line = file.readLine();
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        count_ = std::min(count_ + 1, kRecentFilesMax);
        slots_[count_] = QFile::decodeName(line);
        if (slots_[count_].size() <= 3)
            --count_;
    }
}

void RecentFiles::add(const QString& path) {
    if (count_ < 1 || count_ > kRecentFilesMax) {
        count_ = 0;
        head_ = kRecentFilesMax + 1;
    }
    // File names on this system differ by case, so the path is kept and compared as given.
    for (int i = 0; i < count_; ++i)
        if (slots_[wrap(head_ + i)] == path)
            return;
    count_ = std::min(count_ + 1, kRecentFilesMax);
    head_ = wrap(head_ - 1);
    slots_[head_] = path;
}

QStringList RecentFiles::entries() const {
    QStringList list;
    for (int i = 0; i < count_; ++i)
        list << slots_[wrap(head_ + i)];
    return list;
}

bool RecentFiles::save(const QString& listFile) const {
    if (count_ == 0)
        return true;
    QSaveFile file(listFile);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    for (const QString& path : entries())
        file.write(QFile::encodeName(path) + "\r\n");
    return file.commit();
}

RecentFiles& RecentFilesList() {
    static RecentFiles list;
    return list;
}

void LoadRecentFiles(const QString& listFile) {
    RecentFilesList().load(listFile);
}

void AddRecentFile(const QString& path) {
    RecentFilesList().add(path);
}

bool SaveRecentFiles(const QString& listFile) {
    if (RecentFilesList().save(listFile))
        return true;
    ShowMessageBox(kMbWarning, QStringLiteral("KWL_Edytor"),
                   QString::fromUtf8(u8"Nie można zapisać listy ostatnio otwieranych plików ") +
                       listFile);
    return false;
}

void BuildRecentFilesMenu(QWidget* owner, QMenu* fileMenu,
                          const std::function<void(QAction*)>& handler) {
    const QStringList list = RecentFilesList().entries();
    for (int i = 1; i <= list.size(); ++i) {
        auto* item = new QAction(RecentEntryCaption(i - 1, list[i - 1]), owner);
        item->setObjectName(QStringLiteral("br%1").arg(i));
        QObject::connect(item, &QAction::triggered, owner, [item, handler] { handler(item); });
        fileMenu->addAction(item);
    }
}

QString RecentEntryCaption(int number, const QString& path) {
    QString escaped = path;
    escaped.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QString::number(number) + QLatin1Char(' ') + escaped;
}

QString RecentEntryPath(const QString& caption) {
    // "&&" stands for "&"; a single "&" marks an accelerator and is not part of the text.
    QString text;
    text.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&')) {
            if (i + 1 < caption.size() && caption[i + 1] == QLatin1Char('&'))
                text += caption[++i];
            continue;
        }
        text += caption[i];
    }
    return text.mid(2);
}

void ResetMainProgress(std::int64_t fileSize) {
    mainProgress.maximum = fileSize <= 0 ? 1 : fileSize;
    mainProgress.shift = 0;
    while ((mainProgress.maximum >> mainProgress.shift) > INT_MAX)
        ++mainProgress.shift;
    if (QProgressBar* bar = AttachedMainWindow().progressBar) {
        bar->setMinimum(0);
        bar->setMaximum(static_cast<int>(mainProgress.maximum >> mainProgress.shift));
    }
    setBar(0);
    mainProgress.stepUnit = std::max<std::int64_t>(1, mainProgress.maximum / 100);
    mainProgress.nextThreshold = mainProgress.stepUnit;
    CurrentPlatform().processEvents();
}

void StepMainProgress(std::int64_t position) {
    if (position > mainProgress.maximum || position < 0)
        return;
    if (position > mainProgress.nextThreshold) {
        setBar(position);
        mainProgress.nextThreshold = (position / mainProgress.stepUnit + 1) * mainProgress.stepUnit;
        CurrentPlatform().processEvents();
    }
}

void ClearMainProgress() {
    setBar(0);
}
