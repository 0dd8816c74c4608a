// Engine tests start from a freshly reset engine with a scripted responder, and work in a
// temporary folder of their own.
#pragma once

#include "engine/CadApi.h"
#include "engine/Engine.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

class ScriptedResponder : public CadResponder {
public:
    struct Shown {
        std::string caption, text;
        bool error = false;
    };
    std::deque<int> answers;                            // for ask()
    std::deque<std::optional<std::string>> saveAnswers; // for saveFileName()
    std::deque<std::optional<std::string>> openAnswers; // for openFileName()
    std::vector<Shown> questions, messages;
    std::vector<std::string> saveCaptions, saveFilters;
    std::vector<std::string> openFolders; // where each open question started

    int ask(std::string_view caption, std::string_view text, bool withCancel) override;
    void tell(std::string_view caption, std::string_view text, bool error) override;
    std::optional<std::string> saveFileName(std::string_view caption, std::string_view filter,
                                            std::string_view suggestedPath) override;
    std::optional<std::string> openFileName(std::string_view caption, std::string_view filter,
                                            std::string_view folder) override;
};

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // A path in the test's own temporary folder.
    std::string path(const std::string& name) const;

    std::shared_ptr<ScriptedResponder> responder;
    QTemporaryDir dir;
};

class QWidget;
namespace cad {
class DrawingWindow;
}

// The drawing window made in `parent`, width x height pixels, showing the active document at
// one unit a pixel with the drawing's origin in its middle; null when none could be made.
cad::DrawingWindow* windowAtOrigin(QWidget& parent, int width, int height);

// Adds a polyline of (x, y) pairs through the interface; its handle.
int addPolyline(std::initializer_list<double> xy, bool closed = false);

// Adds entities to the active document as the program's own calls do, each one step: for tests
// that build a document's content with the drawing's own kinds of data.
struct ActiveAdder {
    template <typename F> static int step(F f) {
        return cad::changeActive(-1, [&](cad::ChangeSet& c) { return f(c); });
    }
    int addPoint(const cad::PointData& d) {
        return step([&](cad::ChangeSet& c) { return c.addPoint(d); });
    }
    int addLine(const cad::LineData& d) {
        return step([&](cad::ChangeSet& c) { return c.addLine(d); });
    }
    int addCircle(const cad::CircleData& d) {
        return step([&](cad::ChangeSet& c) { return c.addCircle(d); });
    }
    int addArc(const cad::ArcData& d) {
        return step([&](cad::ChangeSet& c) { return c.addArc(d); });
    }
    int addSector(const cad::ArcData& d) {
        return step([&](cad::ChangeSet& c) { return c.addSector(d); });
    }
    int addEllipse(const cad::EllipseData& d) {
        return step([&](cad::ChangeSet& c) { return c.addEllipse(d); });
    }
    int addRectangle(const cad::RectangleData& d) {
        return step([&](cad::ChangeSet& c) { return c.addRectangle(d); });
    }
    int addInsert(const cad::InsertData& d) {
        return step([&](cad::ChangeSet& c) { return c.addInsert(d); });
    }
    int addText(const cad::TextSpec& t) {
        return step([&](cad::ChangeSet& c) { return c.addText(t); });
    }
    int addImage(const cad::ImageSpec& i) {
        return step([&](cad::ChangeSet& c) { return c.addImage(i); });
    }
    int addPolyline(const cad::Vec2* v, std::size_t n, bool closed, std::uint8_t fit = 0) {
        return step([&](cad::ChangeSet& c) { return c.addPolyline({v, n}, closed, fit); });
    }
    int addSpline(const cad::Vec2* v, std::size_t n, bool closed) {
        return step([&](cad::ChangeSet& c) { return c.addSpline({v, n}, closed); });
    }
    int addHatch(const cad::Vec2* v, std::size_t n, const cad::HatchSpec& h) {
        return step([&](cad::ChangeSet& c) { return c.addHatch({v, n}, h); });
    }
    int makeBlock(std::string_view name, cad::Vec2 base, std::size_t first) {
        return step([&](cad::ChangeSet& c) { return c.makeBlock(name, base, first); });
    }
};
