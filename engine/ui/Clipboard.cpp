#include "engine/ui/Clipboard.h"

#include "engine/io/FileError.h"
#include "engine/io/NativeFormat.h"
#include "engine/render/Picture.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace cad {

namespace {

// The longer side of the pictures other programs get, in pixels.
constexpr int kPictureSide = 1600;

QClipboard* clipboard() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance())
               ? QGuiApplication::clipboard()
               : nullptr;
}

} // namespace

void putOnClipboard(const Drawing& part) {
    QClipboard* board = clipboard();
    if (!board)
        return;
    auto* data = new QMimeData;
    const std::string bytes = writeNative(part);
    data->setData(QString::fromLatin1(kDrawingMimeType),
                  QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    const QSize size = pictureSize(part, kPictureSide);
    QByteArray svg;
    QBuffer buffer(&svg);
    if (buffer.open(QIODevice::WriteOnly) && writeSvg(part, size.width(), size.height(), buffer))
        data->setData(QStringLiteral("image/svg+xml"), svg);
    const QImage image = pictureOf(part, size.width(), size.height());
    if (!image.isNull())
        data->setImageData(image);
    board->setMimeData(data);
}

bool clipboardHoldsDrawing() {
    QClipboard* board = clipboard();
    const QMimeData* data = board ? board->mimeData() : nullptr;
    return data && data->hasFormat(QString::fromLatin1(kDrawingMimeType));
}

std::unique_ptr<Drawing> drawingOnClipboard() {
    QClipboard* board = clipboard();
    const QMimeData* data = board ? board->mimeData() : nullptr;
    if (!data || !data->hasFormat(QString::fromLatin1(kDrawingMimeType)))
        return nullptr;
    const QByteArray bytes = data->data(QString::fromLatin1(kDrawingMimeType));
    // Whatever goes wrong in reading what another program left (a damaged drawing, one too
    // large for memory), nothing is pasted and the program goes on.
    try {
        return readNative({bytes.constData(), static_cast<std::size_t>(bytes.size())});
    } catch (...) {
        return nullptr;
    }
}

} // namespace cad
