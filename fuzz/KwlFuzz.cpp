// Any bytes as the files a road-design drawing brings with it: the drawing itself (read into a
// fresh document), the settings file, a line-style file and the recent-files list. The first
// byte picks which. A platform that answers every question with its first button stands in for
// the person. The recent-files list must come back the same after a save and a load, and each
// menu entry must give back its path.
#include "engine/CadApi.h"
#include "import/RoadDesignReader.h"
#include "import/Settings.h"
#include "import/Styles.h"
#include "import/brostotwpliki.h"
#include "support/Platform.h"
#include "support/ProgramDirectory.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

class SilentPlatform : public Platform {
public:
    int messageBox(const QString&, const QString&, int style) override {
        return (style & 0x0F) == kMbYesNo ? kIdYes : kIdOk;
    }
    QString openFileName(QWidget*, const QString&, const QString&, const QString&) override {
        return {};
    }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override {
        return {};
    }
    std::optional<QColor> chooseColor(QWidget*, const QColor&) override { return std::nullopt; }
    int showModal(QWidget*) override { return 0; }
    void beep() override {}
    QStringList fontFamilies() override { return {QStringLiteral("Courier New")}; }
    void processEvents() override {}
};

QString folder;

void writeFile(const QString& path, const std::uint8_t* data, std::size_t size) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv);
    InstallPlatform(std::make_unique<SilentPlatform>());
    folder =
        QDir::tempPath() + QStringLiteral("/kwl-fuzz-%1").arg(QCoreApplication::applicationPid());
    QDir().mkpath(folder);
    SetProgramDirectory(folder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const int target = data[0] % 4;
    ++data;
    --size;
    cadReset();
    cadFileNew(0, "");
    try {
        if (target == 0) {
            const QString path = folder + QStringLiteral("/drawing.kwl");
            writeFile(path, data, size);
            FileSize = static_cast<long long>(size);
            ReadRoadDesignDrawing(path, 0, 0);
        } else if (target == 1) {
            writeFile(folder + QStringLiteral("/KWL.knf"), data, size);
            LoadSettings(QStringLiteral("KWL.knf"));
            CreateSettingsLayers();
            SelectOrCreateLayer("255");
        } else if (target == 2) {
            writeFile(folder + QStringLiteral("/KWL_Style_linii1.knf"), data, size);
            LoadLineStyles(QStringLiteral("KWL_Style_linii1.knf"));
        } else {
            const QString list = folder + QStringLiteral("/KWL_OST_PLIKI.bin");
            writeFile(list, data, size);
            LoadRecentFiles(list);
            AddRecentFile(QStringLiteral("/tmp/a&b/droga.kwl"));
            const QStringList entries = RecentFilesList().entries();
            if (entries.size() > kRecentFilesMax)
                std::abort();
            for (int i = 0; i < entries.size(); ++i)
                if (RecentEntryPath(RecentEntryCaption(i, entries[i])) != entries[i])
                    std::abort();
            if (!SaveRecentFiles(list))
                std::abort();
            LoadRecentFiles(list);
            if (RecentFilesList().entries() != entries)
                std::abort();
        }
    } catch (const std::runtime_error&) {
        // Refusals the program reports to the person.
    }
    return 0;
}
