#include "shell/RoadSigns.h"

#include "engine/CadApi.h"
#include "import/Styles.h"
#include "support/Platform.h"
#include "support/ProgramDirectory.h"
#include "support/brdodatkirozn.h"

#include <QApplication>
#include <QFile>

namespace {} // namespace

void LoadRoadSigns(int group) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    int loaded = 0;
    for (int g : {1, 2, 3, 4, 9}) {
        if (group != g && group <= 10)
            continue;
        const QString path = ProgramFile(QStringLiteral("KWL_AAA%1.BIN").arg(g));
        if (!FileCanBeOpened(path))
            continue;
        CreateSettingsLayers();
        ++loaded;
        cadBlockAddF(QFile::encodeName(path).toStdString(), "");
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
