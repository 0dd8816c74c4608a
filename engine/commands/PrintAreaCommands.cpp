#include "engine/commands/PrintAreaCommands.h"

#include "engine/edit/Edit.h"
#include "engine/edit/Operations.h"
#include "engine/view/TypedCoordinates.h"

#include <QPainter>

#include <cmath>
#include <string>

namespace cad {

namespace {

// Texts: the commands' name and their prompts.
constexpr int kAreasName = 16238, kCentrePrompt = 16232, kDirectionPrompt = 16233,
              kNewCentrePrompt = 16234, kAxisPrompt = 16235, kCornerPrompt = 16239,
              kFirstCorner = 19302, kSecondCorner = 19303;

double angleOf(Vec2 from, Vec2 to) {
    return normalisedDegrees(std::atan2(to.y - from.y, to.x - from.x) * 180 / kPi);
}

class PlaceArea final : public Command {
public:
    PlaceArea(Document& d, AreaSize size, double angle, std::function<void(const PrintArea&)> done)
        : Command(d), done_(std::move(done)) {
        area_.width = size.width;
        area_.height = size.height;
        area_.angleDegrees = angle;
        angle_ = angle;
    }
    int name() const override { return kAreasName; }
    void start(CommandHost& host) override {
        host_ = &host;
        host.prompt(kCentrePrompt);
    }
    void cursor(Vec2 p) override {
        if (!centre_) {
            area_.centre = p;
        } else if (!(p == *centre_)) {
            area_.angleDegrees = angleOf(*centre_, p);
        }
        shown_ = true;
    }
    void point(Vec2 p) override {
        if (!centre_) {
            centre_ = p;
            area_.centre = p;
            host_->prompt(kDirectionPrompt);
            return;
        }
        if (!(p == *centre_))
            place(angleOf(*centre_, p));
    }
    bool asksValue() const override { return centre_.has_value(); }
    bool number(double angle) override {
        if (!centre_ || !std::isfinite(angle))
            return false;
        place(angle);
        return true;
    }
    bool enter() override {
        if (!centre_)
            return false;
        place(angle_);
        return true;
    }
    bool back() override {
        area_.angleDegrees = angle_;
        return dropPoint(centre_, *host_, kCentrePrompt);
    }
    std::optional<Vec2> basePoint() const override { return centre_; }
    void paint(QPainter& p) override {
        if (shown_)
            paintAreaPreview(p, document(), host_->view(), area_);
    }

private:
    void place(double angle) {
        PrintArea a = area_;
        a.centre = *centre_;
        a.angleDegrees = normalisedDegrees(angle);
        done_(a);
        host_->finish();
    }
    CommandHost* host_ = nullptr;
    std::function<void(const PrintArea&)> done_;
    PrintArea area_;
    double angle_ = 0;
    std::optional<Vec2> centre_;
    bool shown_ = false;
};

class MoveArea final : public Command {
public:
    MoveArea(Document& d, const PrintArea& area, std::function<void(const PrintArea&)> done)
        : Command(d), area_(area), moved_(area), done_(std::move(done)) {}
    int name() const override { return kAreasName; }
    void start(CommandHost& host) override {
        host_ = &host;
        host.prompt(kNewCentrePrompt);
    }
    void cursor(Vec2 p) override { moved_.centre = p; }
    void point(Vec2 p) override {
        moved_.centre = p;
        done_(moved_);
        host_->finish();
    }
    std::optional<Vec2> basePoint() const override { return area_.centre; }
    void paint(QPainter& p) override { paintAreaPreview(p, document(), host_->view(), moved_); }

private:
    CommandHost* host_ = nullptr;
    PrintArea area_, moved_;
    std::function<void(const PrintArea&)> done_;
};

class PickWindow final : public Command {
public:
    PickWindow(Document& d, int name, std::function<void(const Rect&)> done)
        : Command(d), name_(name), done_(std::move(done)) {}
    int name() const override { return name_; }
    void start(CommandHost& host) override {
        host_ = &host;
        host.prompt(kFirstCorner);
    }
    void cursor(Vec2 p) override { cursor_ = p; }
    void point(Vec2 p) override {
        if (!first_) {
            first_ = p;
            host_->prompt(kSecondCorner);
            return;
        }
        Rect r;
        r.add(*first_);
        r.add(p);
        if (!(r.width() > 0) || !(r.height() > 0))
            return; // no window yet: a second corner elsewhere
        done_(r);
        host_->finish();
    }
    bool back() override { return dropPoint(first_, *host_, kFirstCorner); }
    void paint(QPainter& p) override {
        if (!first_ || !cursor_)
            return;
        p.save();
        p.setPen(QPen(Qt::gray, 0, Qt::DashLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(host_->toPixel(*first_), host_->toPixel(*cursor_)).normalized());
        p.restore();
    }

private:
    CommandHost* host_ = nullptr;
    int name_;
    std::function<void(const Rect&)> done_;
    std::optional<Vec2> first_, cursor_;
};

class PickAxis final : public Command {
public:
    PickAxis(Document& d, std::function<void(std::vector<std::uint32_t>)> done)
        : Command(d), done_(std::move(done)) {}
    int name() const override { return kAreasName; }
    Wants wants() const override { return Wants::Entities; }
    void start(CommandHost& host) override {
        host_ = &host;
        // What was selected before is no part of the axis.
        document().selectAll(false);
        host.prompt(kAxisPrompt);
    }
    void entitiesPicked() override {
        std::vector<std::uint32_t> picked = selectedEntities(document().drawing());
        document().selectAll(false);
        host_->finish();
        if (!picked.empty())
            done_(std::move(picked));
    }

private:
    CommandHost* host_ = nullptr;
    std::function<void(std::vector<std::uint32_t>)> done_;
};

class AreaGripCommand final : public Command {
public:
    AreaGripCommand(Document& d, AreaGrip grip, const PrintArea& area, Vec2 from)
        : Command(d), grip_(grip), area_(area), changed_(area), from_(from) {}
    int name() const override { return kAreasName; }
    void start(CommandHost& host) override {
        host_ = &host;
        host.prompt(grip_.centre() ? kNewCentrePrompt : kCornerPrompt);
    }
    void cursor(Vec2 p) override { changed_ = changedTo(p); }
    void point(Vec2 p) override {
        const PrintArea changed = changedTo(p);
        const std::size_t i = static_cast<std::size_t>(grip_.area);
        done_ = true;
        if (!(changed == area_) && i < document().drawing().printAreas.size())
            changePrintAreas(document(), [&](DrawingWriter& w) { w.printArea(i) = changed; });
        host_->finish();
    }
    // The area held must stay as it was (an undo meanwhile ends the command).
    bool tablesChanged() override {
        const auto& areas = document().drawing().printAreas;
        return done_ || (static_cast<std::size_t>(grip_.area) < areas.size() &&
                         areas[static_cast<std::size_t>(grip_.area)] == area_);
    }
    std::optional<Vec2> basePoint() const override { return grip_.centre() ? from_ : area_.centre; }
    void paint(QPainter& p) override { paintAreaPreview(p, document(), host_->view(), changed_); }

private:
    PrintArea changedTo(Vec2 p) const {
        if (grip_.centre()) {
            PrintArea moved = area_;
            moved.centre = p;
            return moved;
        }
        return turnedAbout(area_, from_, p);
    }
    CommandHost* host_ = nullptr;
    AreaGrip grip_;
    PrintArea area_, changed_;
    Vec2 from_;
    bool done_ = false;
};

} // namespace

void changePrintAreas(Document& document, const std::function<void(DrawingWriter&)>& change) {
    Edit edit(document);
    change(edit.changes());
    edit.commit();
    engine().tablesChanged();
    engine().redrawArea(document, Rect{});
}

std::optional<AreaSize> sheetSizeOf(const Drawing& drawing) {
    const SheetSettings& s = drawing.settings.sheets;
    return sheetAreaSize(s.paper, s.scale, millimetresPerUnit(drawing.settings.units));
}

std::optional<std::vector<AxisPiece>> axisOfEntities(const Drawing& drawing,
                                                     std::span<const std::uint32_t> handles) {
    Rect box;
    for (const std::uint32_t h : handles)
        box.add(drawing.entityExtents(static_cast<int>(h)));
    if (box.empty())
        return std::nullopt;
    // Ends meet within a millionth of the axis's size; splines are followed to a ten-thousandth.
    const double size = std::max(std::hypot(box.width(), box.height()), 1e-9);
    std::vector<std::vector<AxisPiece>> curves;
    for (const std::uint32_t h : handles) {
        auto pieces = axisPiecesOf(drawing, static_cast<int>(h), size * 1e-4);
        if (!pieces || pieces->empty())
            return std::nullopt;
        curves.push_back(std::move(*pieces));
    }
    return joinAxis(curves, size * 1e-6);
}

std::optional<double> parseChainage(std::string_view text) {
    const std::string s(text);
    const auto plus = s.find('+');
    if (plus == std::string::npos) {
        const auto v = parseTypedValue(s);
        if (!v || *v < 0)
            return std::nullopt;
        return v;
    }
    const auto km = parseTypedValue(s.substr(0, plus));
    const auto m = parseTypedValue(s.substr(plus + 1));
    if (!km || !m || *km < 0 || *m < 0 || *km != std::floor(*km) || s.substr(plus + 1).empty())
        return std::nullopt;
    return *km * 1000 + *m;
}

std::unique_ptr<Command> placeAreaCommand(Document& d, AreaSize size, double angle,
                                          std::function<void(const PrintArea&)> placed) {
    return std::make_unique<PlaceArea>(d, size, angle, std::move(placed));
}

std::unique_ptr<Command> moveAreaCommand(Document& d, const PrintArea& area,
                                         std::function<void(const PrintArea&)> moved) {
    return std::make_unique<MoveArea>(d, area, std::move(moved));
}

std::unique_ptr<Command> pickWindowCommand(Document& d, int name,
                                           std::function<void(const Rect&)> picked) {
    return std::make_unique<PickWindow>(d, name, std::move(picked));
}

std::unique_ptr<Command> pickAxisCommand(Document& d,
                                         std::function<void(std::vector<std::uint32_t>)> picked) {
    return std::make_unique<PickAxis>(d, std::move(picked));
}

std::unique_ptr<Command> makeAreaGripCommand(Document& d, AreaGrip grip) {
    const auto& areas = d.drawing().printAreas;
    if (grip.area < 0 || static_cast<std::size_t>(grip.area) >= areas.size() || grip.corner > 3)
        return nullptr;
    const PrintArea& area = areas[static_cast<std::size_t>(grip.area)];
    const Vec2 from = areaGrips(area)[static_cast<std::size_t>(grip.corner + 1)];
    return std::make_unique<AreaGripCommand>(d, grip, area, from);
}

} // namespace cad
