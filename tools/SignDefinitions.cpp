#include "tools/SignDefinitions.h"

#include "support/Cp1250.h"
#include "support/brdodatkirozn.h"

#include <QList>
#include <QStringDecoder>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <numbers>
#include <optional>
#include <set>
#include <sstream>
#include <utility>

SignDefinitionError::SignDefinitionError(const std::string& file, int line,
                                         const std::string& message)
    : std::runtime_error(file + (line > 0 ? ":" + std::to_string(line) : std::string()) + ": " +
                         message),
      file_(file), line_(line), message_(message) {}

std::string SignFileName(int group) {
    return "KWL_AAA" + std::to_string(group) + ".BIN";
}

std::string_view SignGroupPrefix(int group) {
    switch (group) {
    case 1:
        return "A-";
    case 2:
        return "B-";
    case 3:
        return "C-";
    case 4:
        return "D-";
    default:
        return {};
    }
}

namespace {

constexpr double kPi = std::numbers::pi;

// Points of arcs and circles: one every 5 degrees keeps a 1 m sign round on any screen.
constexpr double kStepDeg = 5;

struct NamedColour {
    std::string_view name;
    std::uint32_t rgb;
};

// Road-sign colours (close to the RAL colours of sign faces).
constexpr NamedColour kColours[] = {
    {"white", 0xFFFFFF}, {"black", 0x101010}, {"red", 0xCC0605},       {"yellow", 0xF7BA0B},
    {"blue", 0x1E5AA8},  {"green", 0x237F52}, {"orange", 0xF15A22},    {"brown", 0x7A4B27},
    {"grey", 0x8C8C8C},  {"gray", 0x8C8C8C},  {"lightgrey", 0xD0D0D0},
};

struct Token {
    std::string_view text;
    bool quoted = false;
};

class LineParser {
public:
    LineParser(const std::string& file, int line) : file_(file), line_(line) {}

    [[noreturn]] void fail(const std::string& message) const {
        throw SignDefinitionError(file_, line_, message);
    }

    std::vector<Token> tokens(std::string_view s) const {
        std::vector<Token> out;
        std::size_t i = 0;
        while (i < s.size()) {
            if (s[i] == ' ' || s[i] == '\t') {
                ++i;
                continue;
            }
            if (s[i] == '"') {
                const std::size_t end = s.find('"', i + 1);
                if (end == std::string_view::npos)
                    fail("a text in double quotes is not closed");
                out.push_back({s.substr(i + 1, end - i - 1), true});
                i = end + 1;
                if (i < s.size() && s[i] != ' ' && s[i] != '\t')
                    fail("a blank is missing after the closing double quote");
                continue;
            }
            std::size_t end = i;
            while (end < s.size() && s[end] != ' ' && s[end] != '\t')
                ++end;
            out.push_back({s.substr(i, end - i), false});
            i = end;
        }
        return out;
    }

    double number(std::string_view s, std::string_view what) const {
        const std::optional<double> v = ParseReal(s);
        if (!v)
            fail("'" + std::string(s) + "' is not a number (" + std::string(what) + ")");
        if (std::abs(*v) > 1e6)
            fail("'" + std::string(s) + "' is too large (" + std::string(what) + ")");
        return *v;
    }

    std::uint32_t colour(std::string_view s) const {
        if (s.size() == 7 && s[0] == '#') {
            std::uint32_t v = 0;
            const auto [end, ec] = std::from_chars(s.data() + 1, s.data() + 7, v, 16);
            if (ec == std::errc() && end == s.data() + 7)
                return v;
        }
        for (const auto& c : kColours)
            if (c.name == s)
                return c.rgb;
        fail("unknown colour '" + std::string(s) +
             "' (a name such as red, yellow, blue, white, black, or #RRGGBB)");
    }

    // UTF-8 to Windows-1250; a character the code page lacks is an error.
    std::string encode(std::string_view utf8) const {
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = decoder(QByteArrayView(utf8.data(), qsizetype(utf8.size())));
        if (decoder.hasError())
            fail("the text is not UTF-8");
        std::string out;
        for (const char32_t cp : text.toUcs4()) {
            const int byte = cp < 0x20 ? -1 : cp1250::byteFor(cp);
            if (byte < 0)
                fail("the text has a character that Windows-1250 lacks");
            out.push_back(static_cast<char>(byte));
        }
        return out;
    }

private:
    const std::string& file_;
    int line_;
};

SignPoint rotated(SignPoint p, SignPoint about, double deg) {
    const double a = deg * kPi / 180, c = std::cos(a), s = std::sin(a);
    const double x = p.x - about.x, y = p.y - about.y;
    return {about.x + x * c - y * s, about.y + x * s + y * c};
}

// Points of an arc from a0 to a1 (degrees; counter-clockwise when a1 > a0), both ends included.
void arcPoints(std::vector<SignPoint>& out, SignPoint c, double r, double a0, double a1) {
    const int n = std::max(2, static_cast<int>(std::ceil(std::abs(a1 - a0) / kStepDeg)));
    for (int i = 0; i <= n; ++i) {
        const double a = (a0 + (a1 - a0) * i / n) * kPi / 180;
        out.push_back({c.x + r * std::cos(a), c.y + r * std::sin(a)});
    }
}

double length(SignPoint a, SignPoint b) {
    return std::hypot(b.x - a.x, b.y - a.y);
}

// The corners of a polygon rounded with that radius (smaller where the sides are short).
std::vector<SignPoint> roundCorners(const std::vector<SignPoint>& p, double radius) {
    if (radius <= 0 || p.size() < 3)
        return p;
    std::vector<SignPoint> out;
    const std::size_t n = p.size();
    for (std::size_t i = 0; i < n; ++i) {
        const SignPoint prev = p[(i + n - 1) % n], v = p[i], next = p[(i + 1) % n];
        const double l1 = length(v, prev), l2 = length(v, next);
        if (l1 <= 0 || l2 <= 0) {
            out.push_back(v);
            continue;
        }
        const SignPoint d1{(prev.x - v.x) / l1, (prev.y - v.y) / l1};
        const SignPoint d2{(next.x - v.x) / l2, (next.y - v.y) / l2};
        const double cosTheta = std::clamp(d1.x * d2.x + d1.y * d2.y, -1.0, 1.0);
        const double theta = std::acos(cosTheta); // the inner angle at v
        if (theta < 1e-3 || theta > kPi - 1e-3) {
            out.push_back(v);
            continue;
        }
        double t = radius / std::tan(theta / 2);
        t = std::min({t, l1 / 2, l2 / 2});
        const double r = t * std::tan(theta / 2);
        const SignPoint a{v.x + d1.x * t, v.y + d1.y * t}, b{v.x + d2.x * t, v.y + d2.y * t};
        const double bl = std::hypot(d1.x + d2.x, d1.y + d2.y);
        const double dist = r / std::sin(theta / 2);
        const SignPoint c{v.x + (d1.x + d2.x) / bl * dist, v.y + (d1.y + d2.y) / bl * dist};
        const double a0 = std::atan2(a.y - c.y, a.x - c.x) * 180 / kPi;
        double sweep = std::atan2(b.y - c.y, b.x - c.x) * 180 / kPi - a0;
        while (sweep > 180)
            sweep -= 360;
        while (sweep < -180)
            sweep += 360;
        arcPoints(out, c, r, a0, a0 + sweep);
    }
    return out;
}

// A stroke of that width along a polyline: one polygon with mitred joins and square-cut ends.
std::vector<SignPoint> strokeOutline(const std::vector<SignPoint>& p, double width) {
    const double h = width / 2;
    const std::size_t n = p.size();
    std::vector<SignPoint> normals; // of each segment, to its left
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const double l = length(p[i], p[i + 1]);
        normals.push_back({-(p[i + 1].y - p[i].y) / l, (p[i + 1].x - p[i].x) / l});
    }
    std::vector<SignPoint> left, right;
    for (std::size_t i = 0; i < n; ++i) {
        SignPoint m;
        double k = h;
        if (i == 0) {
            m = normals.front();
        } else if (i == n - 1) {
            m = normals.back();
        } else {
            const SignPoint a = normals[i - 1], b = normals[i];
            const double l = std::hypot(a.x + b.x, a.y + b.y);
            if (l < 1e-9) {
                m = a;
            } else {
                m = {(a.x + b.x) / l, (a.y + b.y) / l};
                k = h / std::max(0.25, m.x * a.x + m.y * a.y);
            }
        }
        left.push_back({p[i].x + m.x * k, p[i].y + m.y * k});
        right.push_back({p[i].x - m.x * k, p[i].y - m.y * k});
    }
    std::vector<SignPoint> out = left;
    out.insert(out.end(), right.rbegin(), right.rend());
    return out;
}

// The polyline that `arrow` strokes, shortened by the head, and the head's triangle.
std::pair<std::vector<SignPoint>, std::vector<SignPoint>>
arrowParts(std::vector<SignPoint> p, double headLength, double headWidth) {
    const SignPoint tip = p.back(), from = p[p.size() - 2];
    const double l = length(from, tip);
    const SignPoint d{(tip.x - from.x) / l, (tip.y - from.y) / l};
    const SignPoint n{-d.y, d.x};
    const SignPoint base{tip.x - d.x * headLength, tip.y - d.y * headLength};
    // A small overlap so that no seam shows between shaft and head.
    const double overlap = std::min(headLength * 0.1, l - headLength);
    p.back() = {base.x + d.x * overlap, base.y + d.y * overlap};
    std::vector<SignPoint> head = {{base.x + n.x * headWidth / 2, base.y + n.y * headWidth / 2},
                                   tip,
                                   {base.x - n.x * headWidth / 2, base.y - n.y * headWidth / 2}};
    return {std::move(p), std::move(head)};
}

struct Options {
    std::map<std::string, std::string_view> values;
};

class DefinitionReader {
public:
    DefinitionReader(const std::string& fileName, SignSymbols& symbols)
        : file_(fileName), symbols_(symbols) {}

    SignFile read(std::string_view text) {
        if (text.substr(0, 3) == "\xEF\xBB\xBF")
            text.remove_prefix(3);
        int lineNo = 0;
        std::size_t start = 0;
        while (start <= text.size()) {
            std::size_t end = text.find('\n', start);
            if (end == std::string_view::npos)
                end = text.size();
            std::string_view line = text.substr(start, end - start);
            if (!line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            ++lineNo;
            readLine(line, lineNo);
            if (end == text.size())
                break;
            start = end + 1;
        }
        finish();
        return std::move(result_);
    }

private:
    void readLine(std::string_view line, int lineNo) {
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string_view::npos || line[first] == '#')
            return; // an empty line or a comment
        LineParser lp(file_, lineNo);
        std::vector<Token> tokens = lp.tokens(line);
        if (tokens[0].quoted)
            lp.fail("a line starts with a keyword, not with a text");
        const std::string keyword(tokens[0].text);
        if (keyword == "group") {
            readGroup(lp, tokens);
            return;
        }
        if (keyword == "sign") {
            readSign(lp, line, tokens, lineNo);
            return;
        }
        if (keyword == "symbol") {
            readSymbol(lp, tokens, lineNo);
            return;
        }
        if (!shapes_)
            lp.fail("'" + keyword + "' before the first 'sign' or 'symbol'");
        if (keyword == "base") {
            if (!sign_)
                lp.fail("a symbol has no base point");
            options(lp, tokens, {});
            const auto n = numbers(lp, tokens, 1, 2, 2, "base x y");
            sign_->base = {n[0], n[1]};
            return;
        }
        if (keyword == "use") {
            readUse(lp, tokens);
            return;
        }
        readShape(lp, keyword, tokens);
    }

    void readGroup(const LineParser& lp, const std::vector<Token>& tokens) {
        if (result_.group != 0)
            lp.fail("a second 'group' line");
        if (!result_.signs.empty())
            lp.fail("'group' must come before the first sign");
        if (tokens.size() != 2)
            lp.fail("expected 'group N' with N one of 1, 2, 3, 4, 9");
        const double g = lp.number(tokens[1].text, "group");
        if (std::find(kSignGroups.begin(), kSignGroups.end(), g) == kSignGroups.end())
            lp.fail("the group must be one of 1, 2, 3, 4, 9");
        result_.group = static_cast<int>(g);
    }

    void readSign(const LineParser& lp, std::string_view line, const std::vector<Token>& tokens,
                  int lineNo) {
        if (result_.group == 0)
            lp.fail("'sign' before the 'group' line ('group N' names the file's group)");
        finish();
        if (tokens.size() < 3 || tokens[1].quoted)
            lp.fail("expected 'sign CODE description'");
        const std::string_view code = tokens[1].text;
        checkCode(lp, code);
        for (const auto& s : result_.signs)
            if (s.code == code)
                lp.fail("sign " + std::string(code) + " is already defined on line " +
                        std::to_string(s.line));
        SignDefinition sign;
        sign.code = std::string(code);
        // The description: the rest of the line after the code, as written.
        std::string_view rest =
            line.substr(static_cast<std::size_t>(code.data() + code.size() - line.data()));
        while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t'))
            rest.remove_prefix(1);
        while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t'))
            rest.remove_suffix(1);
        sign.description = lp.encode(rest);
        sign.file = file_;
        sign.line = lineNo;
        result_.signs.push_back(std::move(sign));
        sign_ = &result_.signs.back();
        shapes_ = &sign_->shapes;
    }

    void readSymbol(const LineParser& lp, const std::vector<Token>& tokens, int lineNo) {
        finish();
        if (tokens.size() != 2 || tokens[1].quoted)
            lp.fail("expected 'symbol NAME'");
        const std::string name(tokens[1].text);
        for (char c : name)
            if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_'))
                lp.fail("a symbol's name has only small letters, digits and '_': '" + name + "'");
        if (symbols_.count(name))
            lp.fail("symbol " + name + " is already defined");
        symbolName_ = name;
        symbolLine_ = lineNo;
        symbolShapes_.clear();
        shapes_ = &symbolShapes_;
    }

    // `use NAME x y scale`: the symbol mirrored (mirror=yes) about its vertical axis, scaled,
    // turned by rot=DEG and moved to (x, y); colour=C draws all of it in one colour.
    void readUse(const LineParser& lp, const std::vector<Token>& tokens) {
        if (tokens.size() < 2 || tokens[1].quoted)
            lp.fail("expected 'use NAME x y scale [rot=DEG] [colour=C] [mirror=yes]'");
        const std::string name(tokens[1].text);
        const auto it = symbols_.find(name);
        if (it == symbols_.end())
            lp.fail("unknown symbol '" + name + "' (define it with 'symbol' before its use)");
        const Options o = options(lp, tokens, {"rot", "colour", "mirror"});
        const auto v =
            numbers(lp, tokens, 2, 3, 3, "use NAME x y scale [rot=DEG] [colour=C] [mirror=yes]");
        const double scale = positive(lp, v[2], "the scale");
        const double rot = option(lp, o, "rot", 0);
        std::optional<std::uint32_t> colour;
        if (const auto c = o.values.find("colour"); c != o.values.end())
            colour = lp.colour(c->second);
        bool mirror = false;
        if (const auto m = o.values.find("mirror"); m != o.values.end()) {
            if (m->second != "yes" && m->second != "no")
                lp.fail("mirror=yes or mirror=no");
            mirror = m->second == "yes";
        }
        const SignPoint at{v[0], v[1]};
        auto place = [&](SignPoint p) {
            return rotated({at.x + (mirror ? -p.x : p.x) * scale, at.y + p.y * scale}, at, rot);
        };
        for (SignShape s : it->second) {
            for (SignPoint& p : s.points)
                p = place(p);
            s.centre = place(s.centre);
            s.radius *= scale;
            s.height *= scale;
            s.rotation += rot;
            if (colour)
                s.rgb = *colour;
            shapes_->push_back(std::move(s));
        }
    }

    void checkCode(const LineParser& lp, std::string_view code) const {
        const std::string_view prefix = SignGroupPrefix(result_.group);
        const bool lettered =
            code.size() >= 3 && code[0] >= 'A' && code[0] <= 'Z' && code[1] == '-';
        if (!lettered)
            lp.fail("the sign code '" + std::string(code) +
                    "' must be a capital letter, '-' and a number, like A-7");
        if (!prefix.empty() && !code.starts_with(prefix))
            lp.fail("sign " + std::string(code) + " does not belong to group " +
                    std::to_string(result_.group) + " (its codes start with " +
                    std::string(prefix) + ")");
        if (prefix.empty())
            for (int g : kSignGroups)
                if (!SignGroupPrefix(g).empty() && code.starts_with(SignGroupPrefix(g)))
                    lp.fail("sign " + std::string(code) + " belongs to group " + std::to_string(g) +
                            ", not to group " + std::to_string(result_.group));
        for (char c : code.substr(2))
            if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || c == '/' || c == '.'))
                lp.fail("the sign code '" + std::string(code) +
                        "' may only have digits, small letters, '/' and '.' after the '-'");
        if (code[2] < '0' || code[2] > '9')
            lp.fail("the sign code '" + std::string(code) + "' needs a number after the '-'");
    }

    void finish() {
        if (sign_ && sign_->shapes.empty())
            throw SignDefinitionError(file_, sign_->line, "sign " + sign_->code + " draws nothing");
        if (!sign_ && shapes_) {
            if (symbolShapes_.empty())
                throw SignDefinitionError(file_, symbolLine_,
                                          "symbol " + symbolName_ + " draws nothing");
            symbols_[symbolName_] = std::move(symbolShapes_);
            symbolShapes_.clear();
        }
        sign_ = nullptr;
        shapes_ = nullptr;
    }

    // The numbers of tokens[from...] (options excluded): between min and max of them, and a
    // multiple of `multiple`.
    std::vector<double> numbers(const LineParser& lp, const std::vector<Token>& tokens,
                                std::size_t from, std::size_t min, std::size_t max,
                                std::string_view usage, std::size_t multiple = 1) const {
        std::vector<double> out;
        for (std::size_t i = from; i < tokens.size(); ++i) {
            if (tokens[i].quoted || tokens[i].text.find('=') != std::string_view::npos)
                continue;
            out.push_back(lp.number(tokens[i].text, usage));
        }
        if (out.size() < min || out.size() > max || out.size() % multiple != 0)
            lp.fail("wrong number of values; expected '" + std::string(usage) + "'");
        return out;
    }

    Options options(const LineParser& lp, const std::vector<Token>& tokens,
                    std::initializer_list<std::string_view> allowed) const {
        Options o;
        for (const Token& t : tokens) {
            const std::size_t eq = t.text.find('=');
            if (t.quoted || eq == std::string_view::npos)
                continue;
            const std::string key(t.text.substr(0, eq));
            if (std::find(allowed.begin(), allowed.end(), key) == allowed.end())
                lp.fail("unknown option '" + key + "'");
            if (o.values.count(key))
                lp.fail("option '" + key + "' given twice");
            o.values[key] = t.text.substr(eq + 1);
        }
        return o;
    }

    double option(const LineParser& lp, const Options& o, const std::string& key,
                  double fallback) const {
        const auto it = o.values.find(key);
        return it == o.values.end() ? fallback : lp.number(it->second, key);
    }

    static std::vector<SignPoint> pointsOf(const std::vector<double>& v, std::size_t from = 0) {
        std::vector<SignPoint> p;
        for (std::size_t i = from; i + 1 < v.size(); i += 2)
            p.push_back({v[i], v[i + 1]});
        return p;
    }

    void add(SignShapeKind kind, std::uint32_t rgb, std::vector<SignPoint> points) {
        SignShape s;
        s.kind = kind;
        s.rgb = rgb;
        s.points = std::move(points);
        shapes_->push_back(std::move(s));
    }

    void addCircle(SignShapeKind kind, std::uint32_t rgb, SignPoint c, double r) {
        SignShape s;
        s.kind = kind;
        s.rgb = rgb;
        s.centre = c;
        s.radius = r;
        shapes_->push_back(std::move(s));
    }

    // A filled polygon, with a thin edge of another colour when asked for.
    void addArea(const LineParser& lp, const Options& o, std::uint32_t rgb,
                 std::vector<SignPoint> points) {
        points = roundCorners(points, positive(lp, option(lp, o, "round", 0), "round", true));
        const auto edge = o.values.find("edge");
        if (edge != o.values.end()) {
            const std::uint32_t edgeRgb = lp.colour(edge->second);
            add(SignShapeKind::Area, rgb, points);
            add(SignShapeKind::Outline, edgeRgb, std::move(points));
        } else {
            add(SignShapeKind::Area, rgb, std::move(points));
        }
    }

    static double positive(const LineParser& lp, double v, std::string_view what,
                           bool zeroAllowed = false) {
        if (v < 0 || (v == 0 && !zeroAllowed))
            lp.fail(std::string(what) + " must be greater than 0");
        return v;
    }

    static void checkPoints(const LineParser& lp, const std::vector<SignPoint>& p) {
        for (std::size_t i = 0; i + 1 < p.size(); ++i)
            if (length(p[i], p[i + 1]) <= 0)
                lp.fail("two consecutive points are the same");
    }

    void readShape(const LineParser& lp, const std::string& keyword,
                   const std::vector<Token>& tokens) {
        if (tokens.size() < 2 || tokens[1].quoted)
            lp.fail("'" + keyword + "' needs a colour after it");
        const std::uint32_t rgb = lp.colour(tokens[1].text);
        if (keyword == "polygon") {
            const Options o = options(lp, tokens, {"round", "edge"});
            const auto v =
                numbers(lp, tokens, 2, 6, 100000,
                        "polygon COLOUR x1 y1 x2 y2 x3 y3 ... [round=R] [edge=COLOUR]", 2);
            addArea(lp, o, rgb, pointsOf(v));
        } else if (keyword == "rect") {
            const Options o = options(lp, tokens, {"round", "edge"});
            const auto v =
                numbers(lp, tokens, 2, 4, 4, "rect COLOUR x1 y1 x2 y2 [round=R] [edge=COLOUR]");
            const double l = std::min(v[0], v[2]), r = std::max(v[0], v[2]);
            const double b = std::min(v[1], v[3]), t = std::max(v[1], v[3]);
            if (l == r || b == t)
                lp.fail("the rectangle has no area");
            addArea(lp, o, rgb, {{l, b}, {r, b}, {r, t}, {l, t}});
        } else if (keyword == "triangle") {
            const Options o = options(lp, tokens, {"round", "edge", "rot"});
            const auto v = numbers(lp, tokens, 2, 3, 3,
                                   "triangle COLOUR cx cy side [rot=DEG] [round=R] [edge=COLOUR]");
            const double side = positive(lp, v[2], "the side");
            const SignPoint c{v[0], v[1]};
            const double rc = side / std::sqrt(3.0); // the centroid to a corner
            const double rot = option(lp, o, "rot", 0);
            std::vector<SignPoint> p;
            for (double a : {90.0, 210.0, 330.0})
                p.push_back(rotated(
                    {c.x + rc * std::cos(a * kPi / 180), c.y + rc * std::sin(a * kPi / 180)}, c,
                    rot));
            addArea(lp, o, rgb, std::move(p));
        } else if (keyword == "regular") {
            const Options o = options(lp, tokens, {"round", "edge", "rot"});
            const auto v = numbers(lp, tokens, 2, 4, 4,
                                   "regular COLOUR cx cy r n [rot=DEG] [round=R] [edge=COLOUR]");
            const double r = positive(lp, v[2], "the radius");
            if (v[3] < 3 || v[3] > 100 || v[3] != std::floor(v[3]))
                lp.fail("the number of corners must be a whole number from 3 to 100");
            const int n = static_cast<int>(v[3]);
            const double rot = option(lp, o, "rot", 0);
            std::vector<SignPoint> p;
            for (int i = 0; i < n; ++i) {
                const double a = (90 + rot + 360.0 * i / n) * kPi / 180;
                p.push_back({v[0] + r * std::cos(a), v[1] + r * std::sin(a)});
            }
            addArea(lp, o, rgb, std::move(p));
        } else if (keyword == "circle") {
            const Options o = options(lp, tokens, {"edge"});
            const auto v = numbers(lp, tokens, 2, 3, 3, "circle COLOUR cx cy r [edge=COLOUR]");
            const double r = positive(lp, v[2], "the radius");
            addCircle(SignShapeKind::Disc, rgb, {v[0], v[1]}, r);
            if (const auto edge = o.values.find("edge"); edge != o.values.end())
                addCircle(SignShapeKind::Circle, lp.colour(edge->second), {v[0], v[1]}, r);
        } else if (keyword == "ring") {
            options(lp, tokens, {});
            const auto v = numbers(lp, tokens, 2, 4, 4, "ring COLOUR cx cy r width");
            const double r = positive(lp, v[2], "the radius");
            const double w = positive(lp, v[3], "the width");
            if (w >= r)
                lp.fail("the ring is wider than its radius (use circle)");
            // One polygon: around the outside, across, back around the inside, across again.
            std::vector<SignPoint> p;
            arcPoints(p, {v[0], v[1]}, r, 0, 360);
            arcPoints(p, {v[0], v[1]}, r - w, 360, 0);
            add(SignShapeKind::Area, rgb, std::move(p));
        } else if (keyword == "bar") {
            options(lp, tokens, {});
            const auto v = numbers(lp, tokens, 2, 5, 100001, "bar COLOUR width x1 y1 x2 y2 ...", 1);
            if ((v.size() - 1) % 2 != 0)
                lp.fail("wrong number of values; expected 'bar COLOUR width x1 y1 x2 y2 ...'");
            const double w = positive(lp, v[0], "the width");
            const auto p = pointsOf(v, 1);
            checkPoints(lp, p);
            add(SignShapeKind::Area, rgb, strokeOutline(p, w));
        } else if (keyword == "arrow") {
            const Options o = options(lp, tokens, {"head", "headwidth"});
            const auto v = numbers(lp, tokens, 2, 5, 100001,
                                   "arrow COLOUR width x1 y1 x2 y2 ... [head=L] [headwidth=W]");
            if ((v.size() - 1) % 2 != 0)
                lp.fail("wrong number of values; expected 'arrow COLOUR width x1 y1 x2 y2 ...'");
            const double w = positive(lp, v[0], "the width");
            const auto p = pointsOf(v, 1);
            checkPoints(lp, p);
            const double head = positive(lp, option(lp, o, "head", w * 2.2), "head");
            const double headWidth = positive(lp, option(lp, o, "headwidth", w * 2.8), "headwidth");
            if (head >= length(p[p.size() - 2], p.back()))
                lp.fail("the arrow's head is longer than its last segment");
            auto [shaft, tip] = arrowParts(p, head, headWidth);
            add(SignShapeKind::Area, rgb, strokeOutline(shaft, w));
            add(SignShapeKind::Area, rgb, std::move(tip));
        } else if (keyword == "arc") {
            options(lp, tokens, {});
            const auto v = numbers(lp, tokens, 2, 6, 6, "arc COLOUR cx cy r width a0 a1");
            const double r = positive(lp, v[2], "the radius");
            const double w = positive(lp, v[3], "the width");
            if (w >= 2 * r)
                lp.fail("the arc is wider than its diameter");
            if (v[5] <= v[4] || v[5] - v[4] > 360)
                lp.fail("the end angle must be greater than the start angle, by at most 360");
            std::vector<SignPoint> p;
            arcPoints(p, {v[0], v[1]}, r + w / 2, v[4], v[5]);
            arcPoints(p, {v[0], v[1]}, r - w / 2, v[5], v[4]);
            add(SignShapeKind::Area, rgb, std::move(p));
        } else if (keyword == "arcarrow") {
            const Options o = options(lp, tokens, {"head", "headwidth"});
            const auto v = numbers(lp, tokens, 2, 6, 6,
                                   "arcarrow COLOUR cx cy r width a0 a1 [head=L] [headwidth=W]");
            const SignPoint c{v[0], v[1]};
            const double r = positive(lp, v[2], "the radius");
            const double w = positive(lp, v[3], "the width");
            if (w >= 2 * r)
                lp.fail("the arc is wider than its diameter");
            const double head = positive(lp, option(lp, o, "head", w * 2.2), "head");
            const double headWidth = positive(lp, option(lp, o, "headwidth", w * 2.8), "headwidth");
            const double a0 = v[4], a1 = v[5];
            if (a0 == a1 || std::abs(a1 - a0) > 360)
                lp.fail("the arc must have a length and be at most a circle");
            const double dir = a1 > a0 ? 1 : -1;
            // The shaft runs a little under the head, so that no seam shows between them; the
            // head continues along the arc's tangent at a1.
            const double under =
                dir * std::min(head * 0.1, r * std::abs(a1 - a0) * kPi / 180) / r * 180 / kPi;
            std::vector<SignPoint> shaft;
            arcPoints(shaft, c, r + w / 2, a0, a1 + under);
            arcPoints(shaft, c, r - w / 2, a1 + under, a0);
            add(SignShapeKind::Area, rgb, std::move(shaft));
            const double b = a1 * kPi / 180;
            const SignPoint radial{std::cos(b), std::sin(b)};
            const SignPoint tangent{-dir * radial.y, dir * radial.x};
            const SignPoint base{c.x + r * radial.x, c.y + r * radial.y};
            add(SignShapeKind::Area, rgb,
                {{base.x + radial.x * headWidth / 2, base.y + radial.y * headWidth / 2},
                 {base.x + tangent.x * head, base.y + tangent.y * head},
                 {base.x - radial.x * headWidth / 2, base.y - radial.y * headWidth / 2}});
        } else if (keyword == "line") {
            options(lp, tokens, {});
            const auto v = numbers(lp, tokens, 2, 4, 100000, "line COLOUR x1 y1 x2 y2 ...", 2);
            const auto p = pointsOf(v);
            checkPoints(lp, p);
            add(SignShapeKind::Polyline, rgb, p);
        } else if (keyword == "outline") {
            options(lp, tokens, {});
            const auto v =
                numbers(lp, tokens, 2, 6, 100000, "outline COLOUR x1 y1 x2 y2 x3 y3 ...", 2);
            add(SignShapeKind::Outline, rgb, pointsOf(v));
        } else if (keyword == "text") {
            const Options o = options(lp, tokens, {"rot"});
            std::vector<const Token*> texts;
            for (const Token& t : tokens)
                if (t.quoted)
                    texts.push_back(&t);
            if (texts.size() != 1 || texts[0]->text.empty())
                lp.fail("expected 'text COLOUR x y height \"TEXT\" [rot=DEG]'");
            const auto v =
                numbers(lp, tokens, 2, 3, 3, "text COLOUR x y height \"TEXT\" [rot=DEG]");
            SignShape s;
            s.kind = SignShapeKind::Text;
            s.rgb = rgb;
            s.centre = {v[0], v[1]};
            s.height = positive(lp, v[2], "the height");
            s.rotation = option(lp, o, "rot", 0);
            s.text = lp.encode(texts[0]->text);
            shapes_->push_back(std::move(s));
        } else {
            lp.fail("unknown keyword '" + keyword + "'");
        }
    }

    std::string file_;
    SignSymbols& symbols_;
    SignFile result_;
    // What the shape lines draw into: the current sign's shapes or the current symbol's.
    std::vector<SignShape>* shapes_ = nullptr;
    SignDefinition* sign_ = nullptr;
    std::string symbolName_;
    int symbolLine_ = 0;
    std::vector<SignShape> symbolShapes_;
};

} // namespace

SignFile ParseSignDefinitions(std::string_view text, const std::string& fileName,
                              SignSymbols& symbols) {
    return DefinitionReader(fileName, symbols).read(text);
}

SignFile ParseSignDefinitions(std::string_view text, const std::string& fileName) {
    SignSymbols symbols;
    return ParseSignDefinitions(text, fileName, symbols);
}

std::map<int, std::vector<SignDefinition>>
ReadSignDefinitions(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec))
        if (it->path().extension() == ".txt" && it->is_regular_file())
            files.push_back(it->path());
    if (ec)
        throw SignDefinitionError(folder.string(), 0, "cannot read the folder: " + ec.message());
    std::sort(files.begin(), files.end());
    std::map<int, std::vector<SignDefinition>> groups;
    SignSymbols symbols;
    for (const auto& path : files) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        if (!in)
            throw SignDefinitionError(path.string(), 0, "cannot read the file");
        SignFile file = ParseSignDefinitions(text.str(), path.string(), symbols);
        if (file.signs.empty())
            continue;
        auto& signs = groups[file.group];
        for (auto& sign : file.signs) {
            for (const auto& earlier : signs)
                if (earlier.code == sign.code)
                    throw SignDefinitionError(sign.file, sign.line,
                                              "sign " + sign.code + " is already defined in " +
                                                  earlier.file + ":" +
                                                  std::to_string(earlier.line));
            signs.push_back(std::move(sign));
        }
    }
    return groups;
}

SignBox SignExtents(const SignDefinition& sign) {
    bool any = false;
    SignBox box;
    auto add = [&](double x, double y) {
        if (!any) {
            box = {x, y, x, y};
            any = true;
        }
        box.left = std::min(box.left, x);
        box.right = std::max(box.right, x);
        box.bottom = std::min(box.bottom, y);
        box.top = std::max(box.top, y);
    };
    for (const SignShape& s : sign.shapes) {
        switch (s.kind) {
        case SignShapeKind::Disc:
        case SignShapeKind::Circle:
            add(s.centre.x - s.radius, s.centre.y - s.radius);
            add(s.centre.x + s.radius, s.centre.y + s.radius);
            break;
        case SignShapeKind::Text: {
            // About 0.7 of the height a letter, centred.
            const double w = 0.7 * s.height * static_cast<double>(s.text.size()) / 2;
            const double h = s.height * 0.7;
            add(s.centre.x - w, s.centre.y - h);
            add(s.centre.x + w, s.centre.y + h);
            break;
        }
        default:
            for (const SignPoint& p : s.points)
                add(p.x, p.y);
        }
    }
    return box;
}
