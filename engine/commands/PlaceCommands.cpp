// The commands that place something chosen in a dialog: a text, a symbol of a font, a raster
// image, a block. What is placed follows the cursor until it is put down; each is one step.
#include "engine/Engine.h"
#include "engine/commands/Command.h"
#include "engine/commands/DrawDialogs.h"
#include "engine/commands/DrawSupport.h"
#include "engine/model/Construct.h"
#include "engine/model/Merge.h"
#include "engine/ui/Dialogs.h"
#include "engine/view/DrawingWindow.h"

#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>

#include <cmath>

namespace cad {

namespace {

constexpr int kInsertionPoint = 19318, kTextPoint = 19321, kFirstCorner = 19302,
              kSecondCorner = 19303;
constexpr int kTextName = 19213, kBlockName = 19214, kImageName = 19216, kSymbolName = 19217;
constexpr int kImageTitle = 19065, kNoBlocks = 10511, kCannotRead = 10516;

// The text style that uses a font family: the first one there is, else a new one named after
// the font (kept in the change).
int styleOfFont(ChangeSet& changes, const std::string& family) {
    const Drawing& d = changes.drawing();
    for (std::size_t i = 0; i < d.textStyles.size(); ++i)
        if (d.textStyles[i].font == family)
            return static_cast<int>(i);
    std::string name = family;
    for (int n = 2; d.findTextStyle(name) >= 0; ++n)
        name = family + " " + std::to_string(n);
    const int style = changes.addTextStyle(TextStyle{name, family, 1, 0, 5, true, true});
    engine().tablesChanged();
    return style;
}

// Lines of text, one under the other from the picked point, as texts; a symbol is a text of
// one character in its font.
class TextCommand final : public Command {
public:
    TextCommand(Document& d, std::vector<std::string> lines, TextParams params,
                std::string symbolFont = {})
        : Command(d), lines_(std::move(lines)), params_(params), font_(std::move(symbolFont)),
          preview_(d.drawing()) {}
    int name() const override { return font_.empty() ? kTextName : kSymbolName; }
    void start(CommandHost& host) override {
        host_ = &host;
        host.prompt(font_.empty() ? kTextPoint : kInsertionPoint);
        // The preview takes the look the texts will have.
        TextParams look = params_;
        if (!font_.empty()) {
            Drawing& pd = preview_.drawing();
            pd.textStyles.push_back(TextStyle{font_, font_, 1, 0, 5, true, true});
            look.style = static_cast<int>(pd.textStyles.size() - 1);
        }
        for (const std::string& line : lines_)
            preview_.drawing().addText(textRecord({0, 0}, line, look));
    }
    void point(Vec2 p) override {
        AddingSink sink(*host_, document());
        TextParams look = params_;
        if (!font_.empty())
            look.style = styleOfFont(sink.changes(), font_);
        for (std::size_t i = 0; i < lines_.size(); ++i)
            sink.added(sink.changes().addText(textRecord(lineAt(p, i), lines_[i], look)));
        sink.commit();
        host_->finish();
    }
    void cursor(Vec2 p) override {
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            preview_.drawing().texts[i].p = lineAt(p, i);
            preview_.changed(static_cast<int>(i));
        }
    }
    void paint(QPainter& p) override { preview_.paint(p, host_->view()); }

private:
    static TextSpec textRecord(Vec2 p, const std::string& text, const TextParams& look) {
        return TextSpec{p, look.height, look.rotation, 0, look.align, look.style, text};
    }
    // Line i stands one and two thirds of the height under the one before, as turned.
    Vec2 lineAt(Vec2 p, std::size_t i) const {
        const double down = params_.height * 5.0 / 3.0 * static_cast<double>(i);
        const double a = radians(params_.rotation);
        return {p.x + std::sin(a) * down, p.y - std::cos(a) * down};
    }

    std::vector<std::string> lines_;
    TextParams params_;
    std::string font_;
    CommandHost* host_ = nullptr;
    PreviewDrawing preview_;
};

// A raster image between two corners; it keeps the picture's proportions unless Shift is held
// at the second corner.
class ImageCommand final : public Command {
public:
    ImageCommand(Document& d, std::string path, QSize pixels)
        : Command(d), path_(std::move(path)), pixels_(pixels) {}
    int name() const override { return kImageName; }
    void start(CommandHost& host) override {
        host_ = &host;
        host.prompt(kFirstCorner);
    }
    void point(Vec2 p) override {
        if (!first_) {
            first_ = p;
            host_->prompt(kSecondCorner);
            return;
        }
        const Rect r = placed(p);
        if (!(r.width() > 0 && r.height() > 0))
            return;
        AddingSink sink(*host_, document());
        sink.added(sink.changes().addImage({path_, {r.left, r.bottom}, r.width(), r.height()}));
        sink.commit();
        host_->finish();
    }
    void cursor(Vec2 p) override { cursor_ = p; }
    bool back() override { return dropPoint(first_, *host_, kFirstCorner); }
    void paint(QPainter& p) override {
        if (!first_ || !cursor_)
            return;
        const Rect r = placed(*cursor_);
        PreviewSink sink(p, *host_, document());
        const Vec2 corners[] = {
            {r.left, r.bottom}, {r.right, r.bottom}, {r.right, r.top}, {r.left, r.top}};
        sink.polyline(corners, true);
        sink.line(corners[0], corners[2]);
        sink.line(corners[1], corners[3]);
    }

private:
    // The image from the first corner towards p.
    Rect placed(Vec2 p) const {
        double w = p.x - first_->x, h = p.y - first_->y;
        const bool free = QGuiApplication::keyboardModifiers() & Qt::ShiftModifier;
        if (!free && pixels_.width() > 0 && pixels_.height() > 0) {
            const double aspect = double(pixels_.height()) / double(pixels_.width());
            // The side dragged farther decides; the other follows the picture.
            if (std::abs(h) > std::abs(w) * aspect)
                w = std::copysign(std::abs(h) / aspect, w == 0 ? 1.0 : w);
            else
                h = std::copysign(std::abs(w) * aspect, h == 0 ? 1.0 : h);
        }
        Rect r;
        r.add(*first_);
        r.add(first_->x + w, first_->y + h);
        return r;
    }

    std::string path_;
    QSize pixels_;
    CommandHost* host_ = nullptr;
    std::optional<Vec2> first_, cursor_;
};

// A block at a picked point, then its scale and angle, typed or picked (Enter: 1 and 0). A scale
// given in the dialog is taken as it is: only the angle is asked after the point.
class InsertCommand final : public Command {
public:
    InsertCommand(Document& d, int block, std::optional<double> scale = std::nullopt)
        : Command(d), block_(block), given_(scale), preview_(d.drawing()) {
        Drawing& pd = preview_.drawing();
        const Block& b = d.drawing().blocks[static_cast<std::size_t>(block)];
        ScratchWriter writer(pd);
        copyBlocks(writer, d.drawing(), b.name);
        previewBlock_ = pd.findBlock(b.name);
        if (previewBlock_ >= 0)
            pd.addInsert({previewBlock_, {0, 0}, 1, 1, 0});
    }
    int name() const override { return kBlockName; }
    void start(CommandHost& host) override {
        host_ = &host;
        host.prompt(kInsertionPoint);
    }
    void point(Vec2 p) override {
        if (!at_) {
            at_ = p;
            scale_ = given_;
            host_->prompt(scale_ ? kAnglePrompt : kScalePrompt);
        } else if (!scale_) {
            const double s = std::hypot(p.x - at_->x, p.y - at_->y);
            if (s > 0)
                number(s);
        } else {
            if (!(p == *at_))
                number(directionDegrees(*at_, p));
        }
    }
    bool number(double v) override {
        if (!at_)
            return false;
        if (!scale_) {
            if (!(v != 0) || !std::isfinite(v))
                return true;
            scale_ = v;
            host_->prompt(kAnglePrompt);
            return true;
        }
        if (std::isfinite(v))
            place(v);
        return true;
    }
    bool asksValue() const override { return at_.has_value(); }
    bool enter() override {
        if (!at_)
            return false;
        if (!scale_)
            number(1);
        else
            place(0);
        return true;
    }
    bool back() override {
        if (scale_ && !given_) {
            scale_.reset();
        } else if (at_) {
            at_.reset();
            scale_.reset();
        } else {
            return false;
        }
        host_->prompt(at_ ? kScalePrompt : kInsertionPoint);
        return true;
    }
    void cursor(Vec2 p) override {
        Drawing& pd = preview_.drawing();
        if (previewBlock_ < 0 || pd.inserts.empty())
            return;
        InsertData& in = pd.inserts[0];
        if (!at_) {
            const double s = given_.value_or(1);
            in = {previewBlock_, p, s, s, 0};
        } else if (!scale_) {
            const double s = std::hypot(p.x - at_->x, p.y - at_->y);
            in = {previewBlock_, *at_, s > 0 ? s : 1, s > 0 ? s : 1, 0};
        } else {
            in = {previewBlock_, *at_, *scale_, *scale_,
                  p == *at_ ? 0.0 : directionDegrees(*at_, p)};
        }
        preview_.changed(static_cast<int>(pd.entities.size() - 1));
    }
    std::optional<Vec2> basePoint() const override { return at_; }
    void paint(QPainter& p) override { preview_.paint(p, host_->view()); }

private:
    void place(double angle) {
        AddingSink sink(*host_, document());
        sink.added(sink.changes().addInsert({block_, *at_, *scale_, *scale_, angle}));
        sink.commit();
        // The next one at the same scale, wherever the person puts it.
        at_.reset();
        scale_.reset();
        host_->prompt(kInsertionPoint);
    }

    int block_;
    std::optional<double> given_;
    int previewBlock_ = -1;
    CommandHost* host_ = nullptr;
    PreviewDrawing preview_;
    std::optional<Vec2> at_;
    std::optional<double> scale_;
};

} // namespace

void registerPlaceCommands(Engine& e) {
    e.addCommand(CAD_CMD_DRAW_TEXT, [] {
        return startDrawCommand([](Document& d) -> std::unique_ptr<Command> {
            TextDialog dialog(d.drawing(), DrawingWindow::current());
            if (showModal(dialog) != QDialog::Accepted || dialog.lines().empty())
                return nullptr;
            return std::make_unique<TextCommand>(d, dialog.lines(), dialog.params());
        });
    });
    e.addCommand(CAD_CMD_DRAW_SYMBOL, [] {
        return startDrawCommand([](Document& d) -> std::unique_ptr<Command> {
            SymbolDialog dialog(DrawingWindow::current());
            if (showModal(dialog) != QDialog::Accepted)
                return nullptr;
            TextParams look;
            look.height = dialog.height();
            return std::make_unique<TextCommand>(
                d, std::vector<std::string>{std::string(1, dialog.character())}, look,
                dialog.family());
        });
    });
    e.addCommand(CAD_CMD_DRAW_IMAGE, [] {
        return startDrawCommand([](Document& d) -> std::unique_ptr<Command> {
            Engine& en = engine();
            const auto path = en.responder()->openFileName(en.text(kImageTitle),
                                                           en.text(kImageFilter), folderOf(d));
            if (!path || path->empty())
                return nullptr;
            const QSize pixels =
                QImageReader(QFile::decodeName(QByteArray::fromStdString(*path))).size();
            if (!pixels.isValid()) {
                en.responder()->tell(en.text(10501),
                                     withLineBreaks(formatText(en.text(kCannotRead), {*path})),
                                     true);
                return nullptr;
            }
            return std::make_unique<ImageCommand>(d, *path, pixels);
        });
    });
    e.addCommand(CAD_CMD_INSERT_BLOCK, [] {
        return startDrawCommand([](Document& d) -> std::unique_ptr<Command> {
            Engine& en = engine();
            if (d.drawing().blocks.empty()) {
                en.responder()->tell(en.text(10501), en.text(kNoBlocks), false);
                return nullptr;
            }
            BlockDialog dialog(d.drawing(), DrawingWindow::current());
            if (showModal(dialog) != QDialog::Accepted || dialog.block() < 0)
                return nullptr;
            return std::make_unique<InsertCommand>(d, dialog.block(), dialog.scale());
        });
    });
}

} // namespace cad
