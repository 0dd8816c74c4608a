#include "shell/RoadSigns.h"

#include "support/UndoGroup.h"

#include "engine/CadApi.h"
#include "import/Styles.h"
#include "support/Platform.h"
#include "support/ProgramDirectory.h"
#include "support/brdodatkirozn.h"

#include <QApplication>
#include <QFile>

namespace {

constexpr int kGroups[] = {1, 2, 3, 4, 9};

QString groupFile(int group) {
    return ProgramFile(QStringLiteral("KWL_AAA%1.BIN").arg(group));
}

} // namespace

void LoadRoadSigns(int group) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    int loaded = 0;
    {
        // The whole load is one step that "Cofnij" takes back. The layers of the settings are
        // made for the signs, but the next entity drawn goes where the person had chosen.
        const KeepCurrentAttributes attributes;
        const UndoGroup step;
        for (int g : kGroups) {
            if (group != g && group <= 10)
                continue;
            const QString path = groupFile(g);
            if (!FileCanBeOpened(path))
                continue;
            CreateSettingsLayers();
            ++loaded;
            cadBlockAddF(QFile::encodeName(path).toStdString(), "");
        }
    }
    QApplication::restoreOverrideCursor();
    if (loaded >= 1)
        ShowMessageBox(kMbWarning, QStringLiteral("Uwaga, Wczytano znaki drogowe"),
                       QString::fromUtf8(u8"Liczba wczytanych grup znaków drogowych: ") +
                           QString::number(loaded) +
                           QString::fromUtf8(u8". Dostępne są one jako bloki do wstawienia"));
    else
        ShowMessageBox(kMbWarning, QString::fromUtf8(u8"Uwaga, Brak znaków drogowych"),
                       QString::fromUtf8(u8"Nie wczytano żadnych znaków drogowych"));
    const int blocks = cadBlockCount();
    if (blocks > 0)
        ShowMessageBox(kMbWarning, QString::fromUtf8(u8"Uwaga, Liczba bloków"),
                       QString::fromUtf8(u8"Liczba dostępnych bloków w rysunku wynosi: ") +
                           QString::number(blocks));
}

int RegisterRoadSignSizes() {
    int signs = 0;
    for (int g : kGroups)
        for (const std::string& name :
             cadBlockNamesF(QFile::encodeName(groupFile(g)).toStdString())) {
            cadBlockPaperSize(name, kSignPaperMm);
            ++signs;
        }
    return signs;
}
