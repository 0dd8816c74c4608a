#include "tests/import/ImportTestSupport.h"

#include "import/Settings.h"
#include "import/Styles.h"
#include "import/Unit_progres.h"
#include "import/brostotwpliki.h"
#include "support/ProgramDirectory.h"

#include <QFile>

#include <charconv>

void ImportTest::SetUp() {
    EngineTest::SetUp();
    SetProgramDirectory(dir.path());
    Settings() = SettingsTable{};
    Settings().resetBuiltIn();
    DrawingKind = 0;
    ForgetDocumentDrawingKinds();
    Busy = false;
    CancelRequested = false;
    RecentFilesList().clear();
    SetInstalledFonts({QStringLiteral("Arial"), QStringLiteral("Courier New")});
    ASSERT_GT(cadFileNew(0, ""), 0);
}

void ImportTest::TearDown() {
    SetProgramDirectory(QString());
    EngineTest::TearDown();
}

QString ImportTest::write(const std::string& name, const std::string& bytes) const {
    QFile f(QString::fromStdString(path(name)));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes.data(), static_cast<qint64>(bytes.size()));
    return f.fileName();
}

std::string ImportTest::read(const std::string& name) const {
    QFile f(QString::fromStdString(path(name)));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll().toStdString();
}

namespace kwl {

namespace {
std::string number(double v) {
    char buffer[64];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, v);
    return std::string(buffer, r.ptr);
}
} // namespace

std::string header(const std::string& second) {
    return "&IBMRYSUNEKZEVO\r\n" + second + "\r\n";
}
std::string pen(int p) {
    return std::string{'\x01', static_cast<char>(p)} + "\r\n";
}
std::string up(double x, double y) {
    return std::string{'\x02', '\x03'} + "," + number(x) + "," + number(y) + "\r\n";
}
std::string down(double x, double y) {
    return std::string{'\x02', '\x02'} + "," + number(x) + "," + number(y) + "\r\n";
}
std::string text(double x, double y, const std::string& params, const std::string& t) {
    return std::string{'\x03', '\x01'} + "," + number(x) + "," + number(y) + "\r\n" + params +
           "\r\n" + t + "\r\n";
}

} // namespace kwl

std::string LayerName(int index) {
    return cadPropGet(CAD_PROP_LAYER_NAME, index).value_or("?");
}

std::vector<EntityInfo> Entities() {
    std::vector<EntityInfo> list;
    for (int e = cadGetEntity(CAD_GET_FIRST, 0, 0); e >= 0; e = cadGetEntity(CAD_GET_NEXT, 0, 0)) {
        EntityInfo info;
        info.type = cadPropGetInt(CAD_PROP_ENT_TYPE, e).value_or(0);
        info.layer = LayerName(cadPropGetInt(CAD_PROP_ENT_LAYER, e).value_or(-1));
        if (info.type == CAD_ENT_POLYLINE) {
            info.vertices = cadPolylineVertices(e);
        } else {
            info.vertices = {cadPropGetDbl(CAD_PROP_ENT_X, e).value_or(0),
                             cadPropGetDbl(CAD_PROP_ENT_Y, e).value_or(0)};
            info.text = cadPropGet(CAD_PROP_TEXT_STRING, e).value_or("");
        }
        list.push_back(info);
    }
    return list;
}
