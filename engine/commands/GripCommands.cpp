#include "engine/commands/GripCommands.h"

#include "engine/commands/DrawSupport.h"
#include "engine/edit/Operations.h"
#include "engine/model/Picking.h"
#include "engine/ui/Dialogs.h"
#include "engine/ui/QtResponder.h"

#include <QAction>
#include <QMenu>
#include <QPainter>

#include <functional>
#include <string>

namespace cad {

namespace {

constexpr int kMoveGripName = 19231, kDestination = 19307;
// The items of the selection's menu.
constexpr int kProperties = 18001, kCopy = 18002, kMove = 18003, kRotate = 18004, kScale = 18005,
              kMirror = 18006, kMakeBlock = 18007, kExplode = 18008, kErase = 18009,
              kDeselect = 18010, kGroup = 18011, kInsertVertex = 18021, kDeleteVertex = 18022,
              kVertexTable = 18025;
// The modify tools' names.
constexpr int kJoin = 18607, kArray = 18609, kReverse = 18611;
// The draw order's items.
constexpr int kSwapEntities = 19244, kToTop = 19245, kToBottom = 19246, kHatchesToBottom = 19247;

void drawShape(ShapeSink& sink, const GripShape& s) {
    switch (s.type) {
    case EntityType::Point:
    case EntityType::Text:
    case EntityType::Insert:
        sink.point(s.p);
        break;
    case EntityType::Line:
        sink.line(s.line.a, s.line.b);
        break;
    case EntityType::Polyline:
        if (!s.bulges.empty()) { // its arcs as arcs
            sink.bulgedPolyline(s.vertices, s.bulges, s.closed);
            break;
        }
        sink.polyline(s.vertices, s.closed);
        break;
    case EntityType::Hatch:
        sink.polyline(s.vertices, true);
        break;
    case EntityType::Spline:
        sink.spline(s.vertices, s.closed);
        break;
    case EntityType::Circle:
        sink.circle(s.circle);
        break;
    case EntityType::Arc:
        sink.arc(s.arc);
        break;
    case EntityType::Sector:
        sink.sector(s.arc);
        break;
    case EntityType::Ellipse:
        sink.ellipse(s.ellipse);
        break;
    case EntityType::Rectangle:
        sink.rectangle(s.rectangle);
        break;
    case EntityType::Image: {
        const ImageData& im = s.image;
        const Vec2 corners[] = {im.p,
                                {im.p.x + im.width, im.p.y},
                                {im.p.x + im.width, im.p.y + im.height},
                                {im.p.x, im.p.y + im.height}};
        sink.polyline(corners, true);
        break;
    }
    case EntityType::Dimension:
        break; // drawn with its style (see GripCommand::paint)
    }
}

// Changes one entity in place as one step and shows it.
void changeOne(Document& d, int handle, const std::function<void(EntityChange&)>& change,
               CommandHost* host) {
    Edit edit(d);
    const std::uint32_t h = static_cast<std::uint32_t>(handle);
    const Rect area = changeEntities(edit.changes(), {&h, 1}, change);
    edit.commit();
    if (host)
        host->redrawArea(area);
    else
        engine().redrawArea(d, area);
}

class GripCommand final : public Command {
public:
    GripCommand(Document& d, GripRef grip, GripShape shape, Vec2 from)
        : Command(d), grip_(grip), shape_(std::move(shape)), from_(from) {}
    int name() const override { return kMoveGripName; }
    void start(CommandHost& host) override {
        host_ = &host;
        host.prompt(kDestination);
    }
    void cursor(Vec2 p) override { cursor_ = p; }
    void point(Vec2 p) override {
        GripShape moved = shape_;
        if (p != from_ && moveGrip(moved, grip_.index, p))
            changeOne(
                document(), grip_.handle, [&](EntityChange& c) { putShape(c, moved); }, host_);
        host_->finish();
    }
    std::optional<Vec2> basePoint() const override { return from_; }
    void paint(QPainter& p) override {
        if (!cursor_)
            return;
        GripShape moved = shape_;
        if (!moveGrip(moved, grip_.index, *cursor_))
            return;
        if (moved.type == EntityType::Dimension) {
            const Drawing& d = document().drawing();
            PreviewDrawing preview(d);
            ScratchWriter(preview.drawing())
                .addDimension(dimensionData(moved.dimension, d.pooled(moved.dimension.text)));
            preview.paint(p, host_->view());
            return;
        }
        PreviewSink sink(p, *host_, document());
        drawShape(sink, moved);
    }

private:
    CommandHost* host_ = nullptr;
    GripRef grip_;
    GripShape shape_;
    Vec2 from_;
    std::optional<Vec2> cursor_;
};

bool changeVertices(Document& d, GripRef grip, const std::optional<std::vector<Vec2>>& vertices,
                    const std::vector<double>& bulges) {
    if (!vertices)
        return false;
    changeOne(
        d, grip.handle,
        [&](EntityChange& c) {
            if (bulges.empty())
                c.setVertices(*vertices);
            else
                c.setPolyline(*vertices, bulges);
        },
        nullptr);
    return true;
}

bool hasVertexMenu(const Drawing& d, std::optional<GripRef> grip) {
    if (!grip || !d.inModelSpace(grip->handle))
        return false;
    const EntityType t = d.entities[static_cast<std::size_t>(grip->handle)].type;
    return t == EntityType::Polyline || t == EntityType::Spline;
}

} // namespace

std::unique_ptr<Command> makeGripCommand(Document& d, GripRef grip) {
    const Drawing& dr = d.drawing();
    if (!dr.inModelSpace(grip.handle))
        return nullptr;
    const auto grips = gripPoints(dr, grip.handle);
    auto shape = gripShape(dr, grip.handle);
    if (grip.index >= grips.size() || !shape)
        return nullptr;
    return std::make_unique<GripCommand>(d, grip, std::move(*shape), grips[grip.index]);
}

bool insertVertex(Document& d, GripRef grip) {
    return changeVertices(d, grip, withVertexInserted(d.drawing(), grip.handle, grip.index),
                          bulgesWithVertexInserted(d.drawing(), grip.handle, grip.index));
}

bool deleteVertex(Document& d, GripRef grip) {
    return changeVertices(d, grip, withVertexRemoved(d.drawing(), grip.handle, grip.index),
                          bulgesWithVertexRemoved(d.drawing(), grip.handle, grip.index));
}

bool groupSelection(Document& doc) {
    const Drawing& d = doc.drawing();
    const std::vector<std::uint32_t> selected = selectedEntities(d);
    if (selected.empty())
        return false;
    // The first name of the kind no block has yet.
    std::string name;
    for (int n = 1; name.empty() || d.findBlock(name) >= 0; ++n)
        name = "GRUPA" + std::to_string(n);
    const Rect area = extentsOf(d, selected);
    const Vec2 base{area.left, area.bottom};
    Edit edit(doc);
    const int insert = blockInPlace(edit.changes(), name, base, selected);
    edit.commit();
    if (insert >= 0)
        doc.select(insert, true);
    engine().tablesChanged();
    engine().redrawArea(doc, area);
    return true;
}

void selectionMenu(Document& d, QWidget* parent, QPoint at, std::optional<GripRef> grip) {
    QMenu menu(parent);
    menu.setObjectName(QStringLiteral("cadSelectionMenu"));
    std::vector<std::pair<QAction*, std::function<void()>>> items;
    const auto add = [&](int text, std::function<void()> run, bool enabled = true) {
        QAction* action = menu.addAction(engineText(text));
        action->setData(text);
        action->setEnabled(enabled);
        items.emplace_back(action, std::move(run));
    };
    const auto command = [](int code) { return [code] { cadExecute(code); }; };
    add(kProperties, command(CAD_CMD_PROPERTIES));
    menu.addSeparator();
    add(kCopy, command(CAD_CMD_COPY));
    add(kMove, command(CAD_CMD_MOVE));
    add(kRotate, command(CAD_CMD_ROTATE));
    add(kScale, command(CAD_CMD_SCALE));
    add(kMirror, command(CAD_CMD_MIRROR));
    menu.addSeparator();
    add(kMakeBlock, command(CAD_CMD_MAKE_BLOCK));
    add(kExplode, command(CAD_CMD_EXPLODE));
    add(kGroup, [&d] { groupSelection(d); });
    menu.addSeparator();
    // The modify tools that work on a selection.
    add(kArray, command(CAD_CMD_ARRAY));
    add(kJoin, command(CAD_CMD_JOIN));
    add(kReverse, command(CAD_CMD_REVERSE));
    add(kToTop, command(CAD_CMD_ENTITY_TO_TOP));
    add(kToBottom, command(CAD_CMD_ENTITY_TO_BOTTOM));
    add(kSwapEntities, command(CAD_CMD_SWAP_ENTITIES));
    add(kHatchesToBottom, command(CAD_CMD_HATCHES_TO_BOTTOM),
        !hatchesAndFills(d.drawing(), selectedEntities(d.drawing())).empty());
    menu.addSeparator();
    add(kErase, command(CAD_CMD_ERASE));
    add(kDeselect, [&d, parent] {
        d.selectAll(false);
        if (parent)
            parent->update();
    });
    if (hasVertexMenu(d.drawing(), grip)) {
        const GripRef g = *grip;
        menu.addSeparator();
        add(
            kInsertVertex, [&d, g] { insertVertex(d, g); },
            withVertexInserted(d.drawing(), g.handle, g.index).has_value());
        add(
            kDeleteVertex, [&d, g] { deleteVertex(d, g); },
            withVertexRemoved(d.drawing(), g.handle, g.index).has_value());
        // The vertices as a table: the properties of that entity alone.
        add(kVertexTable, [&d, g] {
            d.selectAll(false);
            d.select(g.handle, true);
            cadExecute(CAD_CMD_PROPERTIES);
        });
    }
    QAction* chosen = showMenu(menu, at);
    for (const auto& [action, run] : items)
        if (action == chosen && action->isEnabled()) {
            run();
            return;
        }
}

} // namespace cad
