// Any bytes as a DXF file: an error or a drawing whose records all point where they should.
#include "engine/io/Dxf.h"
#include "engine/io/FileError.h"

#include <cstdint>
#include <string>

namespace {

bool consistent(const cad::Drawing& d) {
    using cad::EntityType;
    for (const cad::Entity& e : d.entities) {
        const std::uint64_t i = e.first;
        bool ok = true;
        switch (e.type) {
        case EntityType::Point:
            ok = i < d.points.size();
            break;
        case EntityType::Line:
            ok = i < d.lines.size();
            break;
        case EntityType::Polyline:
        case EntityType::Spline:
            ok = i + e.count <= d.vertices.size() && e.count > 0;
            break;
        case EntityType::Circle:
            ok = i < d.circles.size();
            break;
        case EntityType::Arc:
            ok = i < d.arcs.size();
            break;
        case EntityType::Sector:
            ok = i < d.sectors.size();
            break;
        case EntityType::Ellipse:
            ok = i < d.ellipses.size();
            break;
        case EntityType::Rectangle:
            ok = i < d.rectangles.size();
            break;
        case EntityType::Insert:
            ok = i < d.inserts.size() && d.inserts[i].block >= 0 &&
                 std::size_t(d.inserts[i].block) < d.blocks.size();
            break;
        case EntityType::Text:
            ok = i < d.texts.size() && d.texts[i].params < d.textParams.size() &&
                 d.paramsOf(d.texts[i]).style >= 0 &&
                 std::size_t(d.paramsOf(d.texts[i]).style) < d.textStyles.size() &&
                 std::uint64_t(d.texts[i].chars) + e.count <= d.chars.size();
            break;
        case EntityType::Hatch: {
            ok = i < d.hatches.size() && d.hatches[i].firstVertex + e.count <= d.vertices.size();
            std::uint64_t sum = 0;
            ok = ok && std::uint64_t(d.hatches[i].firstLoop) + d.hatches[i].loopCount <=
                           d.hatchLoops.size();
            if (ok)
                for (const std::uint32_t n : d.loopsOf(d.hatches[i]))
                    sum += n;
            ok = ok && sum == e.count;
            break;
        }
        case EntityType::Image:
            ok = i < d.images.size();
            break;
        }
        if (!ok || std::size_t(e.layer) >= d.layers.size() ||
            std::size_t(e.lineStyle) >= d.lineStyles.size())
            return false;
    }
    for (const cad::Block& b : d.blocks)
        for (const std::uint32_t h : b.entities)
            if (h >= d.entities.size())
                return false;
    return !d.hasRecursiveBlock();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const cad::DxfReadResult r =
            cad::readDxf(std::string(reinterpret_cast<const char*>(data), size), "fuzz.dxf");
        if (!consistent(*r.drawing))
            __builtin_trap();
        (void)r.drawing->extents();
        for (std::size_t b = 0; b < r.drawing->blocks.size(); ++b)
            (void)r.drawing->blockExtents(int(b));
    } catch (const cad::FileError&) {
    }
    return 0;
}
