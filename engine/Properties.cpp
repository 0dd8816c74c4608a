// Properties, information and engine-wide operations of the interface.
#include "engine/CadApi.h"

#include "engine/Engine.h"
#include "engine/model/DimensionEntity.h"
#include "engine/model/Statistics.h"

#include <filesystem>
#include <iterator>
#include <system_error>

using namespace cad;

namespace {

template <typename T> const T* item(const std::vector<T>& v, int i) {
    return i >= 0 && static_cast<std::size_t>(i) < v.size() ? &v[static_cast<std::size_t>(i)]
                                                            : nullptr;
}

const Entity* entityOf(const Drawing* dr, int handle) {
    return dr && dr->valid(handle) ? &dr->entities[static_cast<std::size_t>(handle)] : nullptr;
}

// The field of a kind's geometry record that a real-valued property names, or nullptr.
double* field(PointData& d, int property) {
    switch (property) {
    case CAD_PROP_ENT_X:
        return &d.p.x;
    case CAD_PROP_ENT_Y:
        return &d.p.y;
    }
    return nullptr;
}
double* field(LineData& d, int property) {
    switch (property) {
    case CAD_PROP_ENT_X:
        return &d.a.x;
    case CAD_PROP_ENT_Y:
        return &d.a.y;
    case CAD_PROP_ENT_X2:
        return &d.b.x;
    case CAD_PROP_ENT_Y2:
        return &d.b.y;
    }
    return nullptr;
}
double* field(CircleData& d, int property) {
    switch (property) {
    case CAD_PROP_ENT_X:
        return &d.centre.x;
    case CAD_PROP_ENT_Y:
        return &d.centre.y;
    case CAD_PROP_ENT_RADIUS:
        return &d.radius;
    }
    return nullptr;
}
double* field(ArcData& a, int property) {
    switch (property) {
    case CAD_PROP_ENT_X:
        return &a.centre.x;
    case CAD_PROP_ENT_Y:
        return &a.centre.y;
    case CAD_PROP_ENT_RADIUS:
        return &a.radius;
    case CAD_PROP_ENT_ANGLE0:
        return &a.startAngle;
    case CAD_PROP_ENT_ANGLE1:
        return &a.endAngle;
    }
    return nullptr;
}
double* field(EllipseData& d, int property) {
    switch (property) {
    case CAD_PROP_ENT_X:
        return &d.centre.x;
    case CAD_PROP_ENT_Y:
        return &d.centre.y;
    case CAD_PROP_ENT_RADIUS:
        return &d.radiusX;
    case CAD_PROP_ENT_RADIUS2:
        return &d.radiusY;
    case CAD_PROP_ENT_ANGLE0:
        return &d.startAngle;
    case CAD_PROP_ENT_ANGLE1:
        return &d.endAngle;
    case CAD_PROP_ENT_ROTATION:
        return &d.rotation;
    }
    return nullptr;
}
double* field(RectangleData& d, int property) {
    switch (property) {
    case CAD_PROP_ENT_X:
        return &d.centre.x;
    case CAD_PROP_ENT_Y:
        return &d.centre.y;
    case CAD_PROP_ENT_WIDTH2:
        return &d.width;
    case CAD_PROP_ENT_HEIGHT2:
        return &d.height;
    case CAD_PROP_ENT_ROTATION:
        return &d.rotation;
    }
    return nullptr;
}
double* field(InsertData& d, int property) {
    switch (property) {
    case CAD_PROP_ENT_X:
        return &d.p.x;
    case CAD_PROP_ENT_Y:
        return &d.p.y;
    case CAD_PROP_ENT_SCALE_X:
        return &d.scaleX;
    case CAD_PROP_ENT_SCALE_Y:
        return &d.scaleY;
    case CAD_PROP_ENT_ROTATION:
        return &d.angle;
    }
    return nullptr;
}
double* field(TextData& d, int property) {
    switch (property) {
    case CAD_PROP_ENT_X:
        return &d.p.x;
    case CAD_PROP_ENT_Y:
        return &d.p.y;
    }
    return nullptr;
}
double* field(HatchData& d, int property) {
    switch (property) {
    case CAD_PROP_ENT_SCALE_X:
        return &d.scale;
    case CAD_PROP_ENT_ROTATION:
        return &d.angle;
    }
    return nullptr;
}
double* field(ImageData& d, int property) {
    switch (property) {
    case CAD_PROP_ENT_X:
        return &d.p.x;
    case CAD_PROP_ENT_Y:
        return &d.p.y;
    case CAD_PROP_ENT_WIDTH2:
        return &d.width;
    case CAD_PROP_ENT_HEIGHT2:
        return &d.height;
    }
    return nullptr;
}

// The field of an entity open for change that a real-valued property names, or nullptr.
double* geometryField(EntityChange& c, int property) {
    switch (c.type()) {
    case EntityType::Point:
        return field(c.point(), property);
    case EntityType::Line:
        return field(c.line(), property);
    case EntityType::Circle:
        return field(c.circle(), property);
    case EntityType::Arc:
    case EntityType::Sector:
        return field(c.arc(), property);
    case EntityType::Ellipse:
        return field(c.ellipse(), property);
    case EntityType::Rectangle:
        return field(c.rectangle(), property);
    case EntityType::Insert:
        return field(c.insert(), property);
    case EntityType::Text:
        return field(c.text(), property);
    case EntityType::Hatch:
        return field(c.hatch(), property);
    case EntityType::Image:
        return field(c.image(), property);
    case EntityType::Polyline:
    case EntityType::Spline:
    case EntityType::Dimension:
        break;
    }
    return nullptr;
}

// The value of that field of an entity, read from a copy of its record.
template <typename T> std::optional<double> valueOf(T data, int property) {
    const double* f = field(data, property);
    return f ? std::optional<double>(*f) : std::nullopt;
}
std::optional<double> geometryValue(const Drawing& dr, const Entity& e, int property) {
    const auto i = e.first;
    switch (e.type) {
    case EntityType::Point:
        return valueOf(dr.points[i], property);
    case EntityType::Line:
        return valueOf(dr.lines[i], property);
    case EntityType::Circle:
        return valueOf(dr.circles[i], property);
    case EntityType::Arc:
        return valueOf(dr.arcs[i], property);
    case EntityType::Sector:
        return valueOf(dr.sectors[i], property);
    case EntityType::Ellipse:
        return valueOf(dr.ellipses[i], property);
    case EntityType::Rectangle:
        return valueOf(dr.rectangles[i], property);
    case EntityType::Insert:
        return valueOf(dr.inserts[i], property);
    case EntityType::Text:
        return valueOf(dr.texts[i], property);
    case EntityType::Hatch:
        return valueOf(dr.hatches[i], property);
    case EntityType::Image:
        return valueOf(dr.images[i], property);
    case EntityType::Polyline:
    case EntityType::Spline:
    case EntityType::Dimension:
        break;
    }
    return std::nullopt;
}

// The text parameter of a text entity that a property names, or nullptr.
double* textParameter(TextParams& p, int property) {
    switch (property) {
    case CAD_PROP_TEXT_HEIGHT:
        return &p.height;
    case CAD_PROP_TEXT_ROTATION:
        return &p.rotation;
    case CAD_PROP_TEXT_OBLIQUE:
        return &p.oblique;
    }
    return nullptr;
}

// The pooled bytes of an entity that a property names (a text's string, a hatch's pattern,
// an image's path), or nothing.
std::optional<PooledText> pooledField(const Drawing& dr, const Entity& e, int property) {
    if (property == CAD_PROP_TEXT_STRING && e.type == EntityType::Text)
        return PooledText{dr.texts[e.first].chars, e.count};
    if (property == CAD_PROP_ENT_NAME && e.type == EntityType::Hatch)
        return dr.hatches[e.first].pattern;
    if (property == CAD_PROP_ENT_NAME && e.type == EntityType::Image)
        return dr.images[e.first].path;
    if (property == CAD_PROP_TEXT_STRING && e.type == EntityType::Dimension)
        return dr.dimensions[e.first].text;
    return std::nullopt;
}

// Gives that pooled field new bytes.
void setPooled(EntityChange& c, int property, std::string_view value) {
    if (c.type() == EntityType::Text)
        c.setText(value);
    else if (c.type() == EntityType::Hatch)
        c.hatch().pattern = c.pool(value);
    else if (c.type() == EntityType::Image && property == CAD_PROP_ENT_NAME)
        c.image().path = c.pool(value);
    else if (c.type() == EntityType::Dimension)
        c.setDimensionText(value);
}

// Names of layers and blocks are unique and never empty.
template <typename T> bool nameFree(const std::vector<T>& items, int index, std::string_view name) {
    if (!item(items, index) || name.empty())
        return false;
    for (std::size_t i = 0; i < items.size(); ++i)
        if (static_cast<int>(i) != index && items[i].name == name)
            return false;
    return true;
}

bool isDocumentProperty(int property) {
    return property == CAD_PROP_DOC_BACKCOLOR || property == CAD_PROP_DOC_MODIFIED ||
           (property >= CAD_PROP_DOC_CURSOR_SIZE && property <= CAD_PROP_DOC_UNITS);
}

// Document properties take a document handle; -1 and 0 (no document has it) mean the active
// one. The display settings are always the active document's.
Document* documentOf(int property, int index) {
    const bool byHandle = property == CAD_PROP_DOC_BACKCOLOR || property == CAD_PROP_DOC_MODIFIED ||
                          property == CAD_PROP_DOC_UNITS;
    return engine().find(byHandle && index != 0 ? index : -1);
}

bool closable(EntityType t) {
    return t == EntityType::Polyline || t == EntityType::Spline;
}

std::string fileNameOf(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

} // namespace

// ---- texts --------------------------------------------------------------------------------------

std::optional<std::string> cadPropGet(int property, int index) {
    switch (property) {
    case CAD_PROP_TEXT_ANSWER:
        return engine().textAnswer;
    case CAD_PROP_WINDOW_CAPTION:
        return engine().windowCaption;
    case CAD_PROP_DOC_FILENAME:
    case CAD_PROP_DOC_PATH: {
        const Document* d = engine().find(index);
        if (!d)
            return std::nullopt;
        return property == CAD_PROP_DOC_PATH ? d->path : fileNameOf(d->path);
    }
    }
    const Drawing* dr = activeDrawing();
    if (!dr)
        return std::nullopt;
    switch (property) {
    case CAD_PROP_LAYER_NAME:
        if (auto* l = item(dr->layers, index))
            return l->name;
        break;
    case CAD_PROP_LINESTYLE_NAME:
    case CAD_PROP_LINESTYLE_DEFINITION:
        if (auto* s = item(dr->lineStyles, index))
            return property == CAD_PROP_LINESTYLE_NAME ? s->name : s->definition;
        break;
    case CAD_PROP_TEXTSTYLE_NAME:
    case CAD_PROP_TEXTSTYLE_FONT:
        if (auto* s = item(dr->textStyles, index))
            return property == CAD_PROP_TEXTSTYLE_NAME ? s->name : s->font;
        break;
    case CAD_PROP_BLOCK_NAME:
        if (auto* b = item(dr->blocks, index))
            return b->name;
        break;
    default:
        if (const Entity* e = entityOf(dr, index))
            if (const auto field = pooledField(*dr, *e, property))
                return std::string(dr->pooled(*field));
    }
    return std::nullopt;
}

int cadPropPut(int property, int index, std::string_view value) {
    switch (property) {
    case CAD_PROP_TEXT_ANSWER:
        engine().textAnswer = std::string(value);
        return 1;
    case CAD_PROP_WINDOW_CAPTION:
        engine().windowCaption = std::string(value);
        return 1;
    }
    const Drawing* dr = activeDrawing();
    if (!dr)
        return 0;
    switch (property) {
    case CAD_PROP_LAYER_NAME:
        if (!nameFree(dr->layers, index, value))
            return 0;
        changeActive(0, [&](ChangeSet& c) {
            c.layer(static_cast<std::size_t>(index)).name = std::string(value);
            return 1;
        });
        engine().tablesChanged();
        return 1;
    case CAD_PROP_BLOCK_NAME:
        if (!nameFree(dr->blocks, index, value))
            return 0;
        return changeActive(0, [&](ChangeSet& c) {
            c.block(static_cast<std::size_t>(index)).name = std::string(value);
            return 1;
        });
    case CAD_PROP_LINESTYLE_NAME:
    case CAD_PROP_TEXTSTYLE_NAME:
        if (value.empty())
            return 0;
        [[fallthrough]];
    case CAD_PROP_LINESTYLE_DEFINITION:
    case CAD_PROP_TEXTSTYLE_FONT: {
        const bool lineStyle =
            property == CAD_PROP_LINESTYLE_NAME || property == CAD_PROP_LINESTYLE_DEFINITION;
        if (lineStyle ? !item(dr->lineStyles, index) : !item(dr->textStyles, index))
            return 0;
        changeActive(0, [&](ChangeSet& c) {
            const auto i = static_cast<std::size_t>(index);
            if (lineStyle) {
                LineStyle& s = c.lineStyle(i);
                if (property == CAD_PROP_LINESTYLE_NAME) {
                    s.name = std::string(value);
                } else {
                    s.definition = std::string(value);
                    s.pattern = parseLinePattern(value);
                }
            } else {
                TextStyle& s = c.textStyle(i);
                (property == CAD_PROP_TEXTSTYLE_NAME ? s.name : s.font) = std::string(value);
            }
            return 1;
        });
        // The style lists (toolbars, dialogs) show names and patterns.
        engine().tablesChanged();
        return 1;
    }
    default:
        if (const Entity* e = entityOf(dr, index); e && pooledField(*dr, *e, property))
            return changeActive(0, [&](ChangeSet& c) {
                EntityChange entity = c.change(static_cast<std::uint32_t>(index));
                setPooled(entity, property, value);
                return 1;
            });
    }
    return 0;
}

// ---- integers -----------------------------------------------------------------------------------

std::optional<int> cadPropGetInt(int property, int index) {
    if (property == CAD_PROP_CONFIRM_DELETE)
        return engine().confirmDelete;
    if (isDocumentProperty(property)) {
        const Document* d = documentOf(property, index);
        if (!d)
            return std::nullopt;
        const DrawingSettings& s = d->drawing().settings;
        switch (property) {
        case CAD_PROP_DOC_BACKCOLOR:
            return static_cast<int>(s.background);
        case CAD_PROP_DOC_MODIFIED:
            return d->modified() ? 1 : 0;
        case CAD_PROP_DOC_CURSOR_SIZE:
            return s.cursorSize;
        case CAD_PROP_DOC_CURSOR_COLOR:
            return static_cast<int>(s.cursorColor);
        case CAD_PROP_DOC_SHOW_GRIPS:
            return s.showGrips;
        case CAD_PROP_DOC_GRIP_COLOR:
            return static_cast<int>(s.gripColor);
        case CAD_PROP_DOC_UNITS:
            return s.units;
        }
        return std::nullopt;
    }
    const Drawing* dr = activeDrawing();
    if (!dr)
        return std::nullopt;
    switch (property) {
    case CAD_PROP_LAYER_COLOR:
    case CAD_PROP_LAYER_FILLCOLOR:
    case CAD_PROP_LAYER_VISIBLE:
    case CAD_PROP_LAYER_LOCKED:
    case CAD_PROP_LAYER_PRINTABLE: {
        const Layer* l = item(dr->layers, index);
        if (!l)
            return std::nullopt;
        switch (property) {
        case CAD_PROP_LAYER_COLOR:
            return static_cast<int>(l->color);
        case CAD_PROP_LAYER_FILLCOLOR:
            return static_cast<int>(l->fillColor);
        case CAD_PROP_LAYER_VISIBLE:
            return l->visible ? 1 : 0;
        case CAD_PROP_LAYER_LOCKED:
            return l->locked ? 1 : 0;
        default:
            return l->printable ? 1 : 0;
        }
    }
    case CAD_PROP_BLOCK_ENTITIES:
        if (const Block* b = item(dr->blocks, index))
            return static_cast<int>(b->entities.size());
        return std::nullopt;
    }
    const Entity* e = entityOf(dr, index);
    if (!e)
        return std::nullopt;
    switch (property) {
    case CAD_PROP_ENT_TYPE:
        return static_cast<int>(e->type);
    case CAD_PROP_ENT_LAYER:
        return e->layer;
    case CAD_PROP_ENT_LINESTYLE:
        return e->lineStyle;
    case CAD_PROP_ENT_COLOR:
        return static_cast<int>(dr->ownStyle(static_cast<std::size_t>(index)).color);
    case CAD_PROP_ENT_COLOR_BYLAYER:
        return e->has(EntityFlag::ColorByLayer) ? 1 : 0;
    case CAD_PROP_ENT_WIDTH_BYLAYER:
        return e->has(EntityFlag::WidthByLayer) ? 1 : 0;
    case CAD_PROP_ENT_SELECTED:
        return e->has(EntityFlag::Selected) ? 1 : 0;
    case CAD_PROP_ENT_FILLED:
        return canBeFilled(e->type) ? std::optional<int>(e->has(EntityFlag::Filled) ? 1 : 0)
                                    : std::nullopt;
    case CAD_PROP_ENT_CLOSED:
        return closable(e->type) ? std::optional<int>(e->has(EntityFlag::Closed) ? 1 : 0)
                                 : std::nullopt;
    case CAD_PROP_ENT_VERTICES:
        return closable(e->type) || e->type == EntityType::Hatch
                   ? std::optional<int>(static_cast<int>(e->count))
                   : std::nullopt;
    case CAD_PROP_ENT_BLOCK:
        return e->type == EntityType::Insert ? std::optional<int>(dr->inserts[e->first].block)
                                             : std::nullopt;
    case CAD_PROP_TEXT_ALIGN:
    case CAD_PROP_TEXT_STYLE:
        if (e->type != EntityType::Text)
            return std::nullopt;
        return property == CAD_PROP_TEXT_ALIGN ? dr->paramsOf(dr->texts[e->first]).align
                                               : dr->paramsOf(dr->texts[e->first]).style;
    }
    return std::nullopt;
}

int cadPropPutInt(int property, int index, int value) {
    if (property == CAD_PROP_CONFIRM_DELETE) {
        engine().confirmDelete = value != 0 ? 1 : 0;
        return 1;
    }
    if (isDocumentProperty(property)) {
        Document* d = documentOf(property, index);
        if (!d)
            return 0;
        const auto color = static_cast<std::uint32_t>(value) & 0xFFFFFFu;
        if (property == CAD_PROP_DOC_MODIFIED) {
            if (value != 0)
                d->markChanged();
            else
                d->saved();
            engine().noticeChanges();
            return 1;
        }
        if ((property == CAD_PROP_DOC_CURSOR_SIZE && (value < 0 || value > 100)) ||
            (property == CAD_PROP_DOC_UNITS && (value < 0 || value > 4)))
            return 0;
        d->changeSettings([&](DrawingSettings& s) {
            switch (property) {
            case CAD_PROP_DOC_BACKCOLOR:
                s.background = color;
                break;
            case CAD_PROP_DOC_CURSOR_SIZE:
                s.cursorSize = value;
                break;
            case CAD_PROP_DOC_CURSOR_COLOR:
                s.cursorColor = color;
                break;
            case CAD_PROP_DOC_SHOW_GRIPS:
                s.showGrips = value != 0 ? 1 : 0;
                break;
            case CAD_PROP_DOC_GRIP_COLOR:
                s.gripColor = color;
                break;
            case CAD_PROP_DOC_UNITS:
                s.units = value;
                break;
            }
        });
        return 1;
    }
    const Drawing* dr = activeDrawing();
    if (!dr)
        return 0;
    if (item(dr->layers, index) && property >= CAD_PROP_LAYER_COLOR &&
        property <= CAD_PROP_LAYER_PRINTABLE && property != CAD_PROP_LAYER_WIDTH) {
        changeActive(0, [&](ChangeSet& c) {
            Layer& l = c.layer(static_cast<std::size_t>(index));
            switch (property) {
            case CAD_PROP_LAYER_COLOR:
                l.color = static_cast<std::uint32_t>(value);
                break;
            case CAD_PROP_LAYER_FILLCOLOR:
                l.fillColor = static_cast<std::uint32_t>(value);
                break;
            case CAD_PROP_LAYER_VISIBLE:
                l.visible = value != 0;
                break;
            case CAD_PROP_LAYER_LOCKED:
                l.locked = value != 0;
                break;
            case CAD_PROP_LAYER_PRINTABLE:
                l.printable = value != 0;
                break;
            }
            return 1;
        });
        engine().tablesChanged();
        engine().redraw();
        return 1;
    }
    const Entity* e = entityOf(dr, index);
    if (!e)
        return 0;
    // What the value must be for the property, before anything changes.
    switch (property) {
    case CAD_PROP_ENT_LAYER:
        if (!item(dr->layers, value))
            return 0;
        break;
    case CAD_PROP_ENT_LINESTYLE:
        if (!item(dr->lineStyles, value))
            return 0;
        break;
    case CAD_PROP_ENT_COLOR:
    case CAD_PROP_ENT_COLOR_BYLAYER:
    case CAD_PROP_ENT_WIDTH_BYLAYER:
        break;
    case CAD_PROP_ENT_FILLED:
        if (!canBeFilled(e->type))
            return 0;
        break;
    case CAD_PROP_ENT_CLOSED:
        if (!closable(e->type))
            return 0;
        break;
    case CAD_PROP_ENT_BLOCK:
        if (e->type != EntityType::Insert || !item(dr->blocks, value) ||
            dr->wouldRecurse(dr->ownerOf(index), value))
            return 0;
        break;
    case CAD_PROP_TEXT_ALIGN:
    case CAD_PROP_TEXT_STYLE:
        if (e->type != EntityType::Text ||
            (property == CAD_PROP_TEXT_ALIGN ? value < 0 || value > 8
                                             : !item(dr->textStyles, value)))
            return 0;
        break;
    default:
        return 0;
    }
    return changeActive(0, [&](ChangeSet& c) {
        EntityChange entity = c.change(static_cast<std::uint32_t>(index));
        Entity& r = entity.record();
        switch (property) {
        case CAD_PROP_ENT_LAYER:
            r.layer = static_cast<std::uint16_t>(value);
            break;
        case CAD_PROP_ENT_LINESTYLE:
            r.lineStyle = static_cast<std::uint16_t>(value);
            break;
        case CAD_PROP_ENT_COLOR: {
            OwnStyle own = dr->ownStyle(static_cast<std::size_t>(index));
            own.color = static_cast<std::uint32_t>(value);
            entity.setOwnStyle(own);
            r.set(EntityFlag::ColorByLayer, false);
            break;
        }
        case CAD_PROP_ENT_COLOR_BYLAYER:
            r.set(EntityFlag::ColorByLayer, value != 0);
            break;
        case CAD_PROP_ENT_WIDTH_BYLAYER:
            r.set(EntityFlag::WidthByLayer, value != 0);
            break;
        case CAD_PROP_ENT_FILLED:
            r.set(EntityFlag::Filled, value != 0);
            break;
        case CAD_PROP_ENT_CLOSED:
            r.set(EntityFlag::Closed, value != 0);
            break;
        case CAD_PROP_ENT_BLOCK:
            entity.insert().block = value;
            break;
        case CAD_PROP_TEXT_ALIGN:
        case CAD_PROP_TEXT_STYLE: {
            TextParams p = dr->paramsOf(entity.text());
            (property == CAD_PROP_TEXT_ALIGN ? p.align : p.style) = value;
            entity.setTextParams(p);
            break;
        }
        }
        return 1;
    });
}

// ---- reals --------------------------------------------------------------------------------------

std::optional<double> cadPropGetDbl(int property, int index) {
    const Drawing* dr = activeDrawing();
    if (!dr)
        return std::nullopt;
    switch (property) {
    case CAD_PROP_LAYER_WIDTH:
        if (const Layer* l = item(dr->layers, index))
            return l->width;
        return std::nullopt;
    case CAD_PROP_TEXTSTYLE_WIDTHFACTOR:
    case CAD_PROP_TEXTSTYLE_OBLIQUE:
        if (const TextStyle* s = item(dr->textStyles, index))
            return property == CAD_PROP_TEXTSTYLE_WIDTHFACTOR ? s->widthFactor : s->oblique;
        return std::nullopt;
    case CAD_PROP_BLOCK_BASE_X:
    case CAD_PROP_BLOCK_BASE_Y:
        if (const Block* b = item(dr->blocks, index))
            return property == CAD_PROP_BLOCK_BASE_X ? b->base.x : b->base.y;
        return std::nullopt;
    }
    const Entity* e = entityOf(dr, index);
    if (!e)
        return std::nullopt;
    if (property == CAD_PROP_ENT_WIDTH)
        return dr->ownStyle(static_cast<std::size_t>(index)).width;
    if (e->type == EntityType::Text) {
        TextParams p = dr->paramsOf(dr->texts[e->first]);
        if (const double* field = textParameter(p, property))
            return *field;
    }
    return geometryValue(*dr, *e, property);
}

int cadPropPutDbl(int property, int index, double value) {
    const Drawing* dr = activeDrawing();
    if (!dr)
        return 0;
    switch (property) {
    case CAD_PROP_LAYER_WIDTH:
        if (!item(dr->layers, index))
            return 0;
        return changeActive(0, [&](ChangeSet& c) {
            c.layer(static_cast<std::size_t>(index)).width = value;
            return 1;
        });
    case CAD_PROP_TEXTSTYLE_WIDTHFACTOR:
    case CAD_PROP_TEXTSTYLE_OBLIQUE:
        if (!item(dr->textStyles, index))
            return 0;
        return changeActive(0, [&](ChangeSet& c) {
            TextStyle& s = c.textStyle(static_cast<std::size_t>(index));
            (property == CAD_PROP_TEXTSTYLE_WIDTHFACTOR ? s.widthFactor : s.oblique) = value;
            return 1;
        });
    case CAD_PROP_BLOCK_BASE_X:
    case CAD_PROP_BLOCK_BASE_Y:
        if (!item(dr->blocks, index))
            return 0;
        return changeActive(0, [&](ChangeSet& c) {
            Block& b = c.block(static_cast<std::size_t>(index));
            (property == CAD_PROP_BLOCK_BASE_X ? b.base.x : b.base.y) = value;
            return 1;
        });
    }
    const Entity* e = entityOf(dr, index);
    if (!e)
        return 0;
    TextParams params;
    const bool textParameterNamed =
        e->type == EntityType::Text && textParameter(params, property) != nullptr;
    if (property != CAD_PROP_ENT_WIDTH && !textParameterNamed && !geometryValue(*dr, *e, property))
        return 0;
    return changeActive(0, [&](ChangeSet& c) {
        EntityChange entity = c.change(static_cast<std::uint32_t>(index));
        if (property == CAD_PROP_ENT_WIDTH) {
            OwnStyle own = dr->ownStyle(static_cast<std::size_t>(index));
            own.width = value;
            entity.setOwnStyle(own);
            entity.record().set(EntityFlag::WidthByLayer, false);
        } else if (textParameterNamed) {
            TextParams p = dr->paramsOf(entity.text());
            *textParameter(p, property) = value;
            entity.setTextParams(p);
        } else {
            *geometryField(entity, property) = value;
        }
        return 1;
    });
}

// ---- information --------------------------------------------------------------------------------

static_assert(std::size(CadStatistics{}.byType) == kEntityTypeCount &&
                  static_cast<int>(EntityType::Point) == CAD_ENT_POINT &&
                  static_cast<int>(EntityType::Spline) == CAD_ENT_SPLINE &&
                  static_cast<int>(EntityType::Sector) == CAD_ENT_SECTOR &&
                  static_cast<int>(EntityType::Dimension) == CAD_ENT_DIMENSION &&
                  std::size(CadStatistics{}.dimensionsByGroup) == kDimensionGroups,
              "the interface counts and names the kinds of entities as the drawing does");

std::optional<CadStatistics> cadGetStatistics() {
    const Drawing* dr = activeDrawing();
    if (!dr)
        return std::nullopt;
    const DrawingStatistics s = computeStatistics(*dr);
    CadStatistics out;
    out.layers = static_cast<int>(dr->layers.size());
    out.lineStyles = static_cast<int>(dr->lineStyles.size());
    out.textStyles = static_cast<int>(dr->textStyles.size());
    out.blocks = static_cast<int>(dr->blocks.size());
    out.entities = s.entities;
    out.vertices = s.vertices;
    out.textChars = s.textChars;
    for (int t = 0; t < kEntityTypeCount; ++t)
        out.byType[t] = s.byType[static_cast<std::size_t>(t)];
    for (int g = 0; g < kDimensionGroups; ++g)
        out.dimensionsByGroup[g] = s.dimensionsByGroup[static_cast<std::size_t>(g)];
    out.dimensionStyles = static_cast<int>(dr->dimensionStyles.size());
    out.byLayer = s.byLayer;
    out.byBlock = s.byBlock;
    if (!s.extents.empty())
        out.extents = CadRect{s.extents.left, s.extents.bottom, s.extents.right, s.extents.top};
    return out;
}

std::vector<std::string> cadDrawingInfo() {
    std::vector<std::string> lines;
    Document* d = engine().active();
    const auto stats = cadGetStatistics();
    if (!d || !stats)
        return lines;
    Engine& e = engine();
    auto line = [&](int number, TextArg value) {
        lines.push_back(formatText(e.text(number), {value}));
    };

    line(17001, e.displayName(*d));
    std::error_code ec;
    const auto size = d->path.empty() ? 0 : std::filesystem::file_size(d->path, ec);
    line(17002, static_cast<long long>(ec ? 0 : size));
    // The texts say millimetres: the drawing's units are turned into them.
    const CadRect x = stats->extents.value_or(CadRect{});
    const double mm = millimetresPerUnit(d->drawing().settings.units);
    line(17003, (x.right - x.left) * mm);
    line(17004, (x.top - x.bottom) * mm);
    line(17005, x.left * mm);
    line(17006, x.bottom * mm);
    line(17007, x.right * mm);
    line(17008, x.top * mm);
    line(17021, 1);
    line(17022, stats->layers);
    line(17023, stats->lineStyles);
    line(17024, stats->textStyles);
    line(17025, 0);
    line(17026, stats->dimensionStyles);
    line(17027, 0);
    line(17028, stats->blocks);
    line(17029, stats->entities);
    line(17030, static_cast<long long>(stats->vertices));
    line(17031, static_cast<long long>(stats->textChars));

    lines.push_back(e.text(17041));
    for (std::size_t i = 0; i < stats->byLayer.size(); ++i)
        lines.push_back("  " + d->drawing().layers[i].name + ": " +
                        std::to_string(stats->byLayer[i]));
    if (!stats->byBlock.empty()) {
        lines.push_back(e.text(17043));
        for (std::size_t i = 0; i < stats->byBlock.size(); ++i)
            lines.push_back("  " + d->drawing().blocks[i].name + ": " +
                            std::to_string(stats->byBlock[i]));
    }
    lines.push_back(e.text(17050));
    // The lines by type, in the order of the engine's texts.
    const std::pair<int, EntityType> byType[] = {
        {17051, EntityType::Point},  {17052, EntityType::Line},      {17053, EntityType::Polyline},
        {17054, EntityType::Circle}, {17055, EntityType::Arc},       {17056, EntityType::Ellipse},
        {17057, EntityType::Text},   {17058, EntityType::Image},     {17059, EntityType::Insert},
        {17060, EntityType::Hatch},  {17061, EntityType::Rectangle}, {17067, EntityType::Spline},
        {17068, EntityType::Sector}};
    for (const auto& [number, type] : byType) {
        line(number, stats->byType[static_cast<int>(type) - kFirstEntityType]);
        // The dimensions by kind: linear, angular, radial, diametric, ordinate.
        if (type == EntityType::Rectangle)
            for (int g = 0; g < kDimensionGroups; ++g)
                line(17062 + g, stats->dimensionsByGroup[g]);
    }
    return lines;
}

std::string cadText(int number) {
    return engine().lookUpText(number);
}

std::vector<int> cadTextNumbers() {
    return ownTextNumbers();
}

std::string cadVersion() {
    return "1.0";
}

void cadReset() {
    engine().reset();
}
