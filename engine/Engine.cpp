#include "engine/Engine.h"

#include "engine/io/FileError.h"
#include "engine/io/NativeFormat.h"
#include "engine/ui/QtResponder.h"

#include <QFile>
#include <QStringEncoder>
#include <QtGlobal>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <map>

namespace cad {

namespace {} // namespace

// The literal two characters backslash and n in a text stand for a line break.
std::string withLineBreaks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
            out += '\n';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

namespace {

std::string fileNameOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

Engine::Engine() {
    registerDocumentCommands(*this);
    registerViewCommands(*this);
    registerMeasureCommand(*this);
    registerDialogCommands(*this);
    registerEditCommands(*this);
    registerSelectionCommands(*this);
    registerDrawCommands(*this);
    registerPlaceCommands(*this);
    registerHatchCommand(*this);
    registerModifyCommands(*this);
    registerOffsetTrimCommands(*this);
    registerCornerCommands(*this);
    registerPieceCommands(*this);
    registerArrayCommand(*this);
    registerClipboardCommands(*this);
    registerOrderCommands(*this);
    registerSnapCommands(*this);
    registerSheetCommands(*this);
    registerDimensionCommands(*this);
}

bool Engine::undo(Document& d) {
    return step(d, true);
}

bool Engine::redo(Document& d) {
    return step(d, false);
}

bool Engine::step(Document& d, bool back) {
    // A change being recorded is not taken back under whoever records it.
    if (d.recording)
        return false;
    const ChangeSet* next = back ? d.journal.nextUndo() : d.journal.nextRedo();
    if (!next) {
        // Said where it does not stop the person: a held Ctrl+Z runs into it again and again.
        notice(text(back ? 10503 : 10504));
        return false;
    }
    const Drawing& dr = d.drawing();
    // What it changes is drawn again where it was and where it is.
    Rect area;
    const auto addArea = [&] {
        for (const std::uint32_t h : next->kept())
            area.add(dr.entityExtents(static_cast<int>(h)));
        for (std::uint32_t h = next->addedFrom(); h < next->addedTo(); ++h)
            area.add(dr.entityExtents(static_cast<int>(h)));
    };
    addArea();
    std::vector<std::uint32_t> touched;
    if (back)
        d.journal.undo(&touched);
    else
        d.journal.redo(&touched);
    addArea();
    d.selectAll(false);
    for (const std::uint32_t h : touched)
        d.select(static_cast<int>(h), true);
    d.tidy();
    if (next->changesTables()) {
        tablesChanged();
        // Print areas are drawn over the drawing: a change of them alone leaves its picture.
        if (next->changesDrawnTables())
            redraw();
        else
            redrawArea(d, area);
    } else {
        redrawArea(d, area);
    }
    return true;
}

Engine& Engine::instance() {
    static Engine engine;
    return engine;
}

Document* Engine::find(int handle) {
    if (handle == -1 || handle == active_)
        return activeDoc_;
    for (auto& d : documents_)
        if (d->handle == handle)
            return d.get();
    return nullptr;
}

Document& Engine::create(std::unique_ptr<Drawing> drawing, std::string path) {
    auto doc = std::make_unique<Document>(std::move(drawing));
    doc->handle = nextHandle_++;
    doc->path = std::move(path);
    documents_.push_back(std::move(doc));
    Document& d = *documents_.back();
    notify(d.handle, CAD_MSG_DOC_CREATED);
    activate(d);
    return d;
}

void Engine::activate(Document& d) {
    if (active_ == d.handle)
        return;
    active_ = d.handle;
    activeDoc_ = &d;
    if (window)
        window->documentChanged();
    tablesChanged();
    notify(d.handle, CAD_MSG_DOC_EVENT, CAD_DOC_ACTIVATED);
}

void Engine::close(int handle) {
    const auto it = std::find_if(documents_.begin(), documents_.end(),
                                 [&](const auto& d) { return d->handle == handle; });
    if (it == documents_.end())
        return;
    if (window)
        window->documentClosing(handle);
    if (groupDocument == handle) {
        // The group's change goes with its document.
        groupDocument = 0;
        if (group) {
            group->commit();
            group.reset();
        }
    }
    // The program hears of the closing while no document is active yet: nothing it asks for
    // may reach the closed one.
    const bool wasActive = active_ == handle;
    if (wasActive) {
        active_ = 0;
        activeDoc_ = nullptr;
    }
    documents_.erase(it);
    notify(handle, CAD_MSG_DOC_CLOSED);
    if (wasActive) {
        if (!documents_.empty()) {
            activate(*documents_.back());
        } else {
            if (window)
                window->documentChanged();
            tablesChanged();
            notify(0, CAD_MSG_DOC_EVENT, CAD_DOC_ACTIVATED);
        }
    }
}

std::shared_ptr<CadResponder> Engine::responder() {
    if (!responder_)
        responder_ = std::make_shared<QtResponder>();
    return responder_;
}

std::shared_ptr<CadResponder> Engine::setResponder(std::shared_ptr<CadResponder> r) {
    auto previous = std::move(responder_);
    responder_ = std::move(r);
    return previous;
}

int Engine::notify(int document, int message, int prm1) {
    if (!handler)
        return 0;
    return handler(document, message, prm1, 0, 0.0, 0.0, nullptr);
}

std::string Engine::text(int number) {
    Q_ASSERT_X(ownText(number), "Engine::text",
               "every text the engine shows belongs in engine/Texts.cpp");
    return lookUpText(number);
}

std::string Engine::lookUpText(int number) {
    if (handler) {
        textAnswer.clear();
        if (handler(active_, CAD_MSG_TEXT, number, 0, 0.0, 0.0, nullptr) == 1)
            return textAnswer;
    }
    return std::string(ownText(number).value_or(std::string_view()));
}

void Engine::reportFileError(const FileError& error, const std::string& path) {
    int number = 10516;
    switch (error.kind()) {
    case FileError::Kind::NewerVersion:
        number = 10509;
        break;
    case FileError::Kind::Damaged:
        number = 10512;
        break;
    case FileError::Kind::BrokenDxf:
        number = 10514;
        break;
    case FileError::Kind::CannotWrite:
        number = 10513;
        break;
    case FileError::Kind::NotReadBack:
        // What the reader found is part of the message.
        responder()->tell(text(10501),
                          withLineBreaks(formatText(text(10531), {path, error.what()})), true);
        return;
    default:
        break;
    }
    responder()->tell(text(10501), withLineBreaks(formatText(text(number), {pathText(path)})),
                      true);
}

std::string Engine::layerTitle(const std::string& name) const {
    const auto it = layerLabels.find(name);
    return it == layerLabels.end() ? name : name + " - " + it->second;
}

void Engine::notice(const std::string& text) {
    if (onNotice)
        onNotice(text);
}

std::string Engine::pathText(const std::string& path) {
    // File names are the file system's bytes (UTF-8); messages are Windows-1250.
    QStringEncoder encoder("windows-1250");
    return QByteArray(encoder(QFile::decodeName(QByteArray::fromStdString(path)))).toStdString();
}

std::string Engine::displayName(const Document& d) {
    return d.path.empty() ? text(10502) : pathText(fileNameOf(d.path));
}

bool Engine::saveAs(Document& d, const std::string& path) {
    // Over its own file: only when nobody changed that file since this document read or wrote
    // it, or the person says so.
    if (path == d.path) {
        const std::optional<FileStamp> now = fileStampOf(path);
        if (now && now != d.onDisk &&
            responder()->ask(text(10501), formatText(text(10520), {displayName(d)}), false) !=
                CAD_ASK_YES)
            return false;
    }
    try {
        saveNative(d.drawing(), path);
    } catch (const FileError& e) {
        reportFileError(e, path);
        return false;
    }
    d.saved();
    d.onDisk = fileStampOf(path);
    if (d.path != path) {
        d.path = path;
        notify(d.handle, CAD_MSG_DOC_RENAMED);
    }
    notify(d.handle, CAD_MSG_DOC_SAVED);
    notice(formatText(text(10521), {pathText(path)}));
    noticeChanges();
    return true;
}

bool Engine::saveWithQuestion(Document& d) {
    std::string suggested = d.path.empty() ? text(10502) + ".rdw" : d.path;
    const auto path = responder()->saveFileName(text(19003), text(10541), suggested);
    if (!path || path->empty())
        return false;
    return saveAs(d, withDefaultExtension(*path, ".rdw"));
}

bool Engine::closeWithQuestion(int handle) {
    Document* d = find(handle);
    if (!d)
        return true;
    if (d->modified()) {
        const int answer =
            responder()->ask(text(10501), formatText(text(10507), {displayName(*d)}), true);
        if (answer == CAD_ASK_CANCEL)
            return false;
        if (answer == CAD_ASK_YES) {
            const bool saved = d->path.empty() ? saveWithQuestion(*d) : saveAs(*d, d->path);
            if (!saved)
                return false;
        }
    }
    close(d->handle);
    return true;
}

void Engine::noticeChanges() {
    Document* d = active();
    if (d && d->modified() != d->toldModified) {
        d->toldModified = !d->toldModified;
        notify(d->handle, CAD_MSG_DOC_MODIFIED, d->toldModified ? 1 : 0);
    }
    const std::array<std::uint64_t, 3> now = {d ? static_cast<std::uint64_t>(d->handle) : 0,
                                              d && d->journal.canUndo() ? 1u : 0u,
                                              d && d->journal.canRedo() ? 1u : 0u};
    if (now != noticed_) {
        noticed_ = now;
        tablesChanged();
    }
}

void Engine::redraw() {
    if (window)
        window->refresh();
}

void Engine::redrawArea(const Document& d, const Rect& area) {
    if (window && &d == activeDoc_)
        window->refreshArea(area);
}

void Engine::pushView(Document& d) {
    d.previousViews.push_back(d.view);
    if (d.previousViews.size() > 32)
        d.previousViews.erase(d.previousViews.begin());
}

void Engine::zoomTo(Document& d, const Rect& r) {
    if (r.empty())
        return;
    pushView(d);
    // A margin of 5 % around what must be seen; a point or a line along an axis still gets a
    // view of some size.
    double w = r.width(), h = r.height();
    const double size = std::max(w, h);
    const double minimum = size > 0 ? size * 1e-3 : std::max(1.0, std::abs(r.left) * 1e-9);
    w = std::max(w, minimum);
    h = std::max(h, minimum);
    const double perPixel = std::max(w / d.view.widthPx, h / d.view.heightPx) * 1.05;
    d.view.centre = r.centre();
    if (std::isfinite(perPixel) && perPixel > 0)
        d.view.unitsPerPixel = perPixel;
    if (&d == activeDoc_)
        redraw();
}

void Engine::zoomAll(Document& d) {
    zoomTo(d, d.drawing().extents());
}

void Engine::reset() {
    // Copies still being written finish unheard: whoever started them is gone.
    copies.waitAll(false);
    // Commands working on the documents end first.
    if (window)
        for (const auto& d : documents_)
            window->documentClosing(d->handle);
    groupDocument = 0;
    groupDepth = 0;
    if (group) {
        group->commit();
        group.reset();
    }
    documents_.clear();
    active_ = 0;
    activeDoc_ = nullptr;
    nextHandle_ = 1;
    handler = nullptr;
    responder_.reset();
    textAnswer.clear();
    confirmDelete = 1;
    windowCaption.clear();
    window = nullptr;
    onCursor = nullptr;
    onPrompt = nullptr;
    inputField = nullptr;
    onNotice = nullptr;
    noticed_ = {};
    layerLabels.clear();
    blockPaperMm.clear();
    snaps = SnapSettings{};
    observers_.clear();
}

double millimetresPerUnit(int units) {
    switch (units) {
    case 1:
        return 25.4;
    case 3:
        return 10;
    case 4:
        return 1000;
    default:
        return 1;
    }
}

std::string formatNumber(double value, int decimals) {
    char buffer[64];
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (ec != std::errc()) {
        const auto [end2, ec2] = std::to_chars(buffer, buffer + sizeof buffer, value);
        return ec2 == std::errc() ? std::string(buffer, end2) : std::string("?");
    }
    return std::string(buffer, end);
}

std::string withDefaultExtension(std::string path, std::string_view extension) {
    const auto slash = path.find_last_of('/');
    const std::string_view name =
        std::string_view(path).substr(slash == std::string::npos ? 0 : slash + 1);
    // A name of dots alone, or one that starts with its only dot, has no extension either.
    const auto dot = name.find_last_of('.');
    if (!name.empty() && (dot == std::string_view::npos || dot == 0))
        path += extension;
    return path;
}

std::string formatText(std::string_view format, std::initializer_list<TextArg> values) {
    std::string out;
    auto next = values.begin();
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || i + 1 >= format.size()) {
            out += format[i];
            continue;
        }
        if (format[i + 1] == '%') {
            out += '%';
            ++i;
            continue;
        }
        // %s, %d, %f or %.Nf
        std::size_t j = i + 1;
        int decimals = 6;
        if (format[j] == '.') {
            decimals = 0;
            ++j;
            while (j < format.size() && format[j] >= '0' && format[j] <= '9' && decimals < 20)
                decimals = decimals * 10 + (format[j++] - '0');
        }
        const char kind = j < format.size() ? format[j] : '\0';
        if ((kind != 's' && kind != 'd' && kind != 'f') || next == values.end()) {
            out += format[i];
            continue;
        }
        const TextArg& v = *next++;
        if (v.kind == TextArg::Kind::Text)
            out += v.text;
        else if (kind == 'f')
            out += formatNumber(v.number, decimals);
        else if (v.kind == TextArg::Kind::Integer || kind == 'd')
            out += formatNumber(std::round(v.number), 0);
        else
            out += formatNumber(v.number, 3);
        i = j;
    }
    return out;
}

} // namespace cad
