#include "import/RoadDesignReader.h"

#include "engine/CadApi.h"
#include "import/KwlLineReader.h"
#include "import/Styles.h"
#include "import/Unit_progres.h"
#include "import/brostotwpliki.h"
#include "support/Cp1250.h"
#include "support/Platform.h"
#include "support/brdodatkirozn.h"

#include <QApplication>
#include <QWidget>

#include <chrono>

long long FileSize = 0;

namespace {

bool isHeader(std::string_view field) {
    const std::string_view bare = kRoadDesignHeader;
    return field == bare || (field.size() == bare.size() + 2 && field.front() == '"' &&
                             field.back() == '"' && field.substr(1, bare.size()) == bare);
}

QString applicationTitle() {
    if (QWidget* w = AttachedMainWindow().window)
        return w->windowTitle();
    return QApplication::applicationName();
}

class Reader {
public:
    Reader(const QString& path, double shiftX, double shiftY)
        : path_(path), shiftX_(shiftX), shiftY_(shiftY), currentX_(shiftX), currentY_(shiftY) {}

    int run();

private:
    // One pass over a record line; false when reading stops.
    bool record();
    // Ends the pending polyline; false when the person confirmed a cancel.
    bool endPolyline(bool mayCancel);
    // True when nothing but empty lines is left in the file.
    bool onlyEmptyLinesLeft();
    void beginPolyline(double x, double y);
    void addVertex(double x, double y);
    void text(double x, double y);
    void notARoadDrawing() const;
    // Every hundredth line gives the person's input (a click on "Anuluj") a chance, at most
    // about a hundred times a second: asking the window system takes longer than reading a
    // hundred lines.
    void letEventsRun();

    QString path_;
    double shiftX_, shiftY_;
    KwlLineReader* lines_ = nullptr;
    std::string line_;
    long long lineCount_ = 0;
    long long byteCount_ = 0;
    bool pending_ = false;
    int vertices_ = 0;
    // The pen stands at the shifted origin until the file moves it.
    double currentX_, currentY_;
    int kind_ = 0;
    bool eventsRan_ = false;
    std::chrono::steady_clock::time_point lastEvents_;
};

void Reader::letEventsRun() {
    const auto now = std::chrono::steady_clock::now();
    if (eventsRan_ && now - lastEvents_ < std::chrono::milliseconds(10))
        return;
    eventsRan_ = true;
    CurrentPlatform().processEvents();
    lastEvents_ = std::chrono::steady_clock::now();
}

int Reader::run() {
    Busy = true;
    // A request left over from earlier work (a block load) must not cancel this read.
    CancelRequested = CancelConfirmed = false;
    SetStatusText(ToCp1250(QString::fromUtf8(u8"Wczytywanie pliku ") + path_));
    SetBusyCursor(true);
    LockUserInterface();
    ShowProgress(QStringLiteral("Otwieranie pliku KWL"), QStringLiteral("Stan zaawansowania:"),
                 FileSize);
    {
        KwlLineReader lines(path_);
        lines_ = &lines;
        FieldSplitter& f = SharedSplitter();
        f.separator = ",";
        SelectOrCreateLayer("1");
        while (!lines.atEnd()) {
            ++lineCount_;
            if (lineCount_ == 1) {
                lines.readLine(f.line);
                f.split();
                if (!isHeader(f.field(1))) {
                    notARoadDrawing();
                    break;
                }
                lines.readLine(f.line);
                f.split();
                // A missing field reads as the no-value number, which is not 0.
                kind_ = (f.real(2) == 0.0 && f.real(3) == 0.0) ? 1 : 2;
                continue;
            }
            if (!record())
                break;
        }
        // An empty file has no header either.
        if (lineCount_ == 0)
            notARoadDrawing();
        // A polyline still open at the end of the file has no record after it to end it; it
        // is kept rather than lost.
        if (pending_)
            endPolyline(false);
        lines_ = nullptr;
    }
    SetStatusText(ToCp1250(QString::fromUtf8(u8"Wczytywanie pliku ") + path_ +
                           QString::fromUtf8(u8" zakończone")));
    cadExecute(CAD_CMD_REDRAW);
    cadExecute(CAD_CMD_ZOOM_ALL);
    SetBusyCursor(false);
    ClearMainProgress();
    CloseProgress();
    Busy = false;
    CancelRequested = CancelConfirmed = false;
    UnlockUserInterface();
    return kind_;
}

void Reader::notARoadDrawing() const {
    CurrentPlatform().messageBox(applicationTitle(),
                                 QString::fromUtf8(u8"Wybrany plik \"") + path_ +
                                     QString::fromUtf8(u8"\" nie jest właściwym plikiem "
                                                       u8"projektu KWL"),
                                 kMbOk);
}

bool Reader::record() {
    FieldSplitter& f = SharedSplitter();
    lines_->readLine(f.line);
    byteCount_ += static_cast<long long>(f.line.size()) + 2;
    SetProgressPosition(byteCount_);
    StepMainProgress(byteCount_);
    if (lineCount_ % 100 == 0)
        letEventsRun();
    f.split();
    if (f.line.size() < 2) {
        // Empty lines that only end the file (an extra line end is common) lose nothing.
        if (f.line.empty() && onlyEmptyLinesLeft()) {
            if (pending_)
                endPolyline(false);
            return false;
        }
        ShowMessageBox(
            kMbError, QStringLiteral("Błąd w pliku"),
            QString::fromUtf8(u8"Niekompletne dane w pliku, przerwano wczytywanie rysunku"));
        if (pending_)
            endPolyline(false);
        return false;
    }
    const auto kind = static_cast<unsigned char>(f.line[0]);
    const auto sub = static_cast<unsigned char>(f.line[1]);
    if (pending_ && ((kind == 1 && vertices_ > 1) || kind > 2 || (kind == 2 && sub == 3))) {
        if (!endPolyline(true))
            return false;
    }
    switch (kind) {
    case 1: {
        const int layer = sub <= 38 ? sub + 30 : sub;
        SelectOrCreateLayer(std::to_string(layer));
        break;
    }
    case 2:
        if (sub == 3)
            beginPolyline(f.real(2) + shiftX_, f.real(3) + shiftY_);
        else if (sub == 2)
            addVertex(f.real(2) + shiftX_, f.real(3) + shiftY_);
        break;
    case 3:
    case 4:
        text(f.real(2) + shiftX_, f.real(3) + shiftY_);
        break;
    default:
        break;
    }
    return true;
}

bool Reader::onlyEmptyLinesLeft() {
    std::string next;
    while (!lines_->atEnd()) {
        lines_->readLine(next);
        if (!next.empty())
            return false;
    }
    return true;
}

bool Reader::endPolyline(bool mayCancel) {
    const bool add = vertices_ > 1;
    pending_ = false;
    vertices_ = 0;
    if (!add)
        return true;
    try {
        cadAddPolyline(0, 0);
    } catch (const std::exception&) {
        // A polyline the engine cannot take is left out; the rest of the drawing goes on.
        cadExecute(CAD_CMD_REDRAW);
    }
    if (mayCancel && CancelRequested) {
        if (CancelConfirmed || ConfirmCancel()) {
            CloseProgress();
            return false;
        }
        CancelRequested = false;
    }
    return true;
}

void Reader::beginPolyline(double x, double y) {
    pending_ = true;
    cadPolylineBegin();
    currentX_ = x;
    currentY_ = y;
    cadVertex(x, y);
    vertices_ = 1;
}

void Reader::addVertex(double x, double y) {
    if (vertices_ == 0)
        beginPolyline(currentX_, currentY_);
    currentX_ = x;
    currentY_ = y;
    cadVertex(x, y);
    ++vertices_;
}

void Reader::text(double x, double y) {
    FieldSplitter& f = SharedSplitter();
    lines_->readLine(f.line);
    f.split();
    const double t1 = f.real(1), t2 = f.real(2), t3 = f.real(3), t4 = f.real(4);
    std::string text;
    lines_->readLine(text);
    cadSetTextParam(CAD_TEXT_ALIGN, 0);
    cadSetTextParam(CAD_TEXT_OBLIQUE, t4);
    cadSetTextParam(CAD_TEXT_ROTATION, t3);
    cadSetTextParam(CAD_TEXT_HEIGHT, 1.17 * t1 * t2);
    cadAddText(x, y, text);
}

} // namespace

int ReadRoadDesignDrawing(const QString& path, double shiftX, double shiftY) {
    return Reader(path, shiftX, shiftY).run();
}
