// Engine tests start from a freshly reset engine with a scripted responder, and work in a
// temporary folder of their own.
#pragma once

#include "engine/CadApi.h"

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

// Adds a polyline of (x, y) pairs through the interface; its handle.
int addPolyline(std::initializer_list<double> xy, bool closed = false);
