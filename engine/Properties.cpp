// Properties, information and engine-wide operations of the interface.
#include "engine/CadApi.h"

#include "engine/Engine.h"
#include "engine/model/Statistics.h"

#include <filesystem>
#include <iterator>
#include <system_error>

using namespace cad;

namespace {

template <typename T> T* item(std::vector<T>& v, int i) {
    return i >= 0 && static_cast<std::size_t>(i) < v.size() ? &v[static_cast<std::size_t>(i)]
                                                            : nullptr;
}

// The change being recorded in the active document, if any.
ChangeSet* recording() {
    return engine().recording(engine().active());
}

// Keeps an entity, or a table, in the change being recorded before it changes.
void keepEntity(int handle) {
    if (ChangeSet* c = recording())
        c->keep(static_cast<std::uint32_t>(handle), Keep::Everything);
}
template <typename Keeper> void keepTable(Keeper keeper) {
    if (ChangeSet* c = recording())
        (c->*keeper)();
}

Entity* entityOf(Drawing* dr, int handle) {
    return dr && dr->valid(handle) ? &dr->entities[static_cast<std::size_t>(handle)] : nullptr;
}

// The field of an entity's geometry that a real-valued property names, or nullptr.
double* geometryField(Drawing& dr, const Entity& e, int property) {
    const auto i = e.first;
    switch (e.type) {
    case EntityType::Point:
        switch (property) {
        case CAD_PROP_ENT_X:
            return &dr.points[i].p.x;
        case CAD_PROP_ENT_Y:
            return &dr.points[i].p.y;
        }
        break;
    case EntityType::Line:
        switch (property) {
        case CAD_PROP_ENT_X:
            return &dr.lines[i].a.x;
        case CAD_PROP_ENT_Y:
            return &dr.lines[i].a.y;
        case CAD_PROP_ENT_X2:
            return &dr.lines[i].b.x;
        case CAD_PROP_ENT_Y2:
            return &dr.lines[i].b.y;
        }
        break;
    case EntityType::Circle:
        switch (property) {
        case CAD_PROP_ENT_X:
            return &dr.circles[i].centre.x;
        case CAD_PROP_ENT_Y:
            return &dr.circles[i].centre.y;
        case CAD_PROP_ENT_RADIUS:
            return &dr.circles[i].radius;
        }
        break;
    case EntityType::Arc:
    case EntityType::Sector: {
        ArcData& a = e.type == EntityType::Arc ? dr.arcs[i] : dr.sectors[i];
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
        break;
    }
    case EntityType::Ellipse:
        switch (property) {
        case CAD_PROP_ENT_X:
            return &dr.ellipses[i].centre.x;
        case CAD_PROP_ENT_Y:
            return &dr.ellipses[i].centre.y;
        case CAD_PROP_ENT_RADIUS:
            return &dr.ellipses[i].radiusX;
        case CAD_PROP_ENT_RADIUS2:
            return &dr.ellipses[i].radiusY;
        case CAD_PROP_ENT_ANGLE0:
            return &dr.ellipses[i].startAngle;
        case CAD_PROP_ENT_ANGLE1:
            return &dr.ellipses[i].endAngle;
        case CAD_PROP_ENT_ROTATION:
            return &dr.ellipses[i].rotation;
        }
        break;
    case EntityType::Rectangle:
        switch (property) {
        case CAD_PROP_ENT_X:
            return &dr.rectangles[i].centre.x;
        case CAD_PROP_ENT_Y:
            return &dr.rectangles[i].centre.y;
        case CAD_PROP_ENT_WIDTH2:
            return &dr.rectangles[i].width;
        case CAD_PROP_ENT_HEIGHT2:
            return &dr.rectangles[i].height;
        case CAD_PROP_ENT_ROTATION:
            return &dr.rectangles[i].rotation;
        }
        break;
    case EntityType::Insert:
        switch (property) {
        case CAD_PROP_ENT_X:
            return &dr.inserts[i].p.x;
        case CAD_PROP_ENT_Y:
            return &dr.inserts[i].p.y;
        case CAD_PROP_ENT_SCALE_X:
            return &dr.inserts[i].scaleX;
        case CAD_PROP_ENT_SCALE_Y:
            return &dr.inserts[i].scaleY;
        case CAD_PROP_ENT_ROTATION:
            return &dr.inserts[i].angle;
        }
        break;
    case EntityType::Text:
        switch (property) {
        case CAD_PROP_ENT_X:
            return &dr.texts[i].p.x;
        case CAD_PROP_ENT_Y:
            return &dr.texts[i].p.y;
        }
        break;
    case EntityType::Hatch:
        switch (property) {
        case CAD_PROP_ENT_SCALE_X:
            return &dr.hatches[i].scale;
        case CAD_PROP_ENT_ROTATION:
            return &dr.hatches[i].angle;
        }
        break;
    case EntityType::Image:
        switch (property) {
        case CAD_PROP_ENT_X:
            return &dr.images[i].p.x;
        case CAD_PROP_ENT_Y:
            return &dr.images[i].p.y;
        case CAD_PROP_ENT_WIDTH2:
            return &dr.images[i].width;
        case CAD_PROP_ENT_HEIGHT2:
            return &dr.images[i].height;
        }
        break;
    case EntityType::Polyline:
    case EntityType::Spline:
        break;
    }
    return nullptr;
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
// an image's path), or nullptr.
PooledText* pooledField(Drawing& dr, Entity& e, int property, PooledText& textBytes) {
    if (property == CAD_PROP_TEXT_STRING && e.type == EntityType::Text) {
        textBytes = {dr.texts[e.first].chars, e.count};
        return &textBytes;
    }
    if (property == CAD_PROP_ENT_NAME && e.type == EntityType::Hatch)
        return &dr.hatches[e.first].pattern;
    if (property == CAD_PROP_ENT_NAME && e.type == EntityType::Image)
        return &dr.images[e.first].path;
    return nullptr;
}

// Names of layers and blocks are unique and never empty.
template <typename T>
bool renameUnique(std::vector<T>& items, int index, std::string_view name, Drawing& dr) {
    T* it = item(items, index);
    if (!it || name.empty())
        return false;
    for (std::size_t i = 0; i < items.size(); ++i)
        if (static_cast<int>(i) != index && items[i].name == name)
            return false;
    it->name = std::string(name);
    dr.touch();
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
    Drawing* dr = activeDrawing();
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
        PooledText text;
        if (Entity* e = entityOf(dr, index))
            if (PooledText* field = pooledField(*dr, *e, property, text))
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
    Drawing* dr = activeDrawing();
    if (!dr)
        return 0;
    switch (property) {
    case CAD_PROP_LAYER_NAME:
        keepTable(&ChangeSet::keepLayers);
        if (!renameUnique(dr->layers, index, value, *dr))
            return 0;
        engine().tablesChanged();
        return 1;
    case CAD_PROP_BLOCK_NAME:
        keepTable(&ChangeSet::keepBlocks);
        return renameUnique(dr->blocks, index, value, *dr) ? 1 : 0;
    case CAD_PROP_LINESTYLE_NAME:
    case CAD_PROP_TEXTSTYLE_NAME:
        if (value.empty())
            return 0;
        [[fallthrough]];
    case CAD_PROP_LINESTYLE_DEFINITION:
    case CAD_PROP_TEXTSTYLE_FONT: {
        const bool lineStyle =
            property == CAD_PROP_LINESTYLE_NAME || property == CAD_PROP_LINESTYLE_DEFINITION;
        keepTable(lineStyle ? &ChangeSet::keepLineStyles : &ChangeSet::keepTextStyles);
        if (lineStyle) {
            LineStyle* s = item(dr->lineStyles, index);
            if (!s)
                return 0;
            if (property == CAD_PROP_LINESTYLE_NAME) {
                s->name = std::string(value);
            } else {
                s->definition = std::string(value);
                s->pattern = parseLinePattern(value);
            }
        } else {
            TextStyle* s = item(dr->textStyles, index);
            if (!s)
                return 0;
            (property == CAD_PROP_TEXTSTYLE_NAME ? s->name : s->font) = std::string(value);
        }
        dr->touch();
        // The style lists (toolbars, dialogs) show names and patterns.
        engine().tablesChanged();
        return 1;
    }
    default:
        PooledText text;
        if (Entity* e = entityOf(dr, index))
            if (PooledText* field = pooledField(*dr, *e, property, text)) {
                keepEntity(index);
                *field = dr->pool(value);
                if (e->type == EntityType::Text) {
                    dr->texts[e->first].chars = field->offset;
                    e->count = field->size;
                }
                dr->changed(static_cast<std::uint32_t>(index));
                return 1;
            }
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
        const DrawingSettings& s = d->drawing->settings;
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
    Drawing* dr = activeDrawing();
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
        DrawingSettings& s = d->drawing->settings;
        const auto color = static_cast<std::uint32_t>(value) & 0xFFFFFFu;
        if (property != CAD_PROP_DOC_MODIFIED)
            if (ChangeSet* c = engine().recording(d))
                c->keepSettings();
        switch (property) {
        case CAD_PROP_DOC_BACKCOLOR:
            s.background = color;
            break;
        case CAD_PROP_DOC_MODIFIED:
            if (value != 0)
                d->drawing->modified = true;
            else
                d->saved();
            return 1;
        case CAD_PROP_DOC_CURSOR_SIZE:
            if (value < 0 || value > 100)
                return 0;
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
            if (value < 0 || value > 4)
                return 0;
            s.units = value;
            break;
        default:
            return 0;
        }
        d->drawing->touch();
        return 1;
    }
    Drawing* dr = activeDrawing();
    if (!dr)
        return 0;
    if (Layer* l = item(dr->layers, index); l && property >= CAD_PROP_LAYER_COLOR &&
                                            property <= CAD_PROP_LAYER_PRINTABLE &&
                                            property != CAD_PROP_LAYER_WIDTH) {
        keepTable(&ChangeSet::keepLayers);
        switch (property) {
        case CAD_PROP_LAYER_COLOR:
            l->color = static_cast<std::uint32_t>(value);
            break;
        case CAD_PROP_LAYER_FILLCOLOR:
            l->fillColor = static_cast<std::uint32_t>(value);
            break;
        case CAD_PROP_LAYER_VISIBLE:
            l->visible = value != 0;
            break;
        case CAD_PROP_LAYER_LOCKED:
            l->locked = value != 0;
            break;
        case CAD_PROP_LAYER_PRINTABLE:
            l->printable = value != 0;
            break;
        }
        dr->touch();
        engine().tablesChanged();
        engine().redraw();
        return 1;
    }
    Entity* e = entityOf(dr, index);
    if (!e)
        return 0;
    keepEntity(index);
    switch (property) {
    case CAD_PROP_ENT_LAYER:
        if (!item(dr->layers, value))
            return 0;
        e->layer = static_cast<std::uint16_t>(value);
        break;
    case CAD_PROP_ENT_LINESTYLE:
        if (!item(dr->lineStyles, value))
            return 0;
        e->lineStyle = static_cast<std::uint16_t>(value);
        break;
    case CAD_PROP_ENT_COLOR: {
        OwnStyle own = dr->ownStyle(static_cast<std::size_t>(index));
        own.color = static_cast<std::uint32_t>(value);
        dr->setOwnStyle(static_cast<std::size_t>(index), own);
        e->set(EntityFlag::ColorByLayer, false);
        break;
    }
    case CAD_PROP_ENT_COLOR_BYLAYER:
        e->set(EntityFlag::ColorByLayer, value != 0);
        break;
    case CAD_PROP_ENT_WIDTH_BYLAYER:
        e->set(EntityFlag::WidthByLayer, value != 0);
        break;
    case CAD_PROP_ENT_FILLED:
        if (!canBeFilled(e->type))
            return 0;
        e->set(EntityFlag::Filled, value != 0);
        break;
    case CAD_PROP_ENT_CLOSED:
        if (!closable(e->type))
            return 0;
        e->set(EntityFlag::Closed, value != 0);
        break;
    case CAD_PROP_ENT_BLOCK:
        if (e->type != EntityType::Insert || !item(dr->blocks, value) ||
            dr->wouldRecurse(dr->ownerOf(index), value))
            return 0;
        dr->inserts[e->first].block = value;
        break;
    case CAD_PROP_TEXT_ALIGN:
    case CAD_PROP_TEXT_STYLE: {
        if (e->type != EntityType::Text)
            return 0;
        if (property == CAD_PROP_TEXT_ALIGN ? value < 0 || value > 8 : !item(dr->textStyles, value))
            return 0;
        TextData& t = dr->texts[e->first];
        TextParams p = dr->paramsOf(t);
        (property == CAD_PROP_TEXT_ALIGN ? p.align : p.style) = value;
        t.params = dr->internParams(p);
        break;
    }
    default:
        return 0;
    }
    dr->changed(static_cast<std::uint32_t>(index));
    return 1;
}

// ---- reals --------------------------------------------------------------------------------------

std::optional<double> cadPropGetDbl(int property, int index) {
    Drawing* dr = activeDrawing();
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
    if (const double* field = geometryField(*dr, *e, property))
        return *field;
    return std::nullopt;
}

int cadPropPutDbl(int property, int index, double value) {
    Drawing* dr = activeDrawing();
    if (!dr)
        return 0;
    switch (property) {
    case CAD_PROP_LAYER_WIDTH:
        if (Layer* l = item(dr->layers, index)) {
            keepTable(&ChangeSet::keepLayers);
            l->width = value;
            dr->touch();
            return 1;
        }
        return 0;
    case CAD_PROP_TEXTSTYLE_WIDTHFACTOR:
    case CAD_PROP_TEXTSTYLE_OBLIQUE:
        if (TextStyle* s = item(dr->textStyles, index)) {
            keepTable(&ChangeSet::keepTextStyles);
            (property == CAD_PROP_TEXTSTYLE_WIDTHFACTOR ? s->widthFactor : s->oblique) = value;
            dr->touch();
            return 1;
        }
        return 0;
    case CAD_PROP_BLOCK_BASE_X:
    case CAD_PROP_BLOCK_BASE_Y:
        if (Block* b = item(dr->blocks, index)) {
            keepTable(&ChangeSet::keepBlocks);
            (property == CAD_PROP_BLOCK_BASE_X ? b->base.x : b->base.y) = value;
            dr->blocksChanged();
            return 1;
        }
        return 0;
    }
    Entity* e = entityOf(dr, index);
    if (!e)
        return 0;
    keepEntity(index);
    TextParams params;
    double* parameter = nullptr;
    if (e->type == EntityType::Text) {
        params = dr->paramsOf(dr->texts[e->first]);
        parameter = textParameter(params, property);
    }
    if (property == CAD_PROP_ENT_WIDTH) {
        OwnStyle own = dr->ownStyle(static_cast<std::size_t>(index));
        own.width = value;
        dr->setOwnStyle(static_cast<std::size_t>(index), own);
        e->set(EntityFlag::WidthByLayer, false);
    } else if (parameter) {
        *parameter = value;
        dr->texts[e->first].params = dr->internParams(params);
    } else if (double* field = geometryField(*dr, *e, property)) {
        *field = value;
    } else {
        return 0;
    }
    dr->changed(static_cast<std::uint32_t>(index));
    return 1;
}

// ---- information --------------------------------------------------------------------------------

static_assert(std::size(CadStatistics{}.byType) == kEntityTypeCount &&
                  static_cast<int>(EntityType::Point) == CAD_ENT_POINT &&
                  static_cast<int>(EntityType::Spline) == CAD_ENT_SPLINE &&
                  static_cast<int>(EntityType::Sector) == CAD_ENT_SECTOR,
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
    const double mm = millimetresPerUnit(d->drawing->settings.units);
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
    line(17026, 0);
    line(17027, 0);
    line(17028, stats->blocks);
    line(17029, stats->entities);
    line(17030, static_cast<long long>(stats->vertices));
    line(17031, static_cast<long long>(stats->textChars));

    lines.push_back(e.text(17041));
    for (std::size_t i = 0; i < stats->byLayer.size(); ++i)
        lines.push_back("  " + d->drawing->layers[i].name + ": " +
                        std::to_string(stats->byLayer[i]));
    if (!stats->byBlock.empty()) {
        lines.push_back(e.text(17043));
        for (std::size_t i = 0; i < stats->byBlock.size(); ++i)
            lines.push_back("  " + d->drawing->blocks[i].name + ": " +
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
    for (const auto& [number, type] : byType)
        line(number, stats->byType[static_cast<int>(type) - kFirstEntityType]);
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
