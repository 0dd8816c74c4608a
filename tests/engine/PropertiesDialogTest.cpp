// The properties of entities, driven through the command, the drawing window and the dialog as
// a person uses them: each kind's page changes its entity, several entities show only what
// they share, and what OK changes, and nothing else, is one step that one undo takes back.
#include "engine/Engine.h"
#include "engine/ui/Dialogs.h"
#include "engine/ui/QtResponder.h"
#include "engine/view/DrawingWindow.h"
#include "tests/engine/EngineTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

#include <cmath>
#include <cstring>
#include <stdexcept>

using namespace cad;

namespace {

constexpr int kWidth = 400, kHeight = 300;

// What a drawing holds, to tell what a change touched.
struct Contents {
    std::vector<Entity> entities;
    std::vector<OwnStyle> own;
    std::vector<std::byte> geometry; // every geometry table, byte for byte

    explicit Contents(const Drawing& d) {
        for (std::size_t h = 0; h < d.entities.size(); ++h) {
            entities.push_back(d.entities[h]);
            own.push_back(d.ownStyle(h));
        }
        const auto add = [this](const auto& table) {
            const auto* bytes = reinterpret_cast<const std::byte*>(table.data());
            geometry.insert(geometry.end(), bytes, bytes + table.size() * sizeof(table[0]));
        };
        add(d.vertices);
        add(d.points);
        add(d.lines);
        add(d.circles);
        add(d.arcs);
        add(d.sectors);
        add(d.ellipses);
        add(d.rectangles);
        add(d.texts);
        add(d.hatches);
        add(d.images);
    }
};

bool sameRecord(const Entity& a, const Entity& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// A window at one unit a pixel with the drawing's origin in its centre, on a drawing with the
// layers "0", "drogi" (blue, 0.35 mm) and "opisy" (green, 0.18 mm).
class PropertiesDialogTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        parent.resize(kWidth, kHeight);
        ASSERT_GT(cadFileNew(0, ""), 0);
        cadLayerAdd("drogi", 0.35, 0xFF0000, 0xFF0000);
        cadLayerAdd("opisy", 0.18, 0x00FF00, 0x00FF00);
        ASSERT_EQ(cadWndCreate(&parent, 13, 0, 0, kWidth, kHeight), 1);
        w = dynamic_cast<DrawingWindow*>(cadWndWidget(1));
        ASSERT_NE(w, nullptr);
        Document* doc = engine().active();
        doc->view.centre = {0, 0};
        doc->view.unitsPerPixel = 1;
        engine().redraw();
        engine().onPrompt = [this](const std::string& text) { prompt = text; };
        savedModal = showModal;
        savedChooser = chooseColor;
    }
    void TearDown() override {
        showModal = savedModal;
        chooseColor = savedChooser;
        EngineTest::TearDown();
    }

    static const Drawing& d() { return *activeDrawing(); }
    static void selectOnly(std::initializer_list<int> handles) {
        engine().active()->selectAll(false);
        for (const int h : handles)
            engine().active()->select(h, true);
    }
    static const Entity& at(int h) { return d().entities[static_cast<std::size_t>(h)]; }

    // The dialog is answered by `fill`, then OK (or Cancel) is pressed; what it showed is kept.
    void answer(std::function<void(QDialog&)> fill, bool ok = true) {
        showModal = [this, fill, ok](QDialog& dialog) {
            ++shown;
            title = dialog.windowTitle();
            auto* pages = dialog.findChild<QTabWidget*>(QStringLiteral("cadPropertiesPages"));
            pageTitles.clear();
            for (int i = 0; pages && i < pages->count(); ++i)
                pageTitles << pages->tabText(i);
            fill(dialog);
            find<QPushButton>(dialog, ok ? "Ok" : "Cancel")->click();
            return dialog.result();
        };
    }
    // The command on the selection, the dialog answered so.
    int properties(std::function<void(QDialog&)> fill, bool ok = true) {
        answer(std::move(fill), ok);
        return cadExecute(CAD_CMD_PROPERTIES);
    }

    template <typename T> static T* find(QDialog& dialog, const char* role) {
        T* widget = dialog.findChild<T*>(QStringLiteral("cadProperties") + QLatin1String(role));
        if (!widget)
            throw std::runtime_error(std::string("no field ") + role);
        return widget;
    }
    static QString text(QDialog& dialog, const char* role) {
        return find<QLineEdit>(dialog, role)->text();
    }
    // Types over what the field holds, as a person does.
    static void type(QDialog& dialog, const char* role, const QString& typed) {
        QLineEdit* edit = find<QLineEdit>(dialog, role);
        edit->selectAll();
        // Key events carry Latin-1 letters only; others come as an input method gives them.
        if (typed.toLatin1() == typed.toUtf8())
            QTest::keyClicks(edit, typed);
        else
            edit->insert(typed);
    }
    void undoRedo() {
        ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
        ASSERT_EQ(cadExecute(CAD_CMD_REDO), 1);
    }
    void click(Vec2 p) { QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, pixel(p)); }
    // Press, release, the double click and its release, as the window gets them.
    void doubleClick(Vec2 p) {
        click(p);
        QTest::mouseDClick(w, Qt::LeftButton, Qt::NoModifier, pixel(p));
        QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, pixel(p));
    }
    QPoint pixel(Vec2 p) const { return w->toPixel(p).toPoint(); }

    QWidget parent;
    DrawingWindow* w = nullptr;
    std::string prompt;
    int shown = 0;
    QString title;
    QStringList pageTitles;
    std::function<int(QDialog&)> savedModal;
    std::function<QColor(const QColor&, QWidget*)> savedChooser;
};

TEST_F(PropertiesDialogTest, LinesCirclesArcsAndEllipsesChangeThroughTheirPages) {
    const int line = cadAddLine(0, 0, 30, 40);
    selectOnly({line});
    EXPECT_EQ(properties([](QDialog& dialog) {
                  EXPECT_EQ(text(dialog, "Length"), "50.000");
                  EXPECT_EQ(text(dialog, "Angle"), "53.130");
                  EXPECT_EQ(text(dialog, "SecondY"), "40");
                  type(dialog, "FirstX", "-10");
                  type(dialog, "SecondY", "12,5"); // a comma is a decimal point too
              }),
              1);
    EXPECT_EQ(title, engineText(11304));
    EXPECT_EQ(pageTitles, QStringList({engineText(13001), engineText(13101)}));
    const LineData& l = d().lines[at(line).first];
    EXPECT_EQ(l.a.x, -10);
    EXPECT_EQ(l.a.y, 0);
    EXPECT_EQ(l.b.x, 30);
    EXPECT_EQ(l.b.y, 12.5);
    ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    EXPECT_EQ(l.a.x, 0);
    EXPECT_EQ(l.b.y, 40);

    const int circle = cadAddCircle(0, 0, 10);
    selectOnly({circle});
    properties([](QDialog& dialog) {
        EXPECT_EQ(text(dialog, "Length"), "62.832");
        EXPECT_EQ(text(dialog, "Area"), "314.159");
        type(dialog, "Radius", "25");
        type(dialog, "CentreY", "5");
    });
    EXPECT_EQ(pageTitles.value(1), engineText(13301));
    EXPECT_EQ(d().circles[at(circle).first].radius, 25);
    EXPECT_EQ(d().circles[at(circle).first].centre.y, 5);

    // An arc shows its start and sweep: a new start turns it, a new sweep moves its end.
    const int arc = cadAddArc(0, 0, 10, 0, 90);
    selectOnly({arc});
    properties([](QDialog& dialog) {
        EXPECT_EQ(text(dialog, "ArcAngle"), "90");
        EXPECT_EQ(text(dialog, "Length"), "15.708");
        EXPECT_EQ(text(dialog, "Area"), "28.540") << "closed by its chord";
        type(dialog, "StartAngle", "45");
    });
    const ArcData& a = d().arcs[at(arc).first];
    EXPECT_DOUBLE_EQ(a.startAngle, 45);
    EXPECT_DOUBLE_EQ(a.endAngle, 135);
    properties([](QDialog& dialog) { type(dialog, "ArcAngle", "300"); });
    EXPECT_DOUBLE_EQ(a.startAngle, 45);
    EXPECT_DOUBLE_EQ(a.endAngle, 345);

    const int ellipse = cadAddEllipse(0, 0, 10, 5, 0, 0, 360);
    selectOnly({ellipse});
    properties([](QDialog& dialog) {
        EXPECT_EQ(text(dialog, "Area"), "157.080");
        type(dialog, "RadiusX", "20");
        type(dialog, "Rotation", "30");
    });
    EXPECT_EQ(pageTitles.value(1), engineText(13901));
    const EllipseData& e = d().ellipses[at(ellipse).first];
    EXPECT_EQ(e.radiusX, 20);
    EXPECT_EQ(e.radiusY, 5);
    EXPECT_EQ(e.rotation, 30);
    undoRedo();
}

TEST_F(PropertiesDialogTest, RectanglesTextsInsertionsHatchesAndImagesChangeThroughTheirPages) {
    const int rectangle = cadAddRectangle(0, 0, 40, 20, 0);
    selectOnly({rectangle});
    properties([](QDialog& dialog) {
        EXPECT_EQ(text(dialog, "Area"), "800.000");
        type(dialog, "Width", "50");
        type(dialog, "Rotation", "15");
    });
    EXPECT_EQ(pageTitles.value(1), engineText(14101));
    EXPECT_EQ(d().rectangles[at(rectangle).first].width, 50);
    EXPECT_EQ(d().rectangles[at(rectangle).first].height, 20);
    EXPECT_EQ(d().rectangles[at(rectangle).first].rotation, 15);

    // Two texts of one look: changing one leaves the other's look alone.
    cadSetTextParam(CAD_TEXT_HEIGHT, 2.5);
    const int text1 = cadAddText(5, 5, "KM 0+100");
    const int other = cadAddText(5, 50, "KM 0+200");
    selectOnly({text1});
    properties([](QDialog& dialog) {
        EXPECT_EQ(text(dialog, "Text"), "KM 0+100");
        type(dialog, "Text", QString::fromUtf8("Łódź"));
        type(dialog, "Height", "3,5");
        type(dialog, "PointX", "7");
        find<QComboBox>(dialog, "Align")->setCurrentIndex(4);
    });
    EXPECT_EQ(pageTitles.value(1), engineText(13201));
    const TextSpec changed = d().textSpec(at(text1));
    EXPECT_EQ(changed.text, "\xa3\xf3\x64\x9f");
    EXPECT_EQ(changed.height, 3.5);
    EXPECT_EQ(changed.align, 4);
    EXPECT_EQ(changed.p.x, 7);
    EXPECT_EQ(changed.p.y, 5);
    EXPECT_EQ(d().textSpec(at(other)).height, 2.5);
    EXPECT_EQ(d().textSpec(at(other)).text, "KM 0+200");
    ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    EXPECT_EQ(d().textSpec(at(text1)).text, "KM 0+100");
    EXPECT_EQ(d().textSpec(at(text1)).height, 2.5);

    cadBlockBegin();
    cadAddLine(0, 0, 10, 0);
    const int first = cadBlockAdd("a", 0, 0);
    cadBlockBegin();
    cadAddCircle(0, 0, 3);
    const int second = cadBlockAdd("b", 0, 0);
    const int insert = cadAddInsert(first, 0, 0, 1, 1, 0);
    selectOnly({insert});
    properties([](QDialog& dialog) {
        EXPECT_EQ(text(dialog, "Width"), "10.000");
        find<QComboBox>(dialog, "Block")->setCurrentIndex(1);
        type(dialog, "ScaleX", "-2");
        type(dialog, "Rotation", "90");
    });
    const InsertData& in = d().inserts[at(insert).first];
    EXPECT_EQ(in.block, second);
    EXPECT_EQ(in.scaleX, -2) << "a mirrored insertion";
    EXPECT_EQ(in.scaleY, 1);
    EXPECT_EQ(in.angle, 90);

    cadPolylineBegin();
    cadVertex(0, 0);
    cadVertex(10, 0);
    cadVertex(10, 10);
    cadHatchLoop();
    const int hatch = cadAddHatch("SOLID", 1, 1, 0);
    selectOnly({hatch});
    properties([](QDialog& dialog) {
        EXPECT_EQ(find<QComboBox>(dialog, "Pattern")->currentIndex(), 0);
        find<QComboBox>(dialog, "Pattern")->setCurrentIndex(2);
        type(dialog, "Scale", "2");
    });
    const HatchData& h = d().hatches[at(hatch).first];
    EXPECT_EQ(d().pooled(h.pattern), "ANSI37");
    EXPECT_EQ(h.solid, 0u);
    EXPECT_EQ(h.scale, 2);

    const int image = cadAddImage("/data/mapa.png", 0, 0, 10, 10);
    selectOnly({image});
    responder->openAnswers.push_back("/data/ortofotomapa.png");
    properties([](QDialog& dialog) {
        EXPECT_EQ(text(dialog, "File"), "/data/mapa.png");
        find<QToolButton>(dialog, "Browse")->click();
        type(dialog, "Width", "20");
    });
    EXPECT_EQ(d().pooled(d().images[at(image).first].path), "/data/ortofotomapa.png");
    EXPECT_EQ(d().images[at(image).first].width, 20);
    EXPECT_EQ(d().images[at(image).first].height, 10);
    undoRedo();
}

TEST_F(PropertiesDialogTest, APolylinesVerticesAreEditedAddedInsertedAndDeleted) {
    const double third = 1.0 / 3;
    const int polyline = addPolyline({third, 0, 10, 0, 10, 10});
    selectOnly({polyline});
    properties([](QDialog& dialog) {
        auto* table = find<QTableWidget>(dialog, "Vertices");
        ASSERT_EQ(table->rowCount(), 3);
        EXPECT_EQ(text(dialog, "Length"), "19.667");
        table->item(1, 1)->setText("5");
        table->setCurrentCell(2, 0);
        find<QPushButton>(dialog, "DeleteVertex")->click();
        find<QPushButton>(dialog, "AddVertex")->click(); // a copy of the last
        table->item(2, 0)->setText("20,5");
        table->setCurrentCell(0, 0);
        find<QPushButton>(dialog, "InsertVertex")->click(); // a copy of the first before it
        find<QCheckBox>(dialog, "Closed")->setChecked(true);
    });
    EXPECT_EQ(pageTitles.value(1), engineText(13401));
    const auto vertices = [&] {
        return std::vector<Vec2>(d().vertexData(at(polyline)),
                                 d().vertexData(at(polyline)) + at(polyline).count);
    };
    const std::vector<Vec2> edited{{third, 0}, {third, 0}, {10, 5}, {20.5, 5}};
    EXPECT_EQ(vertices(), edited) << "untouched cells give their vertices back exactly";
    EXPECT_TRUE(at(polyline).has(EntityFlag::Closed));
    ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    EXPECT_EQ(vertices(), (std::vector<Vec2>{{third, 0}, {10, 0}, {10, 10}}));
    EXPECT_FALSE(at(polyline).has(EntityFlag::Closed));
    ASSERT_EQ(cadExecute(CAD_CMD_REDO), 1);
    EXPECT_EQ(vertices(), edited);

    // Two vertices stay at least; a cell that holds no number is refused.
    properties([](QDialog& dialog) {
        auto* table = find<QTableWidget>(dialog, "Vertices");
        for (int i = 0; i < 4; ++i) {
            table->setCurrentCell(0, 0);
            find<QPushButton>(dialog, "DeleteVertex")->click();
        }
        EXPECT_EQ(table->rowCount(), 2);
        table->item(0, 0)->setText("x");
    });
    EXPECT_EQ(vertices(), edited);
}

TEST_F(PropertiesDialogTest, ASplineShowsItsFitPointsAndASectorItsArc) {
    const Vec2 fit[] = {{0, 0}, {10, 8}, {22, 3}};
    const int spline = ActiveAdder().addSpline(fit, 3, false);
    const int sector = ActiveAdder().addSector({{50, 0}, 6, 0, 90});
    selectOnly({spline});
    properties([](QDialog& dialog) {
        auto* table = find<QTableWidget>(dialog, "Vertices");
        ASSERT_EQ(table->rowCount(), 3);
        table->item(2, 1)->setText("-4");
        find<QCheckBox>(dialog, "Closed")->setChecked(true);
    });
    EXPECT_EQ(pageTitles.value(1), engineText(19241));
    EXPECT_EQ(at(spline).type, EntityType::Spline);
    EXPECT_EQ(d().vertexData(at(spline))[2], (Vec2{22, -4}));
    EXPECT_TRUE(at(spline).has(EntityFlag::Closed));

    selectOnly({sector});
    properties([](QDialog& dialog) {
        EXPECT_EQ(text(dialog, "Area"), "28.274") << "a quarter of the circle";
        type(dialog, "Radius", "12");
        type(dialog, "ArcAngle", "180");
    });
    EXPECT_EQ(pageTitles.value(1), engineText(19210));
    const ArcData& a = d().sectors[at(sector).first];
    EXPECT_EQ(a.radius, 12);
    EXPECT_EQ(a.endAngle, 180);
    ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    EXPECT_EQ(d().sectors[at(sector).first].radius, 6);
}

TEST_F(PropertiesDialogTest, AMixedSelectionChangesOnlyTheEditedFieldOnEveryOne) {
    const int line = cadAddLine(-150, 100, -50, 100);
    cadLayerActive(1);
    const int circle = cadAddCircle(50, 50, 20);
    cadPropPutInt(CAD_PROP_ENT_COLOR, circle, 0x0000FF);
    cadPropPutDbl(CAD_PROP_ENT_WIDTH, circle, 0.5);
    cadLayerActive(2);
    const int text1 = cadAddText(0, -50, "opis");
    const int untouched = cadAddLine(100, -100, 100, 0);
    selectOnly({line, circle, text1});
    const Contents before(d());

    properties([](QDialog& dialog) {
        EXPECT_EQ(find<QComboBox>(dialog, "Layer")->currentIndex(), -1) << "not shared";
        EXPECT_EQ(find<QComboBox>(dialog, "Layer")->count(), 3);
        EXPECT_EQ(find<QComboBox>(dialog, "LineStyle")->currentIndex(), 0) << "shared";
        EXPECT_EQ(find<QCheckBox>(dialog, "ColorByLayer")->checkState(), Qt::PartiallyChecked);
        EXPECT_TRUE(find<QPushButton>(dialog, "Color")->icon().isNull());
        EXPECT_EQ(text(dialog, "LineWidth"), "");
        EXPECT_FALSE(find<QCheckBox>(dialog, "Filled")->isEnabled()) << "a line is never filled";
        find<QComboBox>(dialog, "Layer")->setCurrentIndex(1);
    });
    EXPECT_EQ(title.toStdString(), formatText(engine().text(11305), {3}));
    EXPECT_EQ(pageTitles, QStringList{engineText(13001)}) << "no page of a kind";

    const Contents after(d());
    EXPECT_EQ(after.geometry, before.geometry);
    for (std::size_t h = 0; h < before.entities.size(); ++h) {
        Entity expected = before.entities[h];
        if (static_cast<int>(h) != untouched)
            expected.layer = 1;
        EXPECT_TRUE(sameRecord(after.entities[h], expected)) << h;
        EXPECT_EQ(after.own[h], before.own[h]) << h;
    }
    // One undo takes all of it back.
    ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    const Contents undone(d());
    for (std::size_t h = 0; h < before.entities.size(); ++h) {
        Entity expected = before.entities[h];
        expected.set(EntityFlag::Selected, undone.entities[h].has(EntityFlag::Selected));
        EXPECT_TRUE(sameRecord(undone.entities[h], expected)) << h;
    }
    ASSERT_EQ(cadExecute(CAD_CMD_REDO), 1);
    EXPECT_EQ(at(text1).layer, 1);
}

TEST_F(PropertiesDialogTest, ColoursAndWidthsAreTheLayersOrTheirOwn) {
    cadLayerActive(1);
    const int byLayer = cadAddLine(0, 0, 10, 0);
    const int own = cadAddLine(0, 10, 10, 10);
    cadPropPutInt(CAD_PROP_ENT_COLOR, own, 0x00FF00);
    selectOnly({byLayer, own});
    chooseColor = [](const QColor&, QWidget*) { return QColor(255, 0, 0); };
    properties([](QDialog& dialog) {
        EXPECT_EQ(text(dialog, "LineWidth"), "0.35") << "both have the layer's width";
        find<QPushButton>(dialog, "Color")->click();
        EXPECT_EQ(find<QCheckBox>(dialog, "ColorByLayer")->checkState(), Qt::Unchecked);
    });
    for (const int h : {byLayer, own}) {
        EXPECT_EQ(d().colorOf(static_cast<std::size_t>(h), at(h)), 0x0000FFu) << h;
        EXPECT_FALSE(at(h).has(EntityFlag::ColorByLayer)) << h;
        EXPECT_TRUE(at(h).has(EntityFlag::WidthByLayer)) << "width untouched";
    }

    // A typed width is their own; "by layer" again brings the layer's colour back.
    properties([](QDialog& dialog) {
        type(dialog, "LineWidth", "0,7");
        EXPECT_EQ(find<QCheckBox>(dialog, "WidthByLayer")->checkState(), Qt::Unchecked);
        find<QCheckBox>(dialog, "ColorByLayer")->setChecked(true);
    });
    for (const int h : {byLayer, own}) {
        EXPECT_EQ(d().widthOf(static_cast<std::size_t>(h), at(h)), 0.7) << h;
        EXPECT_EQ(d().colorOf(static_cast<std::size_t>(h), at(h)), 0xFF0000u) << h;
    }

    // Leaving "by layer" without a value keeps the look the entity had: the layer's.
    selectOnly({byLayer});
    properties([](QDialog& dialog) { find<QCheckBox>(dialog, "ColorByLayer")->setChecked(false); });
    EXPECT_FALSE(at(byLayer).has(EntityFlag::ColorByLayer));
    EXPECT_EQ(d().colorOf(static_cast<std::size_t>(byLayer), at(byLayer)), 0xFF0000u);
    ASSERT_EQ(cadExecute(CAD_CMD_UNDO), 1);
    EXPECT_TRUE(at(byLayer).has(EntityFlag::ColorByLayer));
}

TEST_F(PropertiesDialogTest, CancelBlankAndRefusedFieldsChangeNothing) {
    const int small = cadAddCircle(-50, 0, 10);
    const int large = cadAddCircle(50, 0, 20);
    cadUndoForget();
    selectOnly({small, large});
    const Contents before(d());
    const auto unchanged = [&] {
        const Contents now(d());
        EXPECT_EQ(now.geometry, before.geometry);
    };

    EXPECT_EQ(properties([](QDialog& dialog) { type(dialog, "Radius", "5"); }, false), 0);
    EXPECT_EQ(shown, 1);
    unchanged();
    // Blank where they differ; a blank left blank, or cleared, changes nothing.
    EXPECT_EQ(properties([](QDialog& dialog) {
                  EXPECT_EQ(text(dialog, "Radius"), "");
                  EXPECT_EQ(text(dialog, "CentreX"), "");
                  EXPECT_EQ(text(dialog, "CentreY"), "0");
                  find<QLineEdit>(dialog, "CentreY")->clear();
              }),
              0);
    unchanged();
    // What a field cannot take keeps the dialog open.
    for (const char* refused : {"1e", "-5", "0"})
        EXPECT_EQ(properties([refused](QDialog& dialog) { type(dialog, "Radius", refused); }), 0)
            << refused;
    unchanged();
    EXPECT_EQ(cadExecute(CAD_CMD_UNDO), 0) << "no step was made";

    EXPECT_EQ(properties([](QDialog& dialog) { type(dialog, "CentreY", "7"); }), 1);
    EXPECT_EQ(d().circles[at(small).first].centre.y, 7);
    EXPECT_EQ(d().circles[at(large).first].centre.y, 7);
    EXPECT_EQ(d().circles[at(small).first].centre.x, -50);
    EXPECT_EQ(d().circles[at(small).first].radius, 10);
    EXPECT_EQ(d().circles[at(large).first].radius, 20);
}

TEST_F(PropertiesDialogTest, WithNothingSelectedTheEntitiesArePickedFirst) {
    const int line = cadAddLine(-150, 50, -50, 50);
    answer([](QDialog& dialog) { find<QComboBox>(dialog, "Layer")->setCurrentIndex(2); });
    ASSERT_EQ(cadExecute(CAD_CMD_PROPERTIES), 1);
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Command);
    EXPECT_NE(prompt.find(engine().text(19301)), std::string::npos);
    click({-100, 50});
    EXPECT_EQ(shown, 0) << "not before the picking ends";
    QTest::keyClick(w, Qt::Key_Return);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(title, engineText(11304));
    EXPECT_EQ(at(line).layer, 2);
    EXPECT_EQ(w->mode(), DrawingWindow::Mode::Idle);

    // Esc leaves it without asking.
    engine().active()->selectAll(false);
    ASSERT_EQ(cadExecute(CAD_CMD_PROPERTIES), 1);
    click({-100, 50});
    QTest::keyClick(w, Qt::Key_Escape);
    EXPECT_EQ(shown, 1);
}

TEST_F(PropertiesDialogTest, ADoubleClickShowsTheEntityAloneAndForACommandIsOneMorePress) {
    const int first = cadAddLine(-150, 100, -50, 100);
    const int second = cadAddCircle(50, 50, 20);
    selectOnly({first, second});
    std::vector<int> selectedWhenShown;
    answer(
        [&](QDialog&) {
            for (int h = 0; h < static_cast<int>(d().entities.size()); ++h)
                if (at(h).has(EntityFlag::Selected))
                    selectedWhenShown.push_back(h);
        },
        false);
    doubleClick({50, 70});
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(title, engineText(11304));
    EXPECT_EQ(selectedWhenShown, std::vector<int>{second});

    doubleClick({0, -100}); // nothing there
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(d().selectedCount(), 0);

    ASSERT_EQ(cadExecute(CAD_CMD_DRAW_POINT), 1);
    const std::size_t before = d().points.size();
    doubleClick({50, 70});
    EXPECT_EQ(d().points.size(), before + 2) << "both presses are points";
    EXPECT_EQ(shown, 1);
}

} // namespace

namespace {

// The colour a swatch button shows.
QColor swatchOf(QPushButton* button) {
    const QImage image = button->icon().pixmap(button->iconSize()).toImage();
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

TEST_F(PropertiesDialogTest, AnotherLayerChosenShowsThatLayersColourAndWidth) {
    const int line = cadAddLine(-50, 0, 50, 0); // on layer "0", by layer
    selectOnly({line});
    properties([](QDialog& dialog) {
        EXPECT_EQ(swatchOf(find<QPushButton>(dialog, "Color")), QColor(Qt::black));
        find<QComboBox>(dialog, "Layer")->setCurrentIndex(1); // "drogi": blue, 0.35 mm
        EXPECT_EQ(swatchOf(find<QPushButton>(dialog, "Color")), QColor(Qt::blue));
        EXPECT_EQ(text(dialog, "LineWidth"), "0.35");
        find<QComboBox>(dialog, "Layer")->setCurrentIndex(2); // "opisy": green, 0.18 mm
        EXPECT_EQ(swatchOf(find<QPushButton>(dialog, "Color")), QColor(Qt::green));
        EXPECT_EQ(text(dialog, "LineWidth"), "0.18");
    });
    EXPECT_EQ(at(line).layer, 2);
    EXPECT_TRUE(at(line).has(EntityFlag::ColorByLayer));
    EXPECT_TRUE(at(line).has(EntityFlag::WidthByLayer)) << "showing the width changes nothing";
}

TEST_F(PropertiesDialogTest, ATextChangedInItsPropertiesIsDrawnAgainWhole) {
    cadSetTextParam(CAD_TEXT_HEIGHT, 24);
    const int text = cadAddText(-150, -10, "Wj");
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    w->grab();
    selectOnly({text});
    // Longer, and in another colour: what was drawn of the old one goes, the new one stands
    // whole, as a picture drawn afresh has them.
    properties([](QDialog& dialog) {
        type(dialog, "Text", QString::fromUtf8("Wąskie gardło jgq"));
        find<QComboBox>(dialog, "Layer")->setCurrentIndex(1);
    });
    engine().active()->selectAll(false);
    const QImage changed = w->grab().toImage();
    engine().redraw();
    const QImage afresh = w->grab().toImage();
    EXPECT_TRUE(changed == afresh);
}

} // namespace
