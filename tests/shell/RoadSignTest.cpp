// A road sign as a person places and hands it on: the warning signs loaded through the menu, one
// inserted at a picked point with a typed scale, then printed to PDF, exported to DXF and saved,
// each file read back by whoever reads it next.
#include "engine/CadApi.h"
#include "shell/RoadSigns.h"
#include "tests/common/ScriptedPlatform.h"
#include "tests/shell/MainWindowFixture.h"

#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>

namespace {

constexpr double kScale = 2.5;
const char* const kSign = "A-7";

struct Insertion {
    int entity = -1;
    QString block;
    double x = 0, y = 0, scale = 0;
};

// The block insertions of the active document.
std::vector<Insertion> insertions() {
    std::vector<Insertion> found;
    for (int e = cadGetEntity(CAD_GET_FIRST, 0, 0); e >= 0; e = cadGetEntity(CAD_GET_NEXT, 0, 0)) {
        if (cadPropGetInt(CAD_PROP_ENT_TYPE, e) != CAD_ENT_INSERT)
            continue;
        const int block = cadPropGetInt(CAD_PROP_ENT_BLOCK, e).value_or(-1);
        found.push_back(
            {e, QString::fromStdString(cadPropGet(CAD_PROP_BLOCK_NAME, block).value_or("")),
             cadPropGetDbl(CAD_PROP_ENT_X, e).value_or(0),
             cadPropGetDbl(CAD_PROP_ENT_Y, e).value_or(0),
             cadPropGetDbl(CAD_PROP_ENT_SCALE_X, e).value_or(0)});
        EXPECT_EQ(cadPropGetDbl(CAD_PROP_ENT_SCALE_Y, e), found.back().scale) << "scaled evenly";
    }
    return found;
}

class RoadSign : public MainWindow {
protected:
    // The warning signs beside the program, as the build draws them.
    void prepare() override {
        const QString built = QFileInfo(QStringLiteral(KWL_EXECUTABLE))
                                  .dir()
                                  .filePath(QStringLiteral("KWL_AAA1.BIN"));
        ASSERT_TRUE(QFile::copy(built, path(QStringLiteral("KWL_AAA1.BIN"))))
            << built.toStdString();
    }

    // Answers the engine's dialog of that name once it shows. A dialog the answer left open is
    // cancelled, and one that never shows fails the test, so that nothing waits for a person.
    void whenDialogShows(const char* name, std::function<void(QDialog&)> answer) {
        auto* timer = new QTimer(window.get());
        auto tries = std::make_shared<int>(0);
        QObject::connect(timer, &QTimer::timeout, timer, [=] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            const bool shown = dialog && dialog->objectName() == QLatin1String(name);
            if (!shown && ++*tries < 500)
                return;
            timer->stop();
            timer->deleteLater();
            if (!shown) {
                ADD_FAILURE() << name << " was not shown";
                return;
            }
            answer(*dialog);
            if (dialog->isVisible())
                dialog->reject();
        });
        timer->start(10);
    }

    QWidget* drawingWindow() const { return cadWndWidget(window->engineWindow); }

    // The drawing point under a pixel of the drawing window.
    static std::pair<double, double> pointAt(QPoint pixel, const QWidget* w) {
        const CadRect r = cadViewRect().value_or(CadRect{});
        const double perPixel = (r.right - r.left) / w->width();
        return {r.left + pixel.x() * perPixel, r.top - pixel.y() * perPixel};
    }

    static void expectSign(const Insertion& in, std::pair<double, double> at, double tolerance) {
        EXPECT_EQ(in.block, QString::fromLatin1(kSign));
        EXPECT_NEAR(in.x, at.first, tolerance);
        EXPECT_NEAR(in.y, at.second, tolerance);
        EXPECT_DOUBLE_EQ(in.scale, kScale);
    }
};

TEST_F(RoadSign, InsertedAtATypedScaleSurvivesPdfDxfAndTheDrawingFile) {
    ASSERT_GT(cadFileNew(window->engineWindow, ""), 0);
    window->EnableDocumentMenus();

    // "Narzędzia" > "Wczytaj znaki drogowe" > "Ostrzegawcze".
    Script().messageBoxAnswers = {kIdOk, kIdOk};
    item("Ostrzegawcze1")->trigger();
    const int block = cadBlockIndex(kSign);
    ASSERT_GE(block, 0);
    const int signEntities = cadPropGetInt(CAD_PROP_BLOCK_ENTITIES, block).value_or(0);
    ASSERT_GT(signEntities, 0);

    // The "Blok" button of the drawing toolbar: the sign chosen in the block dialog, its point
    // picked in the drawing window, the scale typed, Enter for no turn, Esc to end.
    whenDialogShows("cadBlockDialog", [](QDialog& dialog) {
        auto* list = dialog.findChild<QListWidget*>(QStringLiteral("cadBlockDialogList"));
        ASSERT_NE(list, nullptr);
        const auto found = list->findItems(QString::fromLatin1(kSign), Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        list->setCurrentItem(found.first());
        // The proposed scale given up: the scale is typed after the point.
        auto* scale = dialog.findChild<QLineEdit*>(QStringLiteral("cadBlockDialogScale"));
        ASSERT_NE(scale, nullptr);
        EXPECT_FALSE(scale->text().isEmpty()) << "a sign gets a scale proposed";
        scale->clear();
        dialog.accept();
    });
    auto* blockButton = window->findChild<QToolButton*>(QStringLiteral("cadButton17280"));
    ASSERT_NE(blockButton, nullptr);
    blockButton->click();
    QWidget* w = drawingWindow();
    ASSERT_NE(w, nullptr);
    const QPoint pixel(w->width() / 3, w->height() / 4);
    const auto at = pointAt(pixel, w);
    const double perPixel = (cadViewRect()->right - cadViewRect()->left) / w->width();
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, pixel);
    QTest::keyClicks(w, QStringLiteral("2.5"));
    auto* field = window->findChild<QLineEdit*>(QStringLiteral("cadCoordinateInput"));
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->text(), QStringLiteral("2.5"));
    QTest::keyClick(field, Qt::Key_Return);
    QTest::keyClick(w, Qt::Key_Return);
    QTest::keyClick(w, Qt::Key_Escape);
    auto placed = insertions();
    ASSERT_EQ(placed.size(), 1u) << "one sign, placed once";
    expectSign(placed[0], at, perPixel);
    const auto extents = cadEntityExtents(placed[0].entity);
    ASSERT_TRUE(extents);
    EXPECT_NEAR(extents->right - extents->left, 900 * kScale, 900 * kScale * 0.1)
        << "the triangle's side at that scale";

    // "Drukuj" into a PDF file: a page with the sign on it.
    const QString pdf = path(QStringLiteral("znak.pdf"));
    whenDialogShows("cadPrintDialog", [&pdf](QDialog& dialog) {
        auto* toPdf = dialog.findChild<QRadioButton*>(QStringLiteral("cadPrintToPdf"));
        auto* pdfPath = dialog.findChild<QLineEdit*>(QStringLiteral("cadPrintPdfPath"));
        auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("cadPrintOk"));
        ASSERT_TRUE(toPdf && pdfPath && ok);
        toPdf->setChecked(true);
        pdfPath->setText(pdf);
        ok->click();
    });
    item("Drukuj1")->trigger();
    ASSERT_GT(QFileInfo(pdf).size(), 1000);
    QProcess render;
    render.start(QStringLiteral("pdftoppm"),
                 {QStringLiteral("-r"), QStringLiteral("20"), QStringLiteral("-png"), pdf,
                  path(QStringLiteral("strona"))});
    ASSERT_TRUE(render.waitForFinished(60000));
    ASSERT_EQ(render.exitCode(), 0);
    const QImage page(path(QStringLiteral("strona-1.png")));
    ASSERT_FALSE(page.isNull());
    int red = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) {
            const QColor c = page.pixelColor(x, y);
            red += c.red() > 150 && c.green() < 100 && c.blue() < 100;
        }
    EXPECT_GT(red, 50) << "the sign's red border is printed";

    // "Eksportuj do DXF": ezdxf finds the insertion, and the engine reads it back as it was.
    const QString dxf = path(QStringLiteral("znak.dxf"));
    Script().fileAnswers = {dxf};
    item("EksportujdoDXF1")->trigger();
    ASSERT_TRUE(QFileInfo::exists(dxf));
    static const char* script = R"(
import json, sys, ezdxf
doc = ezdxf.readfile(sys.argv[1])
i = doc.modelspace().query("INSERT")[0]
print(json.dumps({"errors": len(doc.audit().errors), "name": i.dxf.name, "x": i.dxf.insert.x,
                  "y": i.dxf.insert.y, "scale": i.dxf.xscale,
                  "fills": len(doc.blocks.get(i.dxf.name).query("HATCH"))}))
)";
    QProcess ezdxf;
    ezdxf.start(QStringLiteral(KWL_SYSTEM_PYTHON),
                {QStringLiteral("-c"), QString::fromUtf8(script), dxf});
    ASSERT_TRUE(ezdxf.waitForFinished(120000));
    const QJsonObject seen = QJsonDocument::fromJson(ezdxf.readAllStandardOutput()).object();
    EXPECT_EQ(seen[QStringLiteral("errors")].toInt(-1), 0);
    EXPECT_EQ(seen[QStringLiteral("name")].toString(), QString::fromLatin1(kSign));
    EXPECT_NEAR(seen[QStringLiteral("x")].toDouble(), placed[0].x, 1e-6);
    EXPECT_NEAR(seen[QStringLiteral("y")].toDouble(), placed[0].y, 1e-6);
    EXPECT_DOUBLE_EQ(seen[QStringLiteral("scale")].toDouble(), kScale);
    EXPECT_EQ(seen[QStringLiteral("fills")].toInt(), signEntities)
        << "the sign's two triangles, each filled";
    const int drawing = cadDocGetActive();
    ASSERT_GT(cadFileNew(window->engineWindow, ""), 0);
    ASSERT_EQ(cadFileLoad(QFile::encodeName(dxf).toStdString(), CAD_FORMAT_ANY), 1);
    auto fromDxf = insertions();
    ASSERT_EQ(fromDxf.size(), 1u);
    expectSign(fromDxf[0], {placed[0].x, placed[0].y}, 1e-6);
    cadDocClose(-1);
    ASSERT_EQ(cadDocSetActive(drawing), 1);

    // "Zapisz jako plik KWL_Edytora", then "Otwórz ..." > "Plik KWL_Edytora".
    const QString rdw = path(QStringLiteral("znak.rdw"));
    Script().fileAnswers = {rdw};
    item("ZapiszjakoRDW1")->trigger();
    ASSERT_TRUE(QFileInfo::exists(rdw));
    cadDocClose(-1);
    Script().fileAnswers = {rdw};
    item("PlikRDW1")->trigger();
    ASSERT_EQ(cadPropGet(CAD_PROP_DOC_PATH, -1), QFile::encodeName(rdw).toStdString());
    auto reopened = insertions();
    ASSERT_EQ(reopened.size(), 1u);
    expectSign(reopened[0], {placed[0].x, placed[0].y}, 0);
    EXPECT_EQ(cadPropGetInt(CAD_PROP_BLOCK_ENTITIES, cadBlockIndex(kSign)), signEntities);
    EXPECT_EQ(cadEntityExtents(reopened[0].entity)->left, extents->left);
}

TEST_F(RoadSign, TheInsertionDialogProposesTheScaleAtWhichASignPrintsAtItsSize) {
    // A plan in metres, printed 1:500: "Ustawienia" > "Skala wydruku".
    ASSERT_GT(cadFileNew(window->engineWindow, ""), 0);
    cadPropPutInt(CAD_PROP_DOC_UNITS, -1, 4);
    window->EnableDocumentMenus();
    whenDialogShows("cadPrintScaleDialog", [](QDialog& dialog) {
        dialog.findChild<QLineEdit*>(QStringLiteral("cadPrintScaleValue"))
            ->setText(QStringLiteral("500"));
        dialog.accept();
    });
    item("Skalawydruku1")->trigger();
    const double printScale = 500;
    Script().messageBoxAnswers = {kIdOk, kIdOk};
    item("Ostrzegawcze1")->trigger();
    // The sign's size: an insertion at scale 1, measured.
    const CadRect sign =
        cadEntityExtents(cadAddInsert(cadBlockIndex(kSign), 0, 0, 1, 1, 0)).value();
    const double side = std::max(sign.right - sign.left, sign.top - sign.bottom);
    ASSERT_GT(side, 500) << "in millimetres of the real sign";
    QString proposed, printed;
    whenDialogShows("cadBlockDialog", [&](QDialog& dialog) {
        auto* list = dialog.findChild<QListWidget*>(QStringLiteral("cadBlockDialogList"));
        list->setCurrentItem(
            list->findItems(QString::fromLatin1(kSign), Qt::MatchExactly).value(0));
        proposed = dialog.findChild<QLineEdit*>(QStringLiteral("cadBlockDialogScale"))->text();
        printed = dialog.findChild<QLabel*>(QStringLiteral("cadBlockDialogPrinted"))->text();
        dialog.reject();
    });
    auto* blockButton = window->findChild<QToolButton*>(QStringLiteral("cadButton17280"));
    blockButton->click();
    // At its size on paper, at the drawing's print scale.
    EXPECT_NEAR(proposed.toDouble(), kSignPaperMm * printScale / (side * 1000),
                proposed.toDouble() * 1e-3);
    EXPECT_EQ(printed.toStdString(),
              (QStringLiteral("W skali wydruku 1:") + QString::number(printScale) +
               QString::fromUtf8(u8" blok ma na papierze 10 mm (w rysunku ") +
               QString::number(proposed.toDouble() * side, 'f', 3) + QLatin1Char(')'))
                  .toStdString());
}

} // namespace
