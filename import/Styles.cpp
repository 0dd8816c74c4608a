#include "import/Styles.h"

#include "engine/CadApi.h"
#include "import/Settings.h"
#include "support/Cp1250.h"
#include "support/Platform.h"
#include "support/ProgramDirectory.h"
#include "support/brdodatkirozn.h"

#include <QFile>

int DrawingDocument = 0;

namespace {

QStringList& installedFonts() {
    static QStringList fonts;
    return fonts;
}

bool fontsHandedOver = false;

QString courierFont() {
    if (!fontsHandedOver) {
        installedFonts() = CurrentPlatform().fontFamilies();
        fontsHandedOver = true;
    }
    // The first family whose name contains "courier new", any case (the list is sorted, so
    // Courier New itself comes before its regional variants).
    for (const QString& family : installedFonts())
        if (family.toUpper().contains(QStringLiteral("COURIER NEW")))
            return family;
    return {};
}

} // namespace

void SetInstalledFonts(const QStringList& families) {
    installedFonts() = families;
    fontsHandedOver = true;
}

int NewDrawingDocument(int engineWindow) {
    DrawingDocument = cadFileNew(engineWindow, "");
    SetDocumentDrawingKind(DrawingDocument, 0);
    cadExecute(CAD_CMD_SHOW_WIDTHS);
    cadPropPutInt(CAD_PROP_DOC_BACKCOLOR, DrawingDocument, Settings().background);
    cadPropPutInt(CAD_PROP_DOC_CURSOR_COLOR, 0, 65280);
    cadPropPutInt(CAD_PROP_DOC_CURSOR_SIZE, 0, 0);
    cadPropPutInt(CAD_PROP_DOC_SHOW_GRIPS, 0, 1);
    cadPropPutInt(CAD_PROP_DOC_GRIP_COLOR, 0, 65280);
    const QString font = courierFont();
    if (!font.isEmpty()) {
        cadStTextAdd("courier", ToCp1250(font), 1.17, 0, 5, 1, 1);
        cadStTextActive(cadStTextIndex("courier", 0));
    }
    return DrawingDocument;
}

void CreateSettingsLayers() {
    const SettingsTable& table = Settings();
    for (int i = 0; i <= table.highestIndex; ++i) {
        const auto slot = static_cast<std::size_t>(i);
        const int colour = table.colour[slot];
        cadLayerActive(cadLayerAdd(std::to_string(i), table.width[slot], colour, colour));
    }
}

void SelectOrCreateLayer(std::string_view name) {
    // The engine finds layers by exact name, as the walk over the layer names would.
    const int existing = cadLayerIndex(name, 0);
    if (existing >= 0) {
        cadLayerActive(existing);
        return;
    }
    const auto number = ParseInteger(name);
    if (!number || name.empty() || name.front() == ' ' || name.back() == ' ')
        throw LayerNameError("'" + std::string(name) + "' is not a valid integer value");
    const SettingsTable& table = Settings();
    double width = table.width[1];
    int colour = table.colour[10];
    if (*number >= 0 && *number <= table.highestIndex) {
        width = table.width[static_cast<std::size_t>(*number)];
        colour = table.colour[static_cast<std::size_t>(*number)];
    }
    cadLayerActive(cadLayerAdd(name, width, colour, colour));
}

void LoadLineStyles(const QString& fileName) {
    const QString path = ProgramFile(fileName);
    if (!FileCanBeOpened(path))
        return;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        auto nextLine = [&file] {
            QByteArray line = file.readLine();
            while (line.endsWith('\n') || line.endsWith('\r'))
                line.chop(1);
            return line.toStdString();
        };
        if (nextLine() == "welta style linii") {
            FieldSplitter f;
            f.separator = ";";
            while (!file.atEnd()) {
                f.line = nextLine();
                f.split();
                cadStLineAdd(f.field(1), f.field(2));
            }
        }
    }
    cadStLineActive(0);
    cadPropPut(CAD_PROP_LINESTYLE_NAME, 0, u8"Ciągła"_w1250);
    cadExecute(CAD_CMD_REDRAW);
}

void ScaleLayerWidths(int drawingKind) {
    const double factor = WidthFactor(drawingKind);
    const int count = cadLayerCount();
    for (int i = 0; i < count; ++i)
        cadPropPutDbl(CAD_PROP_LAYER_WIDTH, i,
                      cadPropGetDbl(CAD_PROP_LAYER_WIDTH, i).value_or(0) * factor);
    cadExecute(CAD_CMD_REDRAW);
}
