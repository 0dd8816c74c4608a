// Cut, copy and paste through the clipboard, within a drawing and between two of them.
#include "engine/ui/Clipboard.h"
#include "engine/Engine.h"
#include "engine/io/NativeFormat.h"
#include "engine/view/DrawingWindow.h"
#include "tests/engine/EngineTestSupport.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QTest>

using namespace cad;

namespace {

class ClipboardTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        QGuiApplication::clipboard()->clear();
        parent.resize(400, 300);
        ASSERT_GT(cadFileNew(0, ""), 0);
        ASSERT_EQ(cadWndCreate(&parent, 13, 0, 0, 400, 300), 1);
        w = dynamic_cast<DrawingWindow*>(cadWndWidget(1));
        showAround(*engine().active());
    }
    void showAround(Document& d) {
        d.view.centre = {0, 0};
        d.view.unitsPerPixel = 1;
        engine().activate(d);
        engine().redraw();
    }
    void click(Vec2 p) {
        QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, w->toPixel(p).toPoint());
    }
    static std::vector<int> live(const Drawing& d) {
        std::vector<int> out;
        for (int h = 0; h < static_cast<int>(d.entities.size()); ++h)
            if (d.inModelSpace(h))
                out.push_back(h);
        return out;
    }
    QWidget parent;
    DrawingWindow* w = nullptr;
};

TEST_F(ClipboardTest, CopiedEntitiesArePastedIntoAnotherDrawingWithTheirLayersAndBlocks) {
    // The first drawing: a road axis on "os" (red), a sign block inserted on "znaki".
    Document& first = *engine().active();
    cadLayerAdd("os", 0.5, 0x0000FF, 0);
    cadLayerActive(cadLayerIndex("os", 0));
    const int axis = cadAddLine(0, 0, 40, 0);
    cadBlockBegin();
    cadAddCircle(0, 0, 2);
    const int sign = cadBlockAdd("znak", 0, 0);
    cadLayerAdd("znaki", 0.25, 0x00FF00, 0);
    cadLayerActive(cadLayerIndex("znaki", 0));
    const int insert = cadAddInsert(sign, 20, 10, 1, 1, 0);
    cadSelect(1, axis);
    cadSelect(1, insert);
    const auto before = first.journal.state();
    QTest::keyClick(w, Qt::Key_C, Qt::ControlModifier);
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(data && data->hasFormat(kDrawingMimeType));
    EXPECT_TRUE(data->hasFormat("image/svg+xml")) << "a picture for other programs";
    EXPECT_FALSE(qvariant_cast<QImage>(data->imageData()).isNull());
    EXPECT_EQ(first.journal.state(), before) << "copying changes nothing";

    // The second drawing has "os" already, blue, and no "znaki" and no block.
    ASSERT_GT(cadFileNew(0, ""), 0);
    Document& second = *engine().active();
    ASSERT_NE(&first, &second);
    cadLayerAdd("os", 1.0, 0xFF0000, 0);
    const int keep = cadAddPoint(-100, -100);
    showAround(second);
    QTest::keyClick(w, Qt::Key_V, Qt::ControlModifier);
    click({100, 50}); // the copied lower left corner (0, 0) goes there
    const Drawing& d = second.drawing();
    const std::vector<int> all = live(d);
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(all.front(), keep);
    const std::vector<int> pasted = {all.begin() + 1, all.end()};
    ASSERT_EQ(pasted.size(), 2u);
    const int os = d.findLayer("os"), znaki = d.findLayer("znaki");
    ASSERT_GE(znaki, 0) << "a missing layer is created";
    EXPECT_EQ(d.layers[static_cast<std::size_t>(os)].color, 0xFF0000u) << "an existing one stays";
    EXPECT_EQ(d.layers[static_cast<std::size_t>(znaki)].color, 0x00FF00u);
    EXPECT_EQ(d.findLayer("os", os + 1), -1);
    const Entity& line = d.entities[static_cast<std::size_t>(pasted[0])];
    EXPECT_EQ(line.layer, os);
    EXPECT_EQ(d.lines[line.first].a, (Vec2{100, 50}));
    EXPECT_EQ(d.lines[line.first].b, (Vec2{140, 50}));
    const Entity& placed = d.entities[static_cast<std::size_t>(pasted[1])];
    ASSERT_EQ(placed.type, EntityType::Insert);
    EXPECT_EQ(placed.layer, znaki);
    const int block = d.inserts[placed.first].block;
    EXPECT_EQ(d.blocks[static_cast<std::size_t>(block)].name, "znak");
    EXPECT_EQ(d.inserts[placed.first].p, (Vec2{120, 60}));
    EXPECT_TRUE(line.has(EntityFlag::Selected) && placed.has(EntityFlag::Selected));

    // One step takes the paste back, tables included.
    ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    EXPECT_EQ(live(d), std::vector<int>{keep});
    EXPECT_EQ(d.findLayer("znaki"), -1);
    EXPECT_EQ(d.findBlock("znak"), -1);
}

TEST_F(ClipboardTest, CutPasteAndTwoUndosGiveTheStartBack) {
    const int a = cadAddLine(0, 0, 10, 0);
    const int b = addPolyline({0, 0, 5, 5, 10, 0}, true);
    cadAddText(2, 2, "KM 1+200");
    const std::string start = writeNative(*activeDrawing());
    cadSelect(1, a);
    cadSelect(1, b);
    ASSERT_EQ(cadExecute(CAD_CMD_CUT), 1);
    EXPECT_FALSE(activeDrawing()->valid(a) || activeDrawing()->valid(b));
    ASSERT_EQ(cadExecute(CAD_CMD_PASTE), 1);
    click({50, 50});
    EXPECT_EQ(live(*activeDrawing()).size(), 3u);
    ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    EXPECT_TRUE(writeNative(*activeDrawing()) == start);
}

TEST_F(ClipboardTest, WithNothingSelectedCopyAsksForTheEntitiesAndPasteOfOtherDataDoesNothing) {
    QGuiApplication::clipboard()->setText("nie rysunek");
    EXPECT_EQ(cadExecute(CAD_CMD_PASTE), 0);
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Idle);
    auto* damaged = new QMimeData;
    damaged->setData(kDrawingMimeType, "RDW but not really");
    QGuiApplication::clipboard()->setMimeData(damaged);
    EXPECT_EQ(cadExecute(CAD_CMD_PASTE), 0);

    cadAddCircle(5, 5, 3);
    QGuiApplication::clipboard()->clear();
    ASSERT_EQ(cadExecute(CAD_CMD_COPY_TO_CLIPBOARD), 1);
    EXPECT_FALSE(clipboardHoldsDrawing()) << "nothing picked yet";
    click({8, 5});
    QTest::keyClick(w, Qt::Key_Return);
    ASSERT_TRUE(clipboardHoldsDrawing());
    const auto part = drawingOnClipboard();
    ASSERT_TRUE(part);
    EXPECT_EQ(live(*part).size(), 1u);
}

} // namespace

namespace {

TEST_F(ClipboardTest, CutAndPastedTextsAreDrawnAgainWholeAndPicturedWhole) {
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    cadSetTextParam(CAD_TEXT_HEIGHT, 24);
    const int text = cadAddText(-150, 40, "W\xB9skie gard\xB3o jgq"); // "Wąskie gardło jgq"
    engine().redraw();
    w->grab();
    const auto afterFullRedraw = [this] {
        engine().redraw();
        return w->grab().toImage();
    };
    // Cut: nothing of it stays on the screen.
    cadSelect(1, text);
    ASSERT_EQ(cadExecute(CAD_CMD_CUT), 1);
    const QImage cut = w->grab().toImage();
    EXPECT_TRUE(cut == afterFullRedraw());
    // The clipboard's picture holds every letter, with room around them.
    const QImage picture =
        QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(picture.isNull());
    const QColor background = picture.pixelColor(0, 0);
    QRect ink;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (picture.pixelColor(x, y) != background)
                ink |= QRect(x, y, 1, 1);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_TRUE(picture.rect().adjusted(1, 1, -1, -1).contains(ink)) << "no letter cut off";
    // Pasted: it stands whole.
    ASSERT_EQ(cadExecute(CAD_CMD_PASTE), 1);
    click({-100, -60});
    engine().active()->selectAll(false);
    const QImage pasted = w->grab().toImage();
    EXPECT_TRUE(pasted == afterFullRedraw());
}

} // namespace
