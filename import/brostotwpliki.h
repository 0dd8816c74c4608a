// The recently opened files (the list of up to ten paths at the end of the "Plik" menu, kept in
// "KWL_OST_PLIKI.bin" between runs) and the main window's progress bar.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

class QAction;
class QMenu;
class QWidget;

inline constexpr int kRecentFilesMax = 10;

// The list: ten slots used as a ring, the newest entry at the head.
class RecentFiles {
public:
    void load(const QString& listFile);
    // Puts a path at the head unless it is listed already; the oldest entry goes when full.
    void add(const QString& path);
    // Writes the list, newest first; an empty list leaves the file alone. False when the
    // file cannot be written.
    bool save(const QString& listFile) const;
    int count() const { return count_; }
    // The entries, newest first.
    QStringList entries() const;
    void clear();

private:
    QString slots_[kRecentFilesMax + 1]; // slots 1..10
    int count_ = 0;
    int head_ = 1;
};

RecentFiles& RecentFilesList();

void LoadRecentFiles(const QString& listFile);
void AddRecentFile(const QString& path);
// False when the list could not be written (the person has been told).
bool SaveRecentFiles(const QString& listFile);
// Appends one item per entry ("0 path" for the newest, named br1, br2, ...) to the file menu;
// each item is owned by owner and calls handler when clicked.
void BuildRecentFilesMenu(QWidget* owner, QMenu* fileMenu,
                          const std::function<void(QAction*)>& handler);
// The caption of a recent-files item: its number, a blank and the path, with the path's "&"
// doubled so that the menu shows it rather than taking it for an accelerator.
QString RecentEntryCaption(int number, const QString& path);
// The path back from such a caption (also when the menu has put an accelerator into it).
QString RecentEntryPath(const QString& caption);

// The main window's progress bar: prepared for a file of the given size, then moved on in steps
// of a hundredth, letting pending events run at each step.
void ResetMainProgress(std::int64_t fileSize);
void StepMainProgress(std::int64_t position);
void ClearMainProgress();
