#include "engine/model/DimensionEntity.h"

#include "engine/model/TextMeasure.h"

namespace cad {

// Millimetres in a drawing unit (engine/Engine.h).
double millimetresPerUnit(int units);

const DimensionStyle& dimensionStyleOf(const Drawing& d, int style) {
    static const DimensionStyle plain;
    if (style >= 0 && static_cast<std::size_t>(style) < d.dimensionStyles.size())
        return d.dimensionStyles[static_cast<std::size_t>(style)];
    return d.dimensionStyles.empty() ? plain : d.dimensionStyles.front();
}

double dimensionUnitsPerPaperMm(const Drawing& d) {
    const double scale = d.settings.printScale;
    return dimensionUnitsPerPaperMm(scale > 0 && std::isfinite(scale) ? scale : 1,
                                    millimetresPerUnit(d.settings.units));
}

DimensionContext dimensionContext(const Drawing& d, const DimensionStyle& style,
                                  double unitsPerPaperMm) {
    const TextStyle* text =
        style.textStyle >= 0 && static_cast<std::size_t>(style.textStyle) < d.textStyles.size()
            ? &d.textStyles[static_cast<std::size_t>(style.textStyle)]
            : nullptr;
    DimensionContext c;
    c.unitsPerPaperMm = unitsPerPaperMm > 0 ? unitsPerPaperMm : dimensionUnitsPerPaperMm(d);
    // As wide as the text is drawn: its font's letters widened by the style.
    c.textWidth = [text](std::string_view bytes, double height) {
        const double factor = text && text->widthFactor > 0 ? text->widthFactor : 1.0;
        return measureText(text ? std::string_view(text->font) : std::string_view(), bytes).width *
               height * factor;
    };
    return c;
}

DimensionGeometry dimensionGeometryOf(const Drawing& d, const DimensionData& data,
                                      double unitsPerPaperMm) {
    const DimensionStyle& style = dimensionStyleOf(d, data.style);
    return dimensionGeometry(data, style, dimensionContext(d, style, unitsPerPaperMm));
}

void dimensionGeometryOf(const Drawing& d, const DimensionData& data, DimensionGeometry& out) {
    const DimensionStyle& style = dimensionStyleOf(d, data.style);
    dimensionGeometry(data, style, dimensionContext(d, style), out);
}

DimensionGeometry dimensionGeometryOf(const Drawing& d, const Entity& e, double unitsPerPaperMm) {
    return dimensionGeometryOf(d, d.dimensionOf(e), unitsPerPaperMm);
}

std::string dimensionTextOf(const Drawing& d, const Entity& e) {
    const DimensionData data = d.dimensionOf(e);
    return dimensionText(data, dimensionStyleOf(d, data.style));
}

int dimensionGroup(DimensionKind kind) {
    switch (kind) {
    case DimensionKind::Horizontal:
    case DimensionKind::Vertical:
    case DimensionKind::Parallel:
        return 0;
    case DimensionKind::Angular:
        return 1;
    case DimensionKind::Radial:
        return 2;
    case DimensionKind::Diametric:
        return 3;
    case DimensionKind::OrdinateX:
    case DimensionKind::OrdinateY:
        return 4;
    }
    return 0;
}

} // namespace cad
