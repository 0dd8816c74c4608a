// Tests of the road-design import start from a reset engine with one document, a temporary
// program directory, the built-in settings table and clear flags.
#pragma once

#include "tests/engine/EngineTestSupport.h"

#include <QString>

#include <string>
#include <vector>

class ImportTest : public EngineTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes bytes to a file of the temporary folder (the program directory); its path.
    QString write(const std::string& name, const std::string& bytes) const;
    std::string read(const std::string& name) const;
};

// Records of a road-design drawing, CR LF after each line.
namespace kwl {
std::string header(const std::string& second = "PLAN,0,0");
std::string pen(int p);
std::string up(double x, double y);
std::string down(double x, double y);
std::string text(double x, double y, const std::string& params, const std::string& text);
} // namespace kwl

struct EntityInfo {
    int type = 0;
    std::string layer;
    std::vector<double> vertices; // polylines: x, y in turn; texts: the insertion point
    std::string text;
};
// The entities of the active document, in drawing order.
std::vector<EntityInfo> Entities();
std::string LayerName(int index);
