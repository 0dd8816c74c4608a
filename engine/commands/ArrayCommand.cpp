// Arrays of the selection (picked first when there is none): "P" rows and columns (how many of
// each, their spacings, the angle of the rows), "K" round a centre (the centre, how many, the
// angle they fill, whether the copies turn) or "S" along a path (the path, the selection's base
// point, the spacing or "L" how many, whether the copies turn with it). The copies are one step;
// the rectangular array is shown before its last value is given.
#include "engine/Engine.h"
#include "engine/commands/Command.h"
#include "engine/commands/ModifySupport.h"
#include "engine/edit/Operations.h"
#include "engine/model/ArrayPattern.h"
#include "engine/model/EntityCurves.h"
#include "engine/model/Transform.h"
#include "engine/render/Renderer.h"
#include "engine/view/DrawingWindow.h"

#include <QPainter>

#include <cmath>
#include <optional>

namespace cad {

namespace {

constexpr int kArrayName = 18609;
constexpr int kPickEntities = 19301, kBasePoint = 19304;
constexpr int kKind = 18645, kRows = 18646, kColumns = 18647, kRowSpacing = 18648,
              kColumnSpacing = 18649, kRowAngle = 18650, kCentre = 18651, kCount = 18652,
              kFill = 18653, kTurnCopies = 18654, kPath = 18655, kPathSpacing = 18656,
              kAlign = 18657;
// The most copies a preview draws: enough to see the pattern.
constexpr std::size_t kMostPreviewed = 400;

class ArrayCommand final : public Command {
public:
    using Command::Command;
    int name() const override { return kArrayName; }
    Wants wants() const override {
        return step_ == Step::Entities ? Wants::Entities : Wants::Point;
    }
    void start(CommandHost& host) override {
        host_ = &host;
        handles_ = selectedEntities(document().drawing());
        if (handles_.empty()) {
            host.prompt(kPickEntities);
            return;
        }
        toKind();
    }
    void entitiesPicked() override {
        handles_ = selectedEntities(document().drawing());
        if (handles_.empty()) {
            host_->finish();
            return;
        }
        toKind();
    }
    bool asksValue() const override {
        switch (step_) {
        case Step::Rows:
        case Step::Columns:
        case Step::RowSpacing:
        case Step::ColumnSpacing:
        case Step::RowAngle:
        case Step::Count:
        case Step::Fill:
        case Step::PathSpacing:
        case Step::PathCount:
            return true;
        default:
            return false;
        }
    }
    bool snaps() const override { return step_ != Step::Path; }
    std::optional<Vec2> basePoint() const override {
        return step_ == Step::Centre || step_ == Step::Path ? std::nullopt : base_;
    }
    bool key(int k) override {
        if (step_ == Step::Kind) {
            if (k == Qt::Key_P)
                go(Step::Rows);
            else if (k == Qt::Key_K)
                go(Step::Centre);
            else if (k == Qt::Key_S)
                go(Step::Path);
            else
                return false;
            return true;
        }
        if (step_ == Step::PathSpacing && k == Qt::Key_L) {
            go(Step::PathCount);
            return true;
        }
        if (step_ == Step::Turn || step_ == Step::Align) {
            if (k != Qt::Key_T && k != Qt::Key_N)
                return false;
            finishWith(k == Qt::Key_T);
            return true;
        }
        return false;
    }
    bool number(double v) override {
        if (!asksValue())
            return false;
        if (!std::isfinite(v)) {
            tellRefusal(Refusal::NotFinite);
            return true;
        }
        const auto whole = [&](int& into) {
            if (v < 1 || v != std::floor(v) || v > double(kMostArrayCopies)) {
                tellRefusal(v < 1 ? Refusal::NegativeValue : Refusal::TooMany);
                return false;
            }
            into = static_cast<int>(v);
            return true;
        };
        switch (step_) {
        case Step::Rows:
            if (whole(rect_.rows))
                go(Step::Columns);
            break;
        case Step::Columns:
            if (whole(rect_.columns))
                go(Step::RowSpacing);
            break;
        case Step::RowSpacing:
            rect_.rowSpacing = v;
            go(Step::ColumnSpacing);
            break;
        case Step::ColumnSpacing:
            rect_.columnSpacing = v;
            go(Step::RowAngle);
            break;
        case Step::RowAngle:
            rect_.angleDegrees = v;
            make(rectangularArray(rect_));
            break;
        case Step::Count:
            if (whole(polar_.count))
                go(Step::Fill);
            break;
        case Step::Fill:
            polar_.fillDegrees = v;
            go(Step::Turn);
            break;
        case Step::PathSpacing:
            if (!(v > 0)) {
                tellRefusal(Refusal::NegativeValue);
                break;
            }
            along_.spacing = v;
            along_.count = 0;
            go(Step::Align);
            break;
        case Step::PathCount:
            if (whole(along_.count)) {
                along_.spacing = 0;
                go(Step::Align);
            }
            break;
        default:
            break;
        }
        return true;
    }
    bool enter() override {
        switch (step_) {
        case Step::RowAngle:
            rect_.angleDegrees = 0;
            make(rectangularArray(rect_));
            return true;
        case Step::Fill:
            polar_.fillDegrees = 360;
            go(Step::Turn);
            return true;
        case Step::Turn:
        case Step::Align:
            finishWith(true);
            return true;
        default:
            return false;
        }
    }
    bool back() override {
        switch (step_) {
        case Step::Entities:
        case Step::Kind:
            return false;
        case Step::Rows:
        case Step::Centre:
        case Step::Path:
            toKind();
            return true;
        case Step::Columns:
            go(Step::Rows);
            return true;
        case Step::RowSpacing:
            go(Step::Columns);
            return true;
        case Step::ColumnSpacing:
            go(Step::RowSpacing);
            return true;
        case Step::RowAngle:
            go(Step::ColumnSpacing);
            return true;
        case Step::Count:
            go(Step::Centre);
            return true;
        case Step::Fill:
            go(Step::Count);
            return true;
        case Step::Turn:
            go(Step::Fill);
            return true;
        case Step::Base:
            go(Step::Path);
            return true;
        case Step::PathSpacing:
            go(Step::Base);
            return true;
        case Step::PathCount:
        case Step::Align:
            go(Step::PathSpacing);
            return true;
        }
        return false;
    }
    void cursor(Vec2 p) override { cursor_ = p; }
    void point(Vec2 p) override {
        if (step_ == Step::Centre) {
            polar_.centre = p;
            go(Step::Count);
        } else if (step_ == Step::Path) {
            const int h = pointedEntity(document().drawing(), *host_, p, isCurveEntity);
            if (h < 0)
                return;
            path_ = curveOf(document().drawing(), h);
            go(Step::Base);
        } else if (step_ == Step::Base) {
            base_ = p;
            go(Step::PathSpacing);
        }
    }
    void paint(QPainter& p) override {
        // The rectangular array as it stands, the row angle along the cursor.
        if (step_ == Step::RowAngle && cursor_ && base_) {
            RectangularArray a = rect_;
            a.angleDegrees = std::atan2(cursor_->y - base_->y, cursor_->x - base_->x) * 180 / kPi;
            if (const auto copies = rectangularArray(a))
                paintCopies(p, *copies);
        } else if (step_ == Step::Align && path_) {
            if (const auto copies = pathArray(*path_, *base_, along_))
                paintCopies(p, *copies);
        } else if (step_ == Step::Path && cursor_) {
            const Drawing& d = document().drawing();
            paintPicked(p, *host_, d, pointedEntity(d, *host_, *cursor_, isCurveEntity));
        }
    }

private:
    enum class Step {
        Entities,
        Kind,
        Rows,
        Columns,
        RowSpacing,
        ColumnSpacing,
        RowAngle,
        Centre,
        Count,
        Fill,
        Turn,
        Path,
        Base,
        PathSpacing,
        PathCount,
        Align
    };
    void toKind() {
        // The rows start from the middle of the selection.
        const Rect box = extentsOf(document().drawing(), handles_);
        base_ = box.empty() ? Vec2{} : box.centre();
        go(Step::Kind);
    }
    void go(Step s) {
        step_ = s;
        static constexpr int prompts[] = {kPickEntities, kKind,          kRows,       kColumns,
                                          kRowSpacing,   kColumnSpacing, kRowAngle,   kCentre,
                                          kCount,        kFill,          kTurnCopies, kPath,
                                          kBasePoint,    kPathSpacing,   kCount,      kAlign};
        host_->prompt(prompts[static_cast<int>(s)]);
        host_->update();
    }
    void finishWith(bool yes) {
        if (step_ == Step::Turn) {
            polar_.rotateCopies = yes;
            const Rect box = extentsOf(document().drawing(), handles_);
            make(polarArray(polar_, box.empty() ? Vec2{} : box.centre()));
        } else {
            along_.align = yes;
            make(pathArray(*path_, *base_, along_));
        }
    }

    // The selection drawn where each copy goes (at most a few hundred of them).
    void paintCopies(QPainter& p, const std::vector<Similarity>& copies) {
        const View& v = host_->view();
        RenderOptions options;
        options.showLineWidths = false;
        std::size_t shown = 0;
        for (const Similarity& s : copies) {
            if (isIdentity(s))
                continue;
            if (++shown > kMostPreviewed)
                break;
            RenderView view =
                RenderView::centredOn(v.centre, v.unitsPerPixel, v.widthPx, v.heightPx);
            view.toDevice = view.toDevice.after(s.map);
            renderEntities(p, document().drawing(), view, options, handles_);
        }
    }
    static bool isIdentity(const Similarity& s) {
        const Affine& m = s.map;
        return !s.mirror && std::abs(m.a - 1) < 1e-12 && std::abs(m.b) < 1e-12 &&
               std::abs(m.c) < 1e-12 && std::abs(m.d - 1) < 1e-12 && std::abs(m.e) < 1e-9 &&
               std::abs(m.f) < 1e-9;
    }

    // Copies of the selection, one for each similarity but the one that leaves it in place.
    void make(const Outcome<std::vector<Similarity>>& copies) {
        if (!copies) {
            tellRefusal(copies.refusal);
            return;
        }
        Edit edit(document());
        ChangeSet& w = edit.changes();
        const Drawing& d = edit.drawing();
        const Rect box = extentsOf(d, handles_);
        Rect area;
        for (const Similarity& s : *copies) {
            if (isIdentity(s))
                continue;
            for (const std::uint32_t h : handles_) {
                if (!d.inModelSpace(static_cast<int>(h)))
                    continue;
                const int copy = duplicateEntity(w, static_cast<int>(h));
                transformEntity(w, copy, s);
            }
            if (!box.empty())
                for (const Vec2 c : {Vec2{box.left, box.bottom}, Vec2{box.right, box.bottom},
                                     Vec2{box.left, box.top}, Vec2{box.right, box.top}})
                    area.add(s.apply(c));
        }
        edit.commit();
        host_->redrawArea(area);
        host_->finish();
    }

    CommandHost* host_ = nullptr;
    Step step_ = Step::Entities;
    std::vector<std::uint32_t> handles_;
    RectangularArray rect_;
    PolarArray polar_;
    PathArray along_;
    std::optional<Curve> path_;
    std::optional<Vec2> base_, cursor_;
};

} // namespace

void registerArrayCommand(Engine& e) {
    e.addCommand(CAD_CMD_ARRAY, [] {
        return startDrawCommand([](Document& d) { return std::make_unique<ArrayCommand>(d); });
    });
}

} // namespace cad
