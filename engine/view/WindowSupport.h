// What the drawing window's files share: limits in pixels, its keys, colours and small tests.
// Internal to engine/view/DrawingWindow.cpp, WindowCommands.cpp and WindowInput.cpp.
#pragma once

#include "engine/CadApi.h"
#include "engine/Engine.h"

#include <QColor>
#include <QKeyCombination>
#include <QString>

#include <span>
#include <utility>

namespace cad::window {

inline bool sameView(const View& a, const View& b) {
    return a.centre.x == b.centre.x && a.centre.y == b.centre.y &&
           a.unitsPerPixel == b.unitsPerPixel && a.widthPx == b.widthPx && a.heightPx == b.heightPx;
}

// Up to this many selected entities show their grips.
constexpr std::size_t kMostGripped = 300;
constexpr int kGripPixels = 7;
// A press that moves farther than this, in pixels, drags a selection window.
constexpr int kDragPixels = 3;

inline QColor windowColor(bool crossing) {
    return crossing ? QColor(0, 160, 0) : QColor(0, 90, 220);
}

// The editor's keys and the commands they run.
inline std::span<const std::pair<QKeyCombination, int>> editorKeys() {
    static const std::pair<QKeyCombination, int> keys[] = {
        {Qt::CTRL | Qt::Key_Z, CAD_CMD_UNDO},
        {Qt::CTRL | Qt::Key_Y, CAD_CMD_REDO},
        {Qt::CTRL | Qt::SHIFT | Qt::Key_Z, CAD_CMD_REDO},
        {QKeyCombination(Qt::Key_Delete), CAD_CMD_ERASE},
        {Qt::CTRL | Qt::Key_X, CAD_CMD_CUT},
        {Qt::CTRL | Qt::Key_C, CAD_CMD_COPY_TO_CLIPBOARD},
        {Qt::CTRL | Qt::Key_V, CAD_CMD_PASTE},
        {Qt::SHIFT | Qt::Key_Delete, CAD_CMD_CUT},
        {Qt::CTRL | Qt::Key_Insert, CAD_CMD_COPY_TO_CLIPBOARD},
        {Qt::SHIFT | Qt::Key_Insert, CAD_CMD_PASTE},
    };
    return keys;
}

// The prompt while a typed entry cannot be read: coordinates, or a value.
constexpr int kMalformedEntry = 19361, kMalformedValue = 19362;

// A character that begins typed coordinates.
inline bool beginsCoordinates(const QString& text) {
    if (text.size() != 1)
        return false;
    const QChar c = text[0];
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.') ||
           c == QLatin1Char('-') || c == QLatin1Char('+') || c == QLatin1Char('@');
}

} // namespace cad::window
