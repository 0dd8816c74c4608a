// How points snap while a command asks for them: which ways of finding a point are on, how far
// around the cursor they look, and the steps of length and angle from the command's base
// point. The engine keeps one set for the whole run; the snap toolbar shows and toggles it.
// Snapping to the grid is the active drawing's own setting (DrawingSettings::gridSnap).
#pragma once

#include <array>
#include <cstdint>

namespace cad {

// The ways of finding a point, in the order of their commands (CAD_CMD_SNAP_END + kind).
enum class SnapKind : std::uint8_t {
    End,
    Middle,
    Intersection,
    Centre,
    Tracking,
    Perpendicular,
    Tangent,
    Point,
    Nearest,
    Grid,
    Polar,
    None, // the cursor as it is
};
inline constexpr int kSnapKinds = 11; // End to Polar

struct SnapSettings {
    // By SnapKind; the grid's entry is not used (the drawing keeps that one).
    std::array<bool, kSnapKinds> on{};
    int aperture = 10;     // pixels around the cursor, at any zoom
    double lengthStep = 1; // polar steps: drawing units (0: any length)
    double angleStep = 15; // degrees (0: any angle)
    double baseAngle = 0;  // degrees: the direction the angle steps count from

    bool has(SnapKind k) const {
        const auto i = static_cast<std::size_t>(k);
        return i < on.size() && k != SnapKind::Grid && on[i];
    }
    void set(SnapKind k, bool value) {
        const auto i = static_cast<std::size_t>(k);
        if (i < on.size() && k != SnapKind::Grid)
            on[i] = value;
    }
    friend bool operator==(const SnapSettings&, const SnapSettings&) = default;
};

// Limits of the aperture the settings take, in pixels.
inline constexpr int kSmallestAperture = 1;
inline constexpr int kLargestAperture = 50;

} // namespace cad
