// The engine's interface: thin functions over the engine state, its documents and drawings.
#include "engine/CadApi.h"

#include "engine/Engine.h"
#include "engine/io/Dxf.h"
#include "engine/io/FileError.h"
#include "engine/io/NativeFormat.h"
#include "engine/model/Merge.h"
#include "engine/model/Statistics.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>

using namespace cad;

namespace {

template <typename T> bool inRange(const std::vector<T>& v, int i) {
    return i >= 0 && static_cast<std::size_t>(i) < v.size();
}

std::string firstBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw FileError(FileError::Kind::CannotOpen, "cannot open " + path);
    std::string bytes(256, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

// Reads a native drawing; nothing when it cannot be read, after writing the reason to error when
// one is given, or telling the person otherwise.
std::unique_ptr<Drawing> openNative(const std::string& path, std::string* error) {
    try {
        if (std::filesystem::is_directory(path))
            throw FileError(FileError::Kind::CannotOpen, path + " is a folder");
        return loadNative(path);
    } catch (const FileError& e) {
        if (error)
            *error = e.what();
        else
            engine().reportFileError(e, path);
        return nullptr;
    }
}

// Reads a native or DXF drawing, recognised by its content.
std::unique_ptr<Drawing> readAnyDrawing(const std::string& path) {
    if (std::filesystem::is_directory(path))
        throw FileError(FileError::Kind::CannotOpen, path + " is a folder");
    const std::string head = firstBytes(path);
    if (looksNative(head))
        return loadNative(path);
    if (looksDxf(head))
        return loadDxf(path).drawing;
    throw FileError(FileError::Kind::UnknownFormat, path + " is not a drawing");
}

std::optional<CadRect> toCadRect(const Rect& r) {
    if (r.empty())
        return std::nullopt;
    return CadRect{r.left, r.bottom, r.right, r.top};
}

} // namespace

// ---- messages and responder ---------------------------------------------------------------------

void cadSetMsgHandler(CadMsgHandler handler) {
    engine().handler = std::move(handler);
}

std::shared_ptr<CadResponder> cadSetResponder(std::shared_ptr<CadResponder> responder) {
    return engine().setResponder(std::move(responder));
}

// ---- documents and files ------------------------------------------------------------------------

int cadFileNew(int, std::string_view templatePath) {
    std::unique_ptr<Drawing> drawing;
    if (!templatePath.empty()) {
        const std::string path(templatePath);
        try {
            drawing = readAnyDrawing(path);
            drawing->modified = false;
        } catch (const FileError& e) {
            engine().reportFileError(e, path);
        }
    }
    return engine().create(std::move(drawing)).handle;
}

int cadFileOpen(int, std::string_view pathView) {
    const std::string path(pathView);
    for (const auto& d : engine().documents())
        if (!d->path.empty() && d->path == path) {
            engine().responder()->tell(engine().text(10501), engine().text(10510), false);
            engine().activate(*d);
            return d->handle;
        }
    std::unique_ptr<Drawing> drawing = openNative(path, nullptr);
    if (!drawing)
        return 0;
    Document& d = engine().create(std::move(drawing), path);
    d.onDisk = fileStampOf(path);
    engine().zoomAll(d);
    d.previousViews.clear();
    return d.handle;
}

int cadFileLoad(std::string_view pathView, int format) {
    Document* d = engine().active();
    if (!d || (format != CAD_FORMAT_ANY && format != CAD_FORMAT_NATIVE))
        return 0;
    const std::string path(pathView);
    std::unique_ptr<Drawing> loaded;
    try {
        loaded = readAnyDrawing(path);
    } catch (const FileError& e) {
        engine().reportFileError(e, path);
        return 0;
    }
    if (tablesWouldOverflow(d->drawing(), *loaded)) {
        engine().responder()->tell(engine().text(10501), engine().text(10530), true);
        return 0;
    }
    // A loaded file starts the document's history anew.
    d->load([&](std::unique_ptr<Drawing>& drawing) { mergeDrawing(drawing, std::move(loaded)); });
    engine().tablesChanged();
    engine().zoomAll(*d);
    return 1;
}

int cadFileSave(std::string_view pathView, int format) {
    Document* d = engine().active();
    const std::string path(pathView);
    if (!d || path.empty())
        return 0;
    if (format == CAD_FORMAT_NATIVE)
        return engine().saveAs(*d, path) ? 1 : 0;
    if (format == CAD_FORMAT_DXF) {
        try {
            saveDxf(d->drawing(), path);
            return 1;
        } catch (const FileError& e) {
            engine().reportFileError(e, path);
        }
    }
    return 0;
}

int cadDocGetActive() {
    const Document* d = engine().active();
    return d ? d->handle : 0;
}

int cadDocSetActive(int document) {
    Document* d = engine().find(document);
    if (!d)
        return 0;
    engine().activate(*d);
    return 1;
}

std::vector<int> cadDocList() {
    std::vector<int> handles;
    for (const auto& d : engine().documents())
        handles.push_back(d->handle);
    return handles;
}

int cadDocClose(int document) {
    Document* d = engine().find(document);
    if (!d)
        return 0;
    engine().close(d->handle);
    return 1;
}

std::optional<CadFileStamp> cadDocFileStamp(int document) {
    const Document* d = engine().find(document);
    if (!d || !d->onDisk)
        return std::nullopt;
    return CadFileStamp{d->onDisk->size, d->onDisk->writtenNs, d->onDisk->hash};
}

int cadDocSetFileStamp(int document, const CadFileStamp& stamp) {
    Document* d = engine().find(document);
    if (!d)
        return 0;
    d->onDisk = FileStamp{stamp.size, stamp.writtenNs, stamp.hash};
    return 1;
}

// ---- copies of unsaved work ---------------------------------------------------------------------

std::optional<CadChangeStamp> cadDocChangeStamp(int document) {
    const Document* d = engine().find(document);
    if (!d)
        return std::nullopt;
    return CadChangeStamp{d->drawing().serial, d->drawing().version};
}

bool cadDocWriteCopy(int document, std::string_view path, CadCopyFinished finished) {
    const Document* d = engine().find(document);
    if (!d || path.empty() || engine().copies.pending(d->handle))
        return false;
    return engine().copies.start(d->handle, d->drawing().contentCopy(), std::string(path),
                                 std::move(finished));
}

bool cadDocCopyPending(int document) {
    const Document* d = engine().find(document);
    return d && engine().copies.pending(d->handle);
}

void cadWaitForCopies() {
    engine().copies.waitAll(true);
}

int cadFileRecover(int, std::string_view copyPathView, std::string_view path, std::string* error) {
    std::unique_ptr<Drawing> drawing = openNative(std::string(copyPathView), error);
    if (!drawing)
        return 0;
    // Nothing of it is in its own file yet.
    drawing->modified = true;
    Document& d = engine().create(std::move(drawing), std::string(path));
    engine().zoomAll(d);
    d.previousViews.clear();
    return d.handle;
}

// ---- commands -----------------------------------------------------------------------------------

int cadExecute(int command) {
    const int result = engine().execute(command);
    engine().noticeChanges();
    return result;
}

bool cadCommandExists(int command) {
    return engine().hasCommand(command);
}

// ---- undo ---------------------------------------------------------------------------------------

void cadUndoGroupBegin() {
    Engine& e = engine();
    // A group belongs to the document it began in; a nested one joins it.
    if (e.groupDepth > 0) {
        ++e.groupDepth;
        return;
    }
    Document* d = e.active();
    if (!d)
        return;
    e.group = std::make_unique<Edit>(*d);
    e.groupDocument = d->handle;
    e.groupDepth = 1;
}

void cadUndoGroupEnd() {
    Engine& e = engine();
    if (e.groupDepth == 0 || --e.groupDepth > 0)
        return;
    e.groupDocument = 0;
    if (e.group) {
        e.group->commit();
        e.group.reset();
    }
}

void cadUndoForget() {
    Engine& e = engine();
    Document* d = e.active();
    if (!d)
        return;
    if (e.groupDocument == d->handle) {
        e.groupDocument = 0;
        e.groupDepth = 0;
        if (e.group) {
            e.group->commit();
            e.group.reset();
        }
    }
    d->forgetChanges();
}

bool cadCanUndo() {
    const Document* d = engine().active();
    return d && d->journal.canUndo();
}

bool cadCanRedo() {
    const Document* d = engine().active();
    return d && d->journal.canRedo();
}

namespace cad {

// The commands that need no window: files, closing, whole-drawing zoom, display settings.
void registerDocumentCommands(Engine& e) {
    e.addCommand(CAD_CMD_SAVE, [&e] {
        Document* d = e.active();
        return d && (d->path.empty() ? e.saveWithQuestion(*d) : e.saveAs(*d, d->path)) ? 1 : 0;
    });
    e.addCommand(CAD_CMD_SAVE_AS, [&e] {
        Document* d = e.active();
        return d && e.saveWithQuestion(*d) ? 1 : 0;
    });
    e.addCommand(CAD_CMD_CLOSE, [&e] {
        Document* d = e.active();
        return d && e.closeWithQuestion(d->handle) ? 1 : 0;
    });
    e.addCommand(CAD_CMD_CLOSE_ALL, [&e] {
        // The active document first, then the others from the newest.
        while (Document* current = e.active())
            if (!e.closeWithQuestion(current->handle))
                return 0;
        return 1;
    });
    e.addCommand(CAD_CMD_EXPORT_DXF, [&e] {
        Document* d = e.active();
        if (!d)
            return 0;
        const std::string suggested =
            d->path.empty() ? e.text(10502) + ".dxf"
                            : std::filesystem::path(d->path).replace_extension(".dxf").string();
        const auto chosen = e.responder()->saveFileName(e.text(10552), e.text(10551), suggested);
        if (!chosen || chosen->empty())
            return 0;
        const std::string path = withDefaultExtension(*chosen, ".dxf");
        if (cadFileSave(path, CAD_FORMAT_DXF) == 0)
            return 0;
        e.notice(formatText(e.text(10522), {Engine::pathText(path)}));
        return 1;
    });
    e.addCommand(CAD_CMD_ZOOM_ALL, [&e] {
        Document* d = e.active();
        if (!d)
            return 0;
        e.zoomAll(*d);
        return 1;
    });
    e.addCommand(CAD_CMD_REDRAW, [&e] {
        Document* d = e.active();
        if (!d)
            return 0;
        e.redraw();
        return 1;
    });
    auto display = [&e](int code, auto change) {
        e.addCommand(code, [&e, change] {
            Document* d = e.active();
            if (!d)
                return 0;
            d->changeSettings(change);
            e.redraw();
            return 1;
        });
    };
    display(CAD_CMD_SHOW_WIDTHS, [](DrawingSettings& s) { s.showLineWidths = true; });
    display(CAD_CMD_HIDE_WIDTHS, [](DrawingSettings& s) { s.showLineWidths = false; });
    display(CAD_CMD_FILL_OUTLINES,
            [](DrawingSettings& s) { s.showFillOutlinesOnly = !s.showFillOutlinesOnly; });
}

} // namespace cad

// ---- layers and styles --------------------------------------------------------------------------

int cadLayerAdd(std::string_view name, double width, int color, int fillColor) {
    const Drawing* dr = activeDrawing();
    if (!dr || name.empty())
        return -1;
    int index = dr->findLayer(name);
    if (index < 0 && dr->layers.size() > static_cast<std::size_t>(kMostLayers))
        return -1;
    index = changeActive(-1, [&](ChangeSet& c) {
        const std::size_t i =
            index >= 0 ? static_cast<std::size_t>(index)
                       : static_cast<std::size_t>(
                             c.addLayer(Layer{std::string(name), 0, 0, 0, true, false, true}));
        Layer& l = c.layer(i);
        l.width = width;
        l.color = static_cast<std::uint32_t>(color);
        l.fillColor = static_cast<std::uint32_t>(fillColor);
        return static_cast<int>(i);
    });
    engine().tablesChanged();
    return index;
}

int cadLayerIndex(std::string_view name, int from) {
    const Drawing* dr = activeDrawing();
    return dr ? dr->findLayer(name, from) : -1;
}

int cadLayerActive(int index) {
    Document* d = engine().active();
    if (!d || !inRange(d->drawing().layers, index))
        return 0;
    d->current().layer = index;
    engine().tablesChanged();
    return 1;
}

int cadLayerGetActive() {
    const Drawing* dr = activeDrawing();
    return dr ? dr->current.layer : -1;
}

void cadLayerLabel(std::string_view name, std::string_view label) {
    auto& labels = engine().layerLabels;
    if (label.empty())
        labels.erase(std::string(name));
    else
        labels[std::string(name)] = std::string(label);
    engine().tablesChanged();
}

std::string cadLayerLabelOf(std::string_view name) {
    const auto& labels = engine().layerLabels;
    const auto it = labels.find(name);
    return it == labels.end() ? std::string() : it->second;
}

int cadLayerCount() {
    const Drawing* dr = activeDrawing();
    return dr ? static_cast<int>(dr->layers.size()) : 0;
}

int cadStLineAdd(std::string_view name, std::string_view definition) {
    const Drawing* dr = activeDrawing();
    if (!dr || name.empty())
        return -1;
    int index = dr->findLineStyle(name);
    if (index < 0 && dr->lineStyles.size() > static_cast<std::size_t>(kMostLineStyles))
        return -1;
    index = changeActive(-1, [&](ChangeSet& c) {
        const std::size_t i =
            index >= 0
                ? static_cast<std::size_t>(index)
                : static_cast<std::size_t>(c.addLineStyle(LineStyle{std::string(name), {}, {}}));
        LineStyle& s = c.lineStyle(i);
        s.definition = std::string(definition);
        s.pattern = parseLinePattern(definition);
        return static_cast<int>(i);
    });
    engine().tablesChanged();
    return index;
}

int cadStLineIndex(std::string_view name, int from) {
    const Drawing* dr = activeDrawing();
    return dr ? dr->findLineStyle(name, from) : -1;
}

int cadStLineActive(int index) {
    Document* d = engine().active();
    if (!d || !inRange(d->drawing().lineStyles, index))
        return 0;
    d->current().lineStyle = index;
    engine().tablesChanged();
    return 1;
}

int cadStLineCount() {
    const Drawing* dr = activeDrawing();
    return dr ? static_cast<int>(dr->lineStyles.size()) : 0;
}

int cadStTextAdd(std::string_view name, std::string_view font, double widthFactor,
                 double obliqueAngle, int precision, int filled, int systemFont) {
    const Drawing* dr = activeDrawing();
    if (!dr || name.empty())
        return -1;
    const int index = dr->findTextStyle(name);
    const TextStyle style{std::string(name), std::string(font), widthFactor,    obliqueAngle,
                          precision,         filled != 0,       systemFont != 0};
    return changeActive(-1, [&](ChangeSet& c) {
        if (index < 0)
            return c.addTextStyle(style);
        c.textStyle(static_cast<std::size_t>(index)) = style;
        return index;
    });
}

int cadStTextIndex(std::string_view name, int from) {
    const Drawing* dr = activeDrawing();
    return dr ? dr->findTextStyle(name, from) : -1;
}

int cadStTextActive(int index) {
    Document* d = engine().active();
    if (!d || !inRange(d->drawing().textStyles, index))
        return 0;
    d->current().textStyle = index;
    return 1;
}

std::optional<CadCurrentAttributes> cadGetCurrentAttributes() {
    const Drawing* dr = activeDrawing();
    if (!dr)
        return std::nullopt;
    const CurrentAttributes& c = dr->current;
    return CadCurrentAttributes{c.layer,        c.lineStyle,   c.textStyle, c.textAlign,
                                c.textRotation, c.textOblique, c.textHeight};
}

void cadSetCurrentAttributes(const CadCurrentAttributes& a) {
    Document* d = engine().active();
    if (!d)
        return;
    const Drawing& dr = d->drawing();
    CurrentAttributes& c = d->current();
    if (inRange(dr.layers, a.layer))
        c.layer = a.layer;
    if (inRange(dr.lineStyles, a.lineStyle))
        c.lineStyle = a.lineStyle;
    if (inRange(dr.textStyles, a.textStyle))
        c.textStyle = a.textStyle;
    if (a.textAlign >= 0 && a.textAlign <= 8)
        c.textAlign = a.textAlign;
    c.textRotation = a.textRotation;
    c.textOblique = a.textOblique;
    c.textHeight = a.textHeight;
    engine().tablesChanged();
}

int cadStTextCount() {
    const Drawing* dr = activeDrawing();
    return dr ? static_cast<int>(dr->textStyles.size()) : 0;
}

// ---- entities -----------------------------------------------------------------------------------

void cadPolylineBegin() {
    Document* d = engine().active();
    if (!d)
        return;
    // Vertices of a polyline that was begun and never added are given up.
    d->pendingVertices.emplace();
    d->pendingBulges.clear();
}

int cadVertex(double x, double y) {
    Document* d = engine().active();
    if (!d)
        return 0;
    if (!d->pendingVertices)
        d->pendingVertices.emplace();
    d->pendingVertices->push_back(Vec2{x, y});
    if (!d->pendingBulges.empty())
        d->pendingBulges.resize(d->pendingVertices->size(), 0.0);
    return 1;
}

int cadVertexBulge(double x, double y, double bulge) {
    Document* d = engine().active();
    if (!d || !cadVertex(x, y))
        return 0;
    d->pendingBulges.resize(d->pendingVertices->size(), 0.0);
    d->pendingBulges.back() = bulge;
    return 1;
}

namespace {

// The vertices collected since the last polyline, handed over; nothing when there are none.
std::optional<std::vector<Vec2>> takeVertices(Document& d) {
    if (!d.pendingVertices || d.pendingVertices->empty())
        return std::nullopt;
    std::optional<std::vector<Vec2>> v = std::move(d.pendingVertices);
    d.pendingVertices.reset();
    d.pendingBulges.clear();
    return v;
}

} // namespace

int cadAddPolyline(int fit, int closed) {
    Document* d = engine().active();
    if (!d)
        return -1;
    std::vector<double> bulges = std::move(d->pendingBulges);
    d->pendingBulges.clear();
    const auto v = takeVertices(*d);
    if (!v)
        return -1;
    return changeActive(-1, [&](ChangeSet& c) {
        if (fit == 0 && !bulges.empty()) {
            bulges.resize(v->size(), 0.0);
            return c.addPolyline(*v, bulges, closed != 0);
        }
        return c.addPolyline(*v, closed != 0, static_cast<std::uint8_t>(std::clamp(fit, 0, 255)));
    });
}

int cadAddSpline(int closed) {
    Document* d = engine().active();
    if (!d)
        return -1;
    const auto v = takeVertices(*d);
    if (!v)
        return -1;
    return changeActive(-1, [&](ChangeSet& c) { return c.addSpline(*v, closed != 0); });
}

int cadAddPoint(double x, double y) {
    return changeActive(-1, [&](ChangeSet& c) { return c.addPoint({{x, y}}); });
}

int cadAddLine(double x1, double y1, double x2, double y2) {
    return changeActive(-1, [&](ChangeSet& c) { return c.addLine({{x1, y1}, {x2, y2}}); });
}

int cadAddCircle(double x, double y, double radius) {
    return changeActive(-1, [&](ChangeSet& c) { return c.addCircle({{x, y}, radius}); });
}

int cadAddArc(double x, double y, double radius, double startAngle, double endAngle) {
    return changeActive(-1, [&](ChangeSet& c) {
        return c.addArc({{x, y}, radius, startAngle, endAngle});
    });
}

int cadAddSector(double x, double y, double radius, double startAngle, double endAngle) {
    return changeActive(-1, [&](ChangeSet& c) {
        return c.addSector({{x, y}, radius, startAngle, endAngle});
    });
}

int cadAddEllipse(double x, double y, double radiusX, double radiusY, double rotation,
                  double startAngle, double endAngle) {
    return changeActive(-1, [&](ChangeSet& c) {
        return c.addEllipse({{x, y}, radiusX, radiusY, rotation, startAngle, endAngle});
    });
}

int cadAddRectangle(double x, double y, double width, double height, double rotation) {
    return changeActive(-1, [&](ChangeSet& c) {
        return c.addRectangle({{x, y}, width, height, rotation});
    });
}

int cadHatchLoop() {
    Document* d = engine().active();
    if (!d)
        return 0;
    const auto v = takeVertices(*d);
    if (!v)
        return 0;
    d->hatchLoops.push_back(static_cast<std::uint32_t>(v->size()));
    d->hatchVertices.insert(d->hatchVertices.end(), v->begin(), v->end());
    return 1;
}

int cadAddHatch(std::string_view pattern, int solid, double scale, double angle) {
    Document* d = engine().active();
    if (!d || d->hatchLoops.empty())
        return -1;
    HatchSpec h;
    h.pattern = std::string(pattern);
    h.solid = solid != 0;
    h.scale = scale;
    h.angle = angle;
    h.loops = std::move(d->hatchLoops);
    const std::vector<Vec2> v = std::move(d->hatchVertices);
    d->hatchLoops.clear();
    d->hatchVertices.clear();
    // Vertices of an unfinished loop after the last one do not belong to the hatch.
    d->pendingVertices.reset();
    return changeActive(-1, [&](ChangeSet& c) { return c.addHatch(v, h); });
}

int cadAddImage(std::string_view path, double x, double y, double width, double height) {
    return changeActive(-1, [&](ChangeSet& c) {
        return c.addImage({std::string(path), {x, y}, width, height});
    });
}

int cadAddInsert(int block, double x, double y, double scaleX, double scaleY, double angle) {
    const Drawing* dr = activeDrawing();
    if (!dr || !inRange(dr->blocks, block))
        return -1;
    return changeActive(-1, [&](ChangeSet& c) {
        return c.addInsert({block, {x, y}, scaleX, scaleY, angle});
    });
}

int cadSetTextParam(int parameter, double value) {
    Document* d = engine().active();
    if (!d)
        return 0;
    CurrentAttributes& c = d->current();
    switch (parameter) {
    case CAD_TEXT_ALIGN:
        if (!(value >= 0 && value <= 8))
            return 0;
        c.textAlign = static_cast<int>(value);
        return 1;
    case CAD_TEXT_ROTATION:
        c.textRotation = value;
        return 1;
    case CAD_TEXT_OBLIQUE:
        c.textOblique = value;
        return 1;
    case CAD_TEXT_HEIGHT:
        c.textHeight = value;
        return 1;
    default:
        return 0;
    }
}

int cadAddText(double x, double y, std::string_view text) {
    return changeActive(-1, [&](ChangeSet& ch) {
        const CurrentAttributes& c = ch.current();
        return ch.addText(TextSpec{{x, y},
                                   c.textHeight,
                                   c.textRotation,
                                   c.textOblique,
                                   c.textAlign,
                                   c.textStyle,
                                   std::string(text)});
    });
}

// ---- blocks -------------------------------------------------------------------------------------

void cadBlockBegin() {
    Document* d = engine().active();
    if (d)
        d->blockStart = d->drawing().entities.size();
}

int cadBlockAdd(std::string_view name, double baseX, double baseY) {
    Document* d = engine().active();
    if (!d || !d->blockStart || name.empty())
        return -1;
    const std::size_t first = *d->blockStart;
    d->blockStart.reset();
    return changeActive(-1, [&](ChangeSet& c) { return c.makeBlock(name, {baseX, baseY}, first); });
}

int cadBlockAddF(std::string_view pathView, std::string_view name) {
    const Drawing* dr = activeDrawing();
    if (!dr)
        return -1;
    const std::string path(pathView);
    std::unique_ptr<Drawing> source;
    try {
        if (std::filesystem::is_directory(path))
            throw FileError(FileError::Kind::CannotOpen, path + " is a folder");
        source = loadNative(path);
    } catch (const FileError& e) {
        engine().reportFileError(e, path);
        return -1;
    }
    if (tablesWouldOverflow(*dr, *source)) {
        engine().responder()->tell(engine().text(10501), engine().text(10530), true);
        return -1;
    }
    const int copied = changeActive(-1, [&](ChangeSet& c) { return copyBlocks(c, *source, name); });
    engine().tablesChanged();
    return copied;
}

std::vector<std::string> cadBlockNamesF(std::string_view path) {
    std::vector<std::string> names;
    try {
        const std::string file(path);
        if (std::filesystem::is_directory(file))
            return names;
        const std::unique_ptr<Drawing> drawing = loadNative(file);
        for (const Block& b : drawing->blocks)
            names.push_back(b.name);
    } catch (const FileError&) {
        names.clear();
    }
    return names;
}

void cadBlockPaperSize(std::string_view name, double millimetres) {
    auto& sizes = engine().blockPaperMm;
    if (millimetres > 0 && std::isfinite(millimetres))
        sizes[std::string(name)] = millimetres;
    else
        sizes.erase(std::string(name));
}

int cadBlockCount() {
    const Drawing* dr = activeDrawing();
    return dr ? static_cast<int>(dr->blocks.size()) : 0;
}

int cadBlockIndex(std::string_view name) {
    const Drawing* dr = activeDrawing();
    return dr ? dr->findBlock(name) : -1;
}

// ---- walking, selection and view ----------------------------------------------------------------

int cadGetEntity(int request, int, int) {
    Document* d = engine().active();
    if (!d)
        return -1;
    if (request == CAD_GET_FIRST)
        return d->walk.first(d->drawing());
    if (request == CAD_GET_NEXT)
        return d->walk.next(d->drawing());
    return -1;
}

int cadSelect(int select, int entity) {
    Document* d = engine().active();
    if (!d)
        return 0;
    if (entity == -1) {
        d->selectAll(select != 0);
        return 1;
    }
    return d->select(entity, select != 0) ? 1 : 0;
}

int cadSelectedCount() {
    const Drawing* dr = activeDrawing();
    return dr ? dr->selectedCount() : 0;
}

int cadZoom(double value) {
    Document* d = engine().active();
    if (!d)
        return 0;
    if (value == CAD_ZOOM_ALL) {
        engine().zoomAll(*d);
        return 1;
    }
    if (value == CAD_ZOOM_PREVIOUS) {
        if (d->previousViews.empty())
            return 0;
        d->view = d->previousViews.back();
        d->previousViews.pop_back();
        engine().redraw();
        return 1;
    }
    if (value == CAD_ZOOM_SELECTION) {
        const Rect r = d->drawing().selectionExtents();
        if (r.empty())
            return 0;
        engine().zoomTo(*d, r);
        return 1;
    }
    if (!(value > 0) || !std::isfinite(value))
        return 0;
    const double perPixel = d->view.unitsPerPixel / value;
    if (!std::isfinite(perPixel) || perPixel <= 0 ||
        perPixel < std::numeric_limits<double>::min() * 1e6)
        return 0;
    engine().pushView(*d);
    d->view.unitsPerPixel = perPixel;
    engine().redraw();
    return 1;
}

int cadZoomRect(const CadRect& part) {
    Document* d = engine().active();
    Rect r;
    r.add(part.left, part.bottom);
    r.add(part.right, part.top);
    if (!d || r.empty() || !std::isfinite(r.width()) || !std::isfinite(r.height()))
        return 0;
    engine().zoomTo(*d, r);
    return 1;
}

void cadUpdate() {
    engine().redraw();
}
void cadRedraw() {
    engine().redraw();
}

std::optional<CadRect> cadViewRect() {
    const Document* d = engine().active();
    return d ? toCadRect(d->view.rect()) : std::nullopt;
}

std::optional<CadRect> cadDrawingExtents() {
    const Drawing* dr = activeDrawing();
    return dr ? toCadRect(dr->extents()) : std::nullopt;
}

std::optional<CadRect> cadEntityExtents(int entity) {
    const Drawing* dr = activeDrawing();
    return dr ? toCadRect(dr->entityExtents(entity)) : std::nullopt;
}

std::vector<double> cadPolylineBulges(int entity) {
    std::vector<double> out;
    const Drawing* dr = activeDrawing();
    if (!dr || !dr->valid(entity))
        return out;
    const Entity& e = dr->entities[static_cast<std::size_t>(entity)];
    if (e.type != EntityType::Polyline)
        return out;
    const BulgeView b = dr->bulgesOf(e);
    for (std::uint32_t i = 0; i < e.count; ++i)
        out.push_back(b[i]);
    return out;
}

std::vector<double> cadPolylineVertices(int entity) {
    std::vector<double> xy;
    const Drawing* dr = activeDrawing();
    if (!dr || !dr->valid(entity))
        return xy;
    const Entity& e = dr->entities[static_cast<std::size_t>(entity)];
    if (e.type != EntityType::Polyline && e.type != EntityType::Spline &&
        e.type != EntityType::Hatch)
        return xy;
    const Vec2* v = dr->vertexData(e);
    xy.reserve(2 * e.count);
    for (std::uint32_t i = 0; i < e.count; ++i) {
        xy.push_back(v[i].x);
        xy.push_back(v[i].y);
    }
    return xy;
}
