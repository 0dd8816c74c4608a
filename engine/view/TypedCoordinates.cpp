#include "engine/view/TypedCoordinates.h"

#include <charconv>
#include <cmath>
#include <string>

namespace cad {

namespace {

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// A whole field as a finite number: an optional sign, digits with ".", an exponent.
std::optional<double> number(std::string_view s) {
    s = trimmed(s);
    if (!s.empty() && s.front() == '+') {
        s.remove_prefix(1);
        if (!s.empty() && (s.front() == '+' || s.front() == '-'))
            return std::nullopt;
    }
    if (s.empty())
        return std::nullopt;
    double value = 0;
    const auto [end, error] =
        std::from_chars(s.data(), s.data() + s.size(), value, std::chars_format::general);
    if (error != std::errc() || end != s.data() + s.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// Two numbers about a separator.
std::optional<std::pair<double, double>> pair(std::string_view s, char separator) {
    const auto at = s.find(separator);
    if (at == std::string_view::npos || s.find(separator, at + 1) != std::string_view::npos)
        return std::nullopt;
    const auto a = number(s.substr(0, at)), b = number(s.substr(at + 1));
    if (!a || !b)
        return std::nullopt;
    return std::pair{*a, *b};
}

// cos and sin of an angle in degrees, exact on the axes.
std::pair<double, double> direction(double degrees) {
    const double quarters = degrees / 90;
    if (quarters == std::round(quarters) && std::abs(quarters) < 1e15) {
        switch (static_cast<long long>(std::fmod(std::fmod(quarters, 4) + 4, 4))) {
        case 0:
            return {1, 0};
        case 1:
            return {0, 1};
        case 2:
            return {-1, 0};
        default:
            return {0, -1};
        }
    }
    return {std::cos(radians(degrees)), std::sin(radians(degrees))};
}

} // namespace

std::optional<TypedEntry> parseTypedEntry(std::string_view text) {
    std::string_view s = trimmed(text);
    const bool relative = !s.empty() && s.front() == '@';
    if (relative)
        s.remove_prefix(1);
    if (s.find('<') != std::string_view::npos) {
        const auto polar = pair(s, '<');
        if (!polar)
            return std::nullopt;
        return TypedEntry{relative ? TypedEntry::Kind::RelativePolar : TypedEntry::Kind::Polar,
                          polar->first, polar->second};
    }
    if (s.find(',') != std::string_view::npos) {
        const auto xy = pair(s, ',');
        if (!xy)
            return std::nullopt;
        return TypedEntry{relative ? TypedEntry::Kind::Relative : TypedEntry::Kind::Absolute,
                          xy->first, xy->second};
    }
    if (relative) // "@" alone: the last point itself
        return trimmed(s).empty() ? std::optional(TypedEntry{TypedEntry::Kind::Relative, 0, 0})
                                  : std::nullopt;
    const auto length = number(s);
    if (!length)
        return std::nullopt;
    return TypedEntry{TypedEntry::Kind::Length, *length, 0};
}

std::optional<double> parseTypedValue(std::string_view text) {
    const std::string_view s = trimmed(text);
    const auto comma = s.find(',');
    if (comma == std::string_view::npos)
        return number(s);
    // One comma and no point: the comma is the decimal separator.
    if (s.find(',', comma + 1) != std::string_view::npos || s.find('.') != std::string_view::npos)
        return std::nullopt;
    std::string written(s);
    written[comma] = '.';
    // Digits on both sides: "1," and ",5" are no numbers written with a comma.
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (comma == 0 || !digit(s[comma - 1]) || comma + 1 >= s.size() || !digit(s[comma + 1]))
        return std::nullopt;
    return number(written);
}

std::optional<Vec2> typedPoint(const TypedEntry& e, std::optional<Vec2> last) {
    switch (e.kind) {
    case TypedEntry::Kind::Absolute:
        return Vec2{e.a, e.b};
    case TypedEntry::Kind::Polar: {
        const auto [c, s] = direction(e.b);
        return Vec2{e.a * c, e.a * s};
    }
    case TypedEntry::Kind::Relative:
        if (!last)
            return std::nullopt;
        return Vec2{last->x + e.a, last->y + e.b};
    case TypedEntry::Kind::RelativePolar: {
        if (!last)
            return std::nullopt;
        const auto [c, s] = direction(e.b);
        return Vec2{last->x + e.a * c, last->y + e.a * s};
    }
    case TypedEntry::Kind::Length:
        break;
    }
    return std::nullopt;
}

std::optional<Vec2> pointAlong(Vec2 from, Vec2 toward, double distance) {
    const double dx = toward.x - from.x, dy = toward.y - from.y, d = std::hypot(dx, dy);
    if (!(d > 0) || !std::isfinite(d))
        return std::nullopt;
    return Vec2{from.x + dx / d * distance, from.y + dy / d * distance};
}

} // namespace cad
