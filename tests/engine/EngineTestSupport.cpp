#include "tests/engine/EngineTestSupport.h"

#include "engine/view/DrawingWindow.h"

int ScriptedResponder::ask(std::string_view caption, std::string_view text, bool) {
    questions.push_back({std::string(caption), std::string(text), false});
    if (answers.empty()) {
        ADD_FAILURE() << "unexpected question: " << text;
        return CAD_ASK_CANCEL;
    }
    const int a = answers.front();
    answers.pop_front();
    return a;
}

void ScriptedResponder::tell(std::string_view caption, std::string_view text, bool error) {
    messages.push_back({std::string(caption), std::string(text), error});
}

std::optional<std::string> ScriptedResponder::saveFileName(std::string_view caption,
                                                           std::string_view filter,
                                                           std::string_view) {
    saveCaptions.emplace_back(caption);
    saveFilters.emplace_back(filter);
    if (saveAnswers.empty()) {
        ADD_FAILURE() << "unexpected file question: " << caption;
        return std::nullopt;
    }
    auto a = saveAnswers.front();
    saveAnswers.pop_front();
    return a;
}

std::optional<std::string> ScriptedResponder::openFileName(std::string_view caption,
                                                           std::string_view,
                                                           std::string_view folder) {
    openFolders.emplace_back(folder);
    if (openAnswers.empty()) {
        ADD_FAILURE() << "unexpected file question: " << caption;
        return std::nullopt;
    }
    auto a = openAnswers.front();
    openAnswers.pop_front();
    return a;
}

void EngineTest::SetUp() {
    cadReset();
    responder = std::make_shared<ScriptedResponder>();
    cadSetResponder(responder);
    ASSERT_TRUE(dir.isValid());
}

void EngineTest::TearDown() {
    EXPECT_TRUE(responder->answers.empty()) << "answers left unused";
    EXPECT_TRUE(responder->saveAnswers.empty()) << "file answers left unused";
    EXPECT_TRUE(responder->openAnswers.empty()) << "file answers left unused";
    cadReset();
}

std::string EngineTest::path(const std::string& name) const {
    return dir.path().toStdString() + "/" + name;
}

cad::DrawingWindow* windowAtOrigin(QWidget& parent, int width, int height) {
    if (cadWndCreate(&parent, 13, 0, 0, width, height) != 1)
        return nullptr;
    cad::Document* d = cad::engine().active();
    if (!d)
        return nullptr;
    d->view.centre = {0, 0};
    d->view.unitsPerPixel = 1;
    cad::engine().redraw();
    return cad::DrawingWindow::current();
}

int addPolyline(std::initializer_list<double> xy, bool closed) {
    cadPolylineBegin();
    for (auto it = xy.begin(); it != xy.end(); it += 2)
        cadVertex(*it, *(it + 1));
    return cadAddPolyline(0, closed ? 1 : 0);
}
