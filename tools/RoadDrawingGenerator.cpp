#include "tools/RoadDrawingGenerator.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <initializer_list>
#include <numbers>
#include <ostream>
#include <span>
#include <utility>
#include <vector>

namespace {

constexpr double kPi = std::numbers::pi;

double radians(double degrees) {
    return degrees * kPi / 180.0;
}
double degrees(double radians) {
    return radians * 180.0 / kPi;
}

// ---- random numbers -----------------------------------------------------------------------------

// SplitMix64: small, fast, and the same sequence on every platform and library version.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // In [0, 1).
    double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
    double range(double lo, double hi) { return lo + (hi - lo) * uniform(); }
    // In [0, n).
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
    bool chance(double p) { return uniform() < p; }
    template <typename T, std::size_t N> const T& pick(const std::array<T, N>& items) {
        return items[static_cast<std::size_t>(below(static_cast<int>(N)))];
    }

private:
    std::uint64_t state_;
};

std::uint64_t mixSeed(std::uint64_t a, std::uint64_t b) {
    Random r(a * 0xD1342543DE82EF95ull + b * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull);
    r.next();
    return r.next();
}

// Smooth noise in [-1, 1]: random values at integer grid points, linearly interpolated.
double valueNoise(std::uint64_t seed, double t) {
    const double f = std::floor(t);
    const auto i = static_cast<std::int64_t>(f);
    auto at = [seed](std::int64_t k) {
        Random r(mixSeed(seed, static_cast<std::uint64_t>(k)));
        return r.uniform() * 2.0 - 1.0;
    };
    const double w = t - f;
    return at(i) * (1.0 - w) + at(i + 1) * w;
}

// ---- texts --------------------------------------------------------------------------------------

// Appends v with `decimals` digits after the point (0..4), rounded to nearest.
void appendFixed(std::string& out, double v, int decimals) {
    static constexpr std::array<std::int64_t, 5> kPow10 = {1, 10, 100, 1000, 10000};
    const std::int64_t p = kPow10[static_cast<std::size_t>(decimals)];
    const std::int64_t scaled = std::llround(v * static_cast<double>(p));
    const std::uint64_t magnitude =
        scaled < 0 ? static_cast<std::uint64_t>(-scaled) : static_cast<std::uint64_t>(scaled);
    if (scaled < 0)
        out.push_back('-');
    char digits[24];
    const auto r =
        std::to_chars(digits, digits + sizeof digits, magnitude / static_cast<std::uint64_t>(p));
    out.append(digits, r.ptr);
    if (decimals > 0) {
        std::uint64_t fraction = magnitude % static_cast<std::uint64_t>(p);
        char f[4];
        for (int i = decimals - 1; i >= 0; --i) {
            f[i] = static_cast<char>('0' + fraction % 10);
            fraction /= 10;
        }
        out.push_back('.');
        out.append(f, static_cast<std::size_t>(decimals));
    }
}

// Like appendFixed, without trailing zeros ("2.5", "90", "0").
void appendShort(std::string& out, double v, int decimals) {
    const std::size_t start = out.size();
    appendFixed(out, v, decimals);
    if (out.find('.', start) == std::string::npos)
        return;
    while (out.back() == '0')
        out.pop_back();
    if (out.back() == '.')
        out.pop_back();
    if (out.size() - start == 2 && out[start] == '-' && out[start + 1] == '0')
        out.erase(start, 1);
}

std::string fixed(double v, int decimals) {
    std::string s;
    appendFixed(s, v, decimals);
    return s;
}

// "1+234" or, with decimals, "1+234.56".
std::string stationText(double station, int decimals) {
    const auto cm = std::llround(station * 100.0);
    const auto km = cm / 100000;
    const auto rest = cm % 100000;
    std::string s = std::to_string(km) + "+";
    const auto m = rest / 100;
    if (m < 100)
        s += '0';
    if (m < 10)
        s += '0';
    s += std::to_string(m);
    if (decimals > 0) {
        const auto c = rest % 100;
        s += '.';
        s += static_cast<char>('0' + c / 10);
        s += static_cast<char>('0' + c % 10);
    }
    return s;
}

// Text constants are written in UTF-8 here and stored as Windows-1250 bytes.
struct W {
    std::string bytes;
    W(std::u8string_view utf8) : bytes(toWindows1250(utf8)) {}
};

// ---- the drawing file ---------------------------------------------------------------------------

struct Pt {
    double x = 0;
    double y = 0;
};

Pt operator+(Pt a, Pt b) {
    return {a.x + b.x, a.y + b.y};
}
Pt operator-(Pt a, Pt b) {
    return {a.x - b.x, a.y - b.y};
}
Pt operator*(Pt a, double k) {
    return {a.x * k, a.y * k};
}
Pt direction(double angle) {
    return {std::cos(angle), std::sin(angle)};
}

// The arc from a to b tangent to the lines a–corner and corner–b (a and b as far from the
// corner), as `chords` straight pieces; the three points as they are when no arc fits.
std::vector<Pt> roundedCorner(Pt a, Pt corner, Pt b, int chords) {
    const Pt u = a - corner, v = b - corner;
    const double la = std::hypot(u.x, u.y), lb = std::hypot(v.x, v.y);
    const double between = std::acos(std::clamp((u.x * v.x + u.y * v.y) / (la * lb), -1.0, 1.0));
    if (!(la > 0) || !(lb > 0) || !(between > 1e-6) || !(between < 3.14159))
        return {a, corner, b};
    // The centre lies on the bisector, as far from the corner as the tangent length allows.
    const Pt bisector = (u * (1 / la) + v * (1 / lb));
    const double lbis = std::hypot(bisector.x, bisector.y);
    const Pt centre = corner + bisector * (la / std::cos(between / 2) / lbis);
    const double r = la * std::tan(between / 2);
    const double from = std::atan2(a.y - centre.y, a.x - centre.x);
    double sweep = std::atan2(b.y - centre.y, b.x - centre.x) - from;
    while (sweep > std::numbers::pi)
        sweep -= 2 * std::numbers::pi;
    while (sweep < -std::numbers::pi)
        sweep += 2 * std::numbers::pi;
    std::vector<Pt> pts;
    for (int i = 0; i <= chords; ++i) {
        const double t = from + sweep * i / chords;
        pts.push_back(centre + Pt{r * std::cos(t), r * std::sin(t)});
    }
    return pts;
}

// Pens whose byte would be read as a line end, end of file, a separator or blank space.
bool unsafePen(int pen) {
    return pen == 0 || pen == 9 || pen == 10 || pen == 13 || pen == 26 || pen == 32 || pen == 44;
}

// Writes the records of a drawing file into large chunks.
class KwlWriter {
public:
    explicit KwlWriter(std::ostream& out) : out_(out) { buffer_.reserve(kChunk + 4096); }

    void line(std::string_view bytes) {
        buffer_.append(bytes);
        endLine();
    }

    void pen(int pen) {
        if (pen == pen_ || unsafePen(pen))
            return;
        previousPen_ = pen_;
        pen_ = pen;
        buffer_.push_back('\x01');
        buffer_.push_back(static_cast<char>(pen));
        endLine();
    }

    void moveTo(Pt p) { point('\x03', p); }
    void lineTo(Pt p) { point('\x02', p); }

    void polyline(std::span<const Pt> points) {
        if (points.size() < 2)
            return;
        moveTo(points[0]);
        for (std::size_t i = 1; i < points.size(); ++i)
            lineTo(points[i]);
    }
    void polyline(std::initializer_list<Pt> points) {
        polyline(std::span<const Pt>(points.begin(), points.size()));
    }
    void segment(Pt a, Pt b) { polyline({a, b}); }
    void rectangle(Pt a, Pt b) { polyline({a, {b.x, a.y}, b, {a.x, b.y}, a}); }

    // A text of height 1.17 * size * factor drawing units.
    void text(Pt at, double size, double factor, double rotation, double slant,
              std::string_view bytes) {
        buffer_.push_back('\x03');
        buffer_.push_back('\x01');
        buffer_.push_back(',');
        appendFixed(buffer_, at.x, 2);
        buffer_.push_back(',');
        appendFixed(buffer_, at.y, 2);
        endLine();
        appendShort(buffer_, size, 2);
        buffer_.push_back(',');
        appendShort(buffer_, factor, 2);
        buffer_.push_back(',');
        double r = std::fmod(rotation, 360.0);
        if (r < 0)
            r += 360.0;
        if (r >= 359.995)
            r = 0;
        appendShort(buffer_, r, 2);
        buffer_.push_back(',');
        appendShort(buffer_, slant, 1);
        endLine();
        const std::string_view t = bytes.substr(0, 256);
        buffer_.append(t);
        if (t.size() < 2)
            buffer_.append(2 - t.size(), ' ');
        endLine();
    }

    // Ends the drawing with a change back to the pen used before the last one, which completes
    // the last polyline and brings in no layer the drawing does not already have.
    void finish() {
        buffer_.push_back('\x01');
        buffer_.push_back(static_cast<char>(previousPen_ > 0 ? previousPen_ : pen_ == 1 ? 2 : 1));
        endLine();
        flush();
    }

    std::uint64_t written() const { return written_ + buffer_.size(); }
    bool failed() const { return !out_; }

private:
    static constexpr std::size_t kChunk = 1 << 20;

    void point(char subcode, Pt p) {
        buffer_.push_back('\x02');
        buffer_.push_back(subcode);
        buffer_.push_back(',');
        appendFixed(buffer_, p.x, 2);
        buffer_.push_back(',');
        appendFixed(buffer_, p.y, 2);
        endLine();
    }

    void endLine() {
        buffer_.push_back('\r');
        buffer_.push_back('\n');
        if (buffer_.size() >= kChunk)
            flush();
    }

    void flush() {
        if (!buffer_.empty() && out_)
            out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
        written_ += buffer_.size();
        buffer_.clear();
    }

    std::ostream& out_;
    std::string buffer_;
    std::uint64_t written_ = 0;
    int pen_ = -1;
    int previousPen_ = -1;
};

// A rotation in (-90, 90] for a text along `angle` (degrees), so that it reads left to right.
double readable(double angle) {
    double a = std::fmod(angle, 360.0);
    if (a < 0)
        a += 360.0;
    if (a > 90.0 && a <= 270.0)
        a -= 180.0;
    else if (a > 270.0)
        a -= 360.0;
    return a;
}
bool flipped(double angle) {
    double a = std::fmod(angle, 360.0);
    if (a < 0)
        a += 360.0;
    return a > 90.0 && a <= 270.0;
}

// Rough width of a text on paper, for centring.
double textWidth(std::string_view bytes, double height) {
    return 0.72 * height * static_cast<double>(bytes.size());
}

// ---- pens (layer = pen + 30) --------------------------------------------------------------------

namespace pen {
constexpr int Axis = 1;           // oś drogi
constexpr int Edge = 2;           // krawędź jezdni
constexpr int Shoulder = 3;       // krawędź pobocza
constexpr int Ditch = 4;          // rów
constexpr int Slope = 5;          // skarpy
constexpr int Ticks = 6;          // pikietaż
constexpr int StationTexts = 7;   // opisy pikietażu
constexpr int Notes = 8;          // opisy
constexpr int SideRoad = 11;      // drogi poprzeczne
constexpr int Parcel = 12;        // granice działek
constexpr int ParcelNo = 14;      // numery działek
constexpr int Building = 15;      // budynki
constexpr int Fence = 16;         // ogrodzenia
constexpr int Tree = 17;          // drzewa i krzewy
constexpr int Water = 18;         // wodociąg
constexpr int Telecom = 19;       // kable telekomunikacyjne
constexpr int Belt = 20;          // granica pasa drogowego
constexpr int Survey = 21;        // punkty osnowy
constexpr int GridCross = 22;     // krzyże siatki kwadratów
constexpr int Driveway = 23;      // zjazdy
constexpr int Frame = 24;         // ramka arkusza
constexpr int Grid = 25;          // siatka profilu i rzędne
constexpr int Terrain = 27;       // teren istniejący
constexpr int Design = 28;        // niweleta, projekt
constexpr int Table = 29;         // tabela
constexpr int TableTexts = 30;    // opisy tabeli
constexpr int VerticalCurve = 31; // łuki pionowe
constexpr int Title = 33;         // tytuły
constexpr int Dimension = 34;     // wymiary
constexpr int CentreLine = 35;    // oś przekroju
constexpr int Gradients = 36;     // pochylenia, pola przekroju
constexpr int Culvert = 37;       // przepusty
constexpr int Pavement = 38;      // konstrukcja nawierzchni
constexpr int Remarks = 40;       // uwagi (beyond the named layers)
constexpr int NorthArrow = 50;    // strzałka północy (beyond the named layers)
} // namespace pen

// ---- texts of the drawings ----------------------------------------------------------------------

struct Words {
    W planTitle{u8"PLAN SYTUACYJNY"};
    W planScale{u8"Skala 1:1000"};
    W coordinates{u8"Współrzędne w układzie PL-2000, strefa 7"};
    W heights{u8"Rzędne w układzie wysokościowym PL-EVRF2007-NH"};
    W axis{u8"Oś drogi"};
    W ditch{u8"Rów przydrożny"};
    W parcelBoundary{u8"Granica działki"};
    W belt{u8"Granica pasa drogowego"};
    W water{u8"wodociąg PE 110"};
    W telecom{u8"kabel telekomunikacyjny"};
    W house{u8"bud. mieszk."};
    W shed{u8"bud. gosp."};
    W driveway{u8"zjazd indywidualny"};
    W slope{u8"Skarpa nasypu"};
    W arcStart{u8"PŁ"};
    W arcEnd{u8"KŁ"};
    W arcMiddle{u8"ŚŁ"};
    W arcName{u8"Łuk nr "};
    W angle{u8" kąt="};
    W profileTitle{u8"PROFIL PODŁUŻNY"};
    W profileScale{u8"Skala pozioma 1:1000, skala pionowa 1:100"};
    W datum{u8"Poziom porównawczy "};
    W rowKm{u8"Kilometraż"};
    W rowAlignment{u8"Łuki poziome"};
    W rowStation{u8"Pikietaż"};
    W rowDistance{u8"Odległości"};
    W rowGradient{u8"Pochylenia niwelety"};
    W rowTerrain{u8"Rzędne terenu"};
    W rowDesign{u8"Rzędne niwelety"};
    W crest{u8"Łuk pionowy wypukły"};
    W sag{u8"Łuk pionowy wklęsły"};
    W culvert{u8"Przepust rurowy fi 100 cm, KM "};
    W investor{u8"Inwestor: Gmina Przykładowo"};
    W stage{u8"Stadium: projekt budowlany"};
    W drawnBy{u8"Opracował: zespół projektowy"};
    W checkedBy{u8"Sprawdził: weryfikator branżowy"};
    W sectionsTitle{u8"PRZEKROJE POPRZECZNE"};
    W sectionsScale{u8"Skala 1:100"};
    W section{u8"PRZEKRÓJ POPRZECZNY KM "};
    W rowDesignHeights{u8"Rzędne projektowane"};
    W rowOffsets{u8"Odległości od osi"};
    W centre{u8"oś"};
    W fill{u8"Pole nasypu: "};
    W cut{u8"Pole wykopu: "};
    W layer1{u8"warstwa ścieralna AC 11S – 4 cm"};
    W layer2{u8"warstwa wiążąca AC 16W – 8 cm"};
    W layer3{u8"podbudowa z kruszywa łamanego – 20 cm"};
    W layer4{u8"warstwa mrozoochronna – 20 cm"};
    W crownWidth{u8"Szerokość korony "};
    W sheet{u8"Arkusz "};
    W section2{u8"Odcinek "};
    std::array<W, 8> streets{W{u8"ul. Polna"},    W{u8"ul. Leśna"},     W{u8"ul. Słoneczna"},
                             W{u8"ul. Ogrodowa"}, W{u8"ul. Kościelna"}, W{u8"ul. Łąkowa"},
                             W{u8"ul. Źródlana"}, W{u8"ul. Żwirowa"}};
};

const Words& words() {
    static const Words w;
    return w;
}

std::string roadName(Random& r) {
    static constexpr std::array<char, 6> kDistricts = {'T', 'N', 'C', 'B', 'W', 'L'};
    return toWindows1250(u8"Droga gminna nr ") + std::to_string(100000 + r.below(900000)) +
           kDistricts[static_cast<std::size_t>(r.below(6))];
}

std::string sideRoadName(Random& r) {
    if (r.chance(0.4))
        return toWindows1250(u8"Droga powiatowa nr ") + std::to_string(1000 + r.below(9000)) + 'N';
    return r.pick(words().streets).bytes;
}

// ---- road axis ----------------------------------------------------------------------------------

struct AxisElement {
    double s0 = 0;
    double length = 0;
    Pt start;
    double heading = 0;
    double curvature = 0; // 1/R, positive turning left
};

struct Pose {
    Pt p;
    double heading = 0;
};

class Axis {
public:
    Axis(Pt start, double heading) : start_(start), heading_(heading) {}

    void add(double length, double curvature) {
        Pose end = elements_.empty() ? Pose{start_, heading_} : at(length_);
        elements_.push_back({length_, length, end.p, end.heading, curvature});
        length_ += length;
    }

    double length() const { return length_; }
    double startHeading() const { return heading_; }
    const std::vector<AxisElement>& elements() const { return elements_; }

    Pose at(double s) const {
        auto it = std::upper_bound(elements_.begin(), elements_.end(), s,
                                   [](double v, const AxisElement& e) { return v < e.s0; });
        const AxisElement& e = it == elements_.begin() ? elements_.front() : *(it - 1);
        const double t = s - e.s0;
        if (e.curvature == 0)
            return {e.start + direction(e.heading) * t, e.heading};
        const double h = e.heading + e.curvature * t;
        return {{e.start.x + (std::sin(h) - std::sin(e.heading)) / e.curvature,
                 e.start.y - (std::cos(h) - std::cos(e.heading)) / e.curvature},
                h};
    }

    // The point at station s, `offset` to the left of the axis (negative: to the right).
    Pt offset(double s, double offset) const {
        const Pose q = at(s);
        return {q.p.x - offset * std::sin(q.heading), q.p.y + offset * std::cos(q.heading)};
    }

    // Stations where a line along the axis needs a vertex: the element ends, every
    // `straightStep` metres on straights (0: none) and often enough on arcs to stay within a
    // centimetre of the curve.
    std::vector<double> samples(double straightStep) const {
        std::vector<double> s;
        for (const AxisElement& e : elements_) {
            double step = e.length;
            if (e.curvature != 0)
                step = std::min(8.0, std::sqrt(8.0 / std::abs(e.curvature) * 0.01));
            else if (straightStep > 0)
                step = straightStep;
            const int n = std::max(1, static_cast<int>(std::ceil(e.length / step - 1e-9)));
            for (int i = 0; i < n; ++i)
                s.push_back(e.s0 + e.length * i / n);
        }
        s.push_back(length_);
        return s;
    }

private:
    Pt start_;
    double heading_;
    double length_ = 0;
    std::vector<AxisElement> elements_;
};

using Gaps = std::vector<std::pair<double, double>>;

Gaps merged(Gaps g) {
    std::sort(g.begin(), g.end());
    Gaps out;
    for (const auto& [a, b] : g) {
        if (!out.empty() && a <= out.back().second)
            out.back().second = std::max(out.back().second, b);
        else
            out.emplace_back(a, b);
    }
    return out;
}

bool inGaps(const Gaps& gaps, double s) {
    for (const auto& [a, b] : gaps)
        if (s >= a && s <= b)
            return true;
    return false;
}

// Draws a line at a station-dependent offset along the axis from `from` to `to`, broken at the
// gaps, with a vertex at each of the sample stations.
template <typename Offset>
void drawAlong(KwlWriter& w, const Axis& axis, const std::vector<double>& samples, const Gaps& gaps,
               double from, double to, Offset offset) {
    std::vector<Pt> pts;
    auto run = [&](double a, double b) {
        if (b - a < 0.5)
            return;
        pts.clear();
        pts.push_back(axis.offset(a, offset(a)));
        for (auto it = std::upper_bound(samples.begin(), samples.end(), a + 0.05);
             it != samples.end() && *it < b - 0.05; ++it)
            pts.push_back(axis.offset(*it, offset(*it)));
        pts.push_back(axis.offset(b, offset(b)));
        w.polyline(pts);
    };
    double current = from;
    for (const auto& [a, b] : gaps) {
        if (b <= current)
            continue;
        if (a >= to)
            break;
        run(current, std::min(a, to));
        current = std::max(current, b);
    }
    run(current, to);
}

std::vector<Pt> circle(Pt c, double r, int n) {
    std::vector<Pt> pts;
    for (int i = 0; i <= n; ++i)
        pts.push_back(c + direction(2 * kPi * (i % n) / n) * r);
    return pts;
}

// ---- plan ---------------------------------------------------------------------------------------

struct Crossing {
    double station = 0;
    double angle = 0; // between the main axis and the side road, radians
    double halfWidth = 2.5;
    bool bothSides = true;
    std::string name;
};

// One road of the plan with everything along it.
class PlanRoad {
public:
    PlanRoad(KwlWriter& w, Random& r, Pt origin, double length, int index, int& parcelNumber)
        : w_(w), r_(r), axis_(origin, radians(r.range(-20, 20))), index_(index),
          parcelNumber_(parcelNumber) {
        buildAxis(length);
        halfWidth_ = r_.pick(std::array{2.75, 3.0, 3.25, 3.5});
        shoulder_ = halfWidth_ + r_.pick(std::array{0.75, 1.0, 1.25});
        belt_ = std::ceil((shoulder_ + 0.5 + 1.5 * 2.9 + 2.4 + 1.5) * 2.0) / 2.0;
        tick_ = r_.chance(0.5) ? 20.0 : 25.0;
        name_ = roadName(r_);
        for (int i = 0; i < 3; ++i) {
            amplitude_[i] = std::array{1.6, 0.9, 0.45}[static_cast<std::size_t>(i)];
            wave_[i] = r_.range(std::array{120.0, 40.0, 150.0}[static_cast<std::size_t>(i)],
                                std::array{250.0, 80.0, 300.0}[static_cast<std::size_t>(i)]);
            phase_[i] = r_.range(0, 2 * kPi);
        }
        constant_ = axis_.samples(0);
        fine_ = axis_.samples(5.0);
    }

    void draw() {
        planCrossings();
        beltGaps_ = {merged(gapsLeft_), merged(gapsRight_)};
        planParcels();
        gapsLeft_ = merged(gapsLeft_);
        gapsRight_ = merged(gapsRight_);
        drawHeading();
        drawGridCrosses();
        drawRoadBody();
        drawStationing();
        drawArcs();
        drawCrossings();
        drawParcels();
        drawUtilities();
        drawTrees();
        drawSurveyPoints();
    }

private:
    void buildAxis(double length) {
        double heading = axis_.startHeading();
        while (axis_.length() < length) {
            axis_.add(std::min(r_.range(120, 420), length - axis_.length() + 1), 0);
            if (axis_.length() >= length)
                break;
            const double radius = 50.0 * std::round(r_.range(250, 1200) / 50.0);
            double sense = r_.chance(0.5) ? 1 : -1;
            if (heading > radians(12))
                sense = -1;
            else if (heading < radians(-12))
                sense = 1;
            // Keep the road heading roughly east, within 40 degrees.
            const double turn = std::min(radians(r_.range(8, 45)), radians(40) - sense * heading);
            const double arcLength = std::min(radius * turn, length - axis_.length() + 1);
            axis_.add(arcLength, sense / radius);
            heading += sense * arcLength / radius;
        }
    }

    // Height of the road above the terrain on one side (negative: in a cut).
    double height(double s, int side) const {
        double h = 0;
        for (int i = 0; i < 2; ++i)
            h += amplitude_[i] * std::sin(s / wave_[i] + phase_[i]);
        h += side * amplitude_[2] * std::sin(s / wave_[2] + phase_[2]);
        return std::clamp(h, -2.9, 2.9);
    }
    double slopeEdge(double s, int side) const {
        return shoulder_ + 0.5 + 1.5 * std::abs(height(s, side));
    }
    const Gaps& gaps(int side) const { return side > 0 ? gapsLeft_ : gapsRight_; }
    Gaps& gaps(int side) { return side > 0 ? gapsLeft_ : gapsRight_; }

    // Station offset along the main axis where a line `e` to the left of the side road axis
    // meets the line `d` to the left of the main axis (straight elements only).
    double crossingU(const Crossing& c, double d, double e) const {
        return d / std::tan(c.angle) - e / std::sin(c.angle);
    }
    // Distance along the side road from its crossing with the main axis to the same point.
    double crossingT(const Crossing& c, double d, double e) const {
        return (d - e * std::cos(c.angle)) / std::sin(c.angle);
    }
    Pt crossingPoint(const Crossing& c, double t, double e) const {
        const Pose q = axis_.at(c.station);
        const double a = q.heading + c.angle;
        return q.p + direction(a) * t + direction(a + kPi / 2) * e;
    }

    void planCrossings() {
        const int wanted = 1 + r_.below(2);
        for (const AxisElement& e : axis_.elements()) {
            if (static_cast<int>(crossings_.size()) >= wanted)
                break;
            if (e.curvature != 0 || e.length < 160 || e.s0 < 150 ||
                e.s0 + e.length > axis_.length() - 150 || r_.chance(0.3))
                continue;
            Crossing c;
            c.station = std::round(e.s0 + r_.range(60, e.length - 60));
            c.angle = radians(r_.range(70, 110));
            c.bothSides = r_.chance(0.6);
            c.name = sideRoadName(r_);
            crossings_.push_back(c);
        }
        for (const Crossing& c : crossings_) {
            for (int side : {1, -1}) {
                if (!c.bothSides && side < 0)
                    continue;
                double lo = 1e9;
                double hi = -1e9;
                for (double d : {halfWidth_, belt_ + 2})
                    for (double e : {-c.halfWidth - 8, c.halfWidth + 8}) {
                        lo = std::min(lo, crossingU(c, side * d, e));
                        hi = std::max(hi, crossingU(c, side * d, e));
                    }
                gaps(side).emplace_back(c.station + lo - 2, c.station + hi + 2);
            }
        }
    }

    struct Parcel {
        int side = 1;
        double a = 0;
        double b = 0;
        double depth = 0;
        bool building = false;
        bool driveway = false;
        bool fence = false;
    };

    void planParcels() {
        for (int side : {1, -1}) {
            double s = 0;
            while (s < axis_.length() - 15) {
                double next = std::min(s + r_.range(18, 45), axis_.length());
                if (axis_.length() - next < 15)
                    next = axis_.length();
                bool blocked = false;
                for (const auto& [ga, gb] : gaps(side))
                    if (next > ga && s < gb) {
                        if (ga - s > 15)
                            next = ga;
                        else {
                            s = gb;
                            blocked = true;
                        }
                        break;
                    }
                if (blocked)
                    continue;
                Parcel p;
                p.side = side;
                p.a = s;
                p.b = next;
                p.depth = std::min(boundaryDepth(s, side), boundaryDepth(next, side));
                p.building = next - s > 20 && r_.chance(0.45);
                p.driveway = p.building && r_.chance(0.7);
                p.fence = p.building && r_.chance(0.5);
                parcels_.push_back(p);
                if (p.driveway) {
                    const double m = (p.a + p.b) / 2;
                    gaps(side).emplace_back(m - 3.5, m + 3.5);
                }
                s = next;
            }
        }
    }

    void drawHeading() {
        const Words& t = words();
        const Pose q = axis_.at(0);
        const Pt back = q.p - direction(q.heading) * 60.0;
        const Pt title = back + Pt{-40, 60};
        w_.pen(pen::Title);
        w_.text(title, 8, 1, 0, 0, t.planTitle.bytes);
        w_.text(title + Pt{0, -12}, 4, 1, 0, 0, t.planScale.bytes);
        w_.text(title + Pt{0, -20}, 3.5, 1, 0, 0, name_);
        if (index_ > 0)
            w_.text(title + Pt{0, -27}, 3, 1, 0, 0, t.section2.bytes + std::to_string(index_ + 1));
        w_.pen(pen::Remarks);
        w_.text(title + Pt{0, -34}, 2, 1, 0, 0, t.coordinates.bytes);
        w_.text(title + Pt{0, -38}, 2, 1, 0, 0, t.heights.bytes);
        // North arrow with an N drawn as lines.
        const Pt n = title + Pt{-30, -30};
        w_.pen(pen::NorthArrow);
        w_.polyline({n, n + Pt{0, 22}});
        w_.polyline({n + Pt{-3.5, 14}, n + Pt{0, 22}, n + Pt{3.5, 14}, n + Pt{-3.5, 14}});
        w_.polyline({n + Pt{-2.5, 25}, n + Pt{-2.5, 31}, n + Pt{2.5, 25}, n + Pt{2.5, 31}});
    }

    void drawGridCrosses() {
        double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
        for (double s : constant_) {
            const Pt p = axis_.at(s).p;
            x0 = std::min(x0, p.x);
            y0 = std::min(y0, p.y);
            x1 = std::max(x1, p.x);
            y1 = std::max(y1, p.y);
        }
        w_.pen(pen::GridCross);
        for (double x = std::ceil((x0 - 160) / 100) * 100; x <= x1 + 160; x += 100)
            for (double y = std::ceil((y0 - 160) / 100) * 100; y <= y1 + 160; y += 100) {
                w_.segment({x - 2, y}, {x + 2, y});
                w_.segment({x, y - 2}, {x, y + 2});
            }
    }

    void drawRoadBody() {
        const double L = axis_.length();
        const Gaps none;
        w_.pen(pen::Axis);
        drawAlong(w_, axis_, constant_, none, 0, L, [](double) { return 0.0; });
        Gaps edgeLeft, edgeRight;
        for (const Crossing& c : crossings_)
            for (int side : {1, -1}) {
                if (!c.bothSides && side < 0)
                    continue;
                const double u1 = crossingU(c, side * halfWidth_, c.halfWidth);
                const double u2 = crossingU(c, side * halfWidth_, -c.halfWidth);
                (side > 0 ? edgeLeft : edgeRight)
                    .emplace_back(c.station + std::min(u1, u2) - 6,
                                  c.station + std::max(u1, u2) + 6);
            }
        w_.pen(pen::Edge);
        for (int side : {1, -1})
            drawAlong(w_, axis_, constant_, merged(side > 0 ? edgeLeft : edgeRight), 0, L,
                      [&](double) { return side * halfWidth_; });
        w_.pen(pen::Shoulder);
        for (int side : {1, -1})
            drawAlong(w_, axis_, constant_, gaps(side), 0, L,
                      [&](double) { return side * shoulder_; });
        w_.pen(pen::Slope);
        for (int side : {1, -1})
            drawAlong(w_, axis_, fine_, gaps(side), 0, L,
                      [&](double s) { return side * slopeEdge(s, side); });
        // Hachures from the top of each slope, every 5 m, long and short in turn.
        for (int side : {1, -1}) {
            int n = 0;
            for (double s = 2.5; s < L; s += 5, ++n) {
                const double h = height(s, side);
                if (std::abs(h) < 0.4 || inGaps(gaps(side), s))
                    continue;
                double top = shoulder_;
                double bottom = slopeEdge(s, side);
                if (h < 0)
                    std::swap(top, bottom);
                const double end = n % 2 == 0 ? bottom : top + (bottom - top) * 0.5;
                w_.segment(axis_.offset(s, side * top), axis_.offset(s, side * end));
            }
        }
        w_.pen(pen::Ditch);
        for (int side : {1, -1}) {
            drawAlong(w_, axis_, fine_, gaps(side), 0, L,
                      [&](double s) { return side * (slopeEdge(s, side) + 1.2); });
            drawAlong(w_, axis_, fine_, gaps(side), 0, L,
                      [&](double s) { return side * (slopeEdge(s, side) + 2.4); });
        }
        const Words& t = words();
        for (double s = 180; s < L - 100; s += 400) {
            const int side = (static_cast<int>(s / 400) % 2) ? 1 : -1;
            if (inGaps(gaps(side), s) || inGaps(gaps(side), s + 30))
                continue;
            textBeside(s, side * (slopeEdge(s, side) + 1.2), side > 0, 0.9, t.ditch.bytes, 15);
        }
        w_.pen(pen::Slope);
        for (double s = 390; s < L - 100; s += 800) {
            const int side = height(s, 1) > 0.8 ? 1 : 0;
            if (side == 0 || inGaps(gaps(1), s))
                continue;
            textBeside(s, shoulder_, true, 0.9, t.slope.bytes);
        }
        w_.pen(pen::Belt);
        for (int side : {1, -1})
            drawAlong(w_, axis_, constant_, beltGaps_[side > 0 ? 0 : 1], 0, L,
                      [&](double) { return side * belt_; });
        for (double s = 250; s < L - 100; s += 500) {
            if (inGaps(gaps(1), s) || inGaps(gaps(1), s + 40))
                continue;
            textBeside(s, belt_, true, 1, t.belt.bytes);
        }
    }

    // A text along the axis that reads left to right, starting near station s beside the line
    // at offset d: on its left (towards positive offsets) or on its right.
    void textBeside(double s, double d, bool onLeft, double size, std::string_view text,
                    double slant = 0) {
        const Pose q = axis_.at(s);
        const bool f = flipped(degrees(q.heading));
        const double h = 1.17 * size;
        // A turned text grows towards the right of the axis.
        double off = onLeft ? d + 0.2 : d - 0.2 - h;
        if (f)
            off += h;
        w_.text(axis_.offset(f ? s - 1 : s + 1, off), size, 1, readable(degrees(q.heading)), slant,
                text);
    }

    void drawStationing() {
        const double L = axis_.length();
        w_.pen(pen::Ticks);
        for (double s = 0; s <= L + 1e-6; s += tick_) {
            const bool hecto = std::fmod(s + 1e-6, 100.0) < 1e-3;
            const double half = hecto ? halfWidth_ : 1.0;
            w_.segment(axis_.offset(s, half), axis_.offset(s, -half));
        }
        w_.pen(pen::StationTexts);
        for (double s = 100; s <= L; s += 100) {
            const bool km = std::fmod(s + 1e-6, 1000.0) < 1e-3;
            textBeside(s, 0.3, true, km ? 2.5 : 2, "KM " + stationText(s, 0));
            if (km) {
                // The kilometre post beside the right shoulder.
                const Pose q = axis_.at(s);
                const Pt c = axis_.offset(s, -(shoulder_ + 0.6));
                const Pt u = direction(q.heading) * 0.3;
                const Pt v = direction(q.heading + kPi / 2) * 0.3;
                w_.polyline({c - u - v, c + u - v, c + u + v, c - u + v, c - u - v});
                w_.text(axis_.offset(s + 2, -(shoulder_ + 1.5)), 2, 1, readable(degrees(q.heading)),
                        0, "km " + std::to_string(static_cast<int>(std::lround(s / 1000))));
            }
        }
        w_.pen(pen::Notes);
        for (double s = 40; s < L - 60; s += 500)
            textBeside(s, -0.5, false, 2, name_);
        textBeside(std::min(25.0, L / 2), 0.3, true, 1.2, words().axis.bytes);
    }

    void drawArcs() {
        const Words& t = words();
        int number = 0;
        for (const AxisElement& e : axis_.elements()) {
            if (e.curvature == 0)
                continue;
            ++number;
            const double radius = 1.0 / std::abs(e.curvature);
            const double turn = e.length / radius;
            const double tangent = radius * std::tan(turn / 2);
            const double external = radius * (1 / std::cos(turn / 2) - 1);
            w_.pen(pen::Notes);
            const std::string no = std::to_string(number);
            for (int end = 0; end < 3; ++end) {
                const double s = e.s0 + e.length * end / 2;
                if (s > axis_.length())
                    break;
                const Pose q = axis_.at(s);
                w_.segment(axis_.offset(s, halfWidth_ + 1), axis_.offset(s, -halfWidth_ - 1));
                const std::string& label = end == 0   ? t.arcStart.bytes
                                           : end == 1 ? t.arcMiddle.bytes
                                                      : t.arcEnd.bytes;
                const double across = degrees(q.heading) + 90;
                const bool f = flipped(across);
                w_.text(axis_.offset(s + 0.6, f ? -(halfWidth_ + 1.5) : halfWidth_ + 1.5), 1.5, 1,
                        readable(across), 0, label + no + " KM " + stationText(s, 2));
            }
            const double mid = e.s0 + e.length / 2;
            const double outside = e.curvature > 0 ? -1 : 1;
            const Pt at =
                axis_.offset(mid, outside * (belt_ + 6)) + Pt{outside > 0 ? 0.0 : -30.0, 0};
            w_.text(at, 2, 1, 0, 0,
                    t.arcName.bytes + no + ": R=" + fixed(radius, 2) + " L=" + fixed(e.length, 2));
            w_.text(at + Pt{0, -3.5}, 2, 1, 0, 0,
                    "T=" + fixed(tangent, 2) + " B=" + fixed(external, 2) + t.angle.bytes +
                        fixed(degrees(turn), 4));
        }
    }

    void drawCrossings() {
        constexpr double kCorner = 6;
        constexpr double kLength = 130;
        for (const Crossing& c : crossings_) {
            for (int side : {1, -1}) {
                if (!c.bothSides && side < 0)
                    continue;
                w_.pen(pen::SideRoad);
                for (double e : {-c.halfWidth, c.halfWidth}) {
                    const double u = crossingU(c, side * halfWidth_, e);
                    const double tt = crossingT(c, side * halfWidth_, e);
                    const Pt corner = crossingPoint(c, tt, e);
                    const Pt onMain = axis_.offset(c.station + u + (e > 0 ? -kCorner : kCorner),
                                                   side * halfWidth_);
                    const Pt onSide = crossingPoint(c, tt + side * kCorner, e);
                    // The kerb rounds the corner with a circular arc tangent to both edges
                    // (as designers draw it), in short chords as a plotter draws arcs.
                    std::vector<Pt> pts = roundedCorner(onMain, corner, onSide, 8);
                    pts.push_back(crossingPoint(c, side * kLength, e));
                    w_.polyline(pts);
                }
                w_.pen(pen::Axis);
                w_.segment(crossingPoint(c, crossingT(c, side * halfWidth_, 0), 0),
                           crossingPoint(c, side * kLength, 0));
                w_.pen(pen::Belt);
                for (double e : {-c.halfWidth - 6, c.halfWidth + 6})
                    w_.segment(crossingPoint(c, crossingT(c, side * belt_, e), e),
                               crossingPoint(c, side * kLength, e));
                w_.pen(pen::Notes);
                const double along = degrees(axis_.at(c.station).heading + c.angle);
                const bool f = flipped(along);
                w_.text(crossingPoint(c, side * (f ? 90 : 50),
                                      f ? -(c.halfWidth + 1.4) : c.halfWidth + 1.2),
                        2, 1, readable(along), 0, c.name);
            }
            // Ticks on the side road every 20 m.
            w_.pen(pen::Ticks);
            for (double t = 20; t < kLength; t += 20)
                for (int side : {1, -1})
                    if (c.bothSides || side > 0)
                        w_.segment(crossingPoint(c, side * t, -0.8),
                                   crossingPoint(c, side * t, 0.8));
        }
    }

    // Parcel boundaries run back from the belt at station s; neighbouring parcels share them.
    double boundaryDepth(double s, int side) const {
        return 100 + 28 * std::sin(s / 61 + phase_[side > 0 ? 0 : 1]) + 9 * std::sin(s / 13);
    }
    double boundaryTurn(double s, int side) const {
        return 9 * std::sin(s / 47 + phase_[side > 0 ? 1 : 2]);
    }

    // The direction of a parcel boundary at station s: across the road, turned a little.
    Pt boundaryDirection(double s, int side, double turn) const {
        const Pose q = axis_.at(s);
        return direction(q.heading + side * kPi / 2 + radians(turn));
    }

    void drawParcels() {
        const Words& t = words();
        for (int side : {1, -1}) {
            std::vector<Pt> rear;
            auto flushRear = [&] {
                w_.pen(pen::Parcel);
                w_.polyline(rear);
                rear.clear();
            };
            const Parcel* previous = nullptr;
            for (const Parcel& p : parcels_) {
                if (p.side != side)
                    continue;
                if (previous && std::abs(previous->b - p.a) > 1e-6)
                    flushRear();
                const double turnB = boundaryTurn(p.b, side);
                const Pt a0 = axis_.offset(p.a, side * belt_);
                const Pt b0 = axis_.offset(p.b, side * belt_);
                const Pt a1 = a0 + boundaryDirection(p.a, side, boundaryTurn(p.a, side)) *
                                       boundaryDepth(p.a, side);
                const Pt b1 = b0 + boundaryDirection(p.b, side, turnB) * boundaryDepth(p.b, side);
                w_.pen(pen::Parcel);
                if (!previous || std::abs(previous->b - p.a) > 1e-6)
                    w_.segment(a0, a1);
                w_.segment(b0, b1);
                if (rear.empty())
                    rear.push_back(a1);
                rear.push_back(b1);
                if (r_.chance(0.04)) {
                    const double ang = degrees(std::atan2(b1.y - b0.y, b1.x - b0.x));
                    const Pt dir = boundaryDirection(p.b, side, turnB);
                    w_.text(b0 + dir * 20 + Pt{-dir.y, dir.x} * 0.5, 1.2, 1, readable(ang), 0,
                            t.parcelBoundary.bytes);
                }
                const Pt centre = (a0 + b0 + a1 + b1) * 0.25;
                w_.pen(pen::ParcelNo);
                std::string number = std::to_string(parcelNumber_++);
                if (r_.chance(0.35))
                    number += "/" + std::to_string(1 + r_.below(12));
                w_.text(centre - Pt{textWidth(number, 1.75) / 2, 0.9}, 1.5, 1, 0, 0, number);
                if (p.building)
                    drawBuilding(p);
                if (p.driveway)
                    drawDriveway(p);
                if (p.fence)
                    drawFence(p);
                previous = &p;
            }
            flushRear();
        }
    }

    void drawBuilding(const Parcel& p) {
        const int side = p.side;
        const double m = (p.a + p.b) / 2;
        const Pt front = axis_.offset(m, side * belt_);
        const Pt across = boundaryDirection(m, side, 0);
        const Pt along = Pt{across.y, -across.x} * static_cast<double>(side);
        const double width = std::min(r_.range(9, 14), p.b - p.a - 6);
        const double depth = r_.range(8, 12);
        const Pt c = front + across * (r_.range(7, 14) + depth / 2) +
                     along * r_.range(-(p.b - p.a - width) / 4, (p.b - p.a - width) / 4);
        auto rect = [&](Pt centre, double w, double d) {
            const Pt u = along * (w / 2);
            const Pt v = across * (d / 2);
            w_.polyline(
                {centre - u - v, centre + u - v, centre + u + v, centre - u + v, centre - u - v});
        };
        w_.pen(pen::Building);
        rect(c, width, depth);
        const double angle = readable(degrees(std::atan2(along.y, along.x)));
        const Words& t = words();
        w_.text(c - direction(radians(angle)) * (textWidth(t.house.bytes, 1.4) / 2), 1.2, 1, angle,
                0, t.house.bytes);
        if (p.depth > 60 && r_.chance(0.5)) {
            const Pt shed = c + across * (depth / 2 + r_.range(8, 15) + 3);
            rect(shed, 6, 5);
            w_.text(shed - direction(radians(angle)) * (textWidth(t.shed.bytes, 1.2) / 2), 1, 1,
                    angle, 0, t.shed.bytes);
        }
    }

    void drawDriveway(const Parcel& p) {
        const int side = p.side;
        const double m = (p.a + p.b) / 2;
        w_.pen(pen::Driveway);
        for (int end : {-1, 1}) {
            const double s = m + end * 2.5;
            w_.polyline({axis_.offset(s + end * 1.5, side * halfWidth_),
                         axis_.offset(s, side * (halfWidth_ + 1.5)),
                         axis_.offset(s, side * belt_)});
        }
        // The culvert under the driveway.
        w_.pen(pen::Ditch);
        const double bottom = slopeEdge(m, side) + 1.2;
        for (int end : {-1, 1})
            w_.segment(axis_.offset(m + end * 3.5, side * (bottom - 0.7)),
                       axis_.offset(m + end * 3.5, side * (bottom + 0.7)));
        if (r_.chance(0.1)) {
            const Pose q = axis_.at(m);
            const double across = degrees(q.heading) + 90;
            w_.pen(pen::Notes);
            w_.text(axis_.offset(m + 3.2, side * (halfWidth_ + 2)), 1, 1, readable(across), 0,
                    words().driveway.bytes);
        }
    }

    void drawFence(const Parcel& p) {
        const double m = (p.a + p.b) / 2;
        Gaps gate;
        if (p.driveway)
            gate.emplace_back(m - 2.5, m + 2.5);
        w_.pen(pen::Fence);
        drawAlong(w_, axis_, constant_, gate, p.a + 0.5, p.b - 0.5,
                  [&](double) { return p.side * (belt_ + 0.3); });
    }

    void drawUtilities() {
        const double L = axis_.length();
        const Gaps none;
        const Words& t = words();
        w_.pen(pen::Water);
        drawAlong(w_, axis_, constant_, none, 0, L, [&](double) { return belt_ - 0.8; });
        for (double s = 150; s < L - 80; s += 300)
            textBeside(s, belt_ - 0.8, false, 1, t.water.bytes);
        w_.pen(pen::Telecom);
        drawAlong(w_, axis_, constant_, none, 0, L, [&](double) { return -(belt_ - 0.6); });
        for (double s = 300; s < L - 80; s += 300)
            textBeside(s, -(belt_ - 0.6), true, 1, t.telecom.bytes);
    }

    void drawTrees() {
        const double L = axis_.length();
        w_.pen(pen::Tree);
        for (int side : {1, -1}) {
            // An alley or two along the road.
            for (int alley = 0; alley < 2; ++alley) {
                const double from = r_.range(0, std::max(1.0, L - 300));
                const double to = from + r_.range(120, 300);
                const double spacing = r_.range(8, 12);
                for (double s = from; s < std::min(to, L); s += spacing) {
                    if (inGaps(gaps(side), s))
                        continue;
                    w_.polyline(
                        circle(axis_.offset(s, side * (belt_ - 0.9)), r_.range(1.5, 2.8), 12));
                }
            }
        }
        // Trees and bushes scattered in the parcels.
        for (const Parcel& p : parcels_) {
            const int n = r_.below(4);
            for (int i = 0; i < n; ++i) {
                const double s = r_.range(p.a + 2, p.b - 2);
                const double d = p.side * (belt_ + r_.range(5, p.depth - 5));
                w_.polyline(circle(axis_.offset(s, d), r_.range(1, 3), 10));
            }
        }
    }

    void drawSurveyPoints() {
        const double L = axis_.length();
        for (double s = r_.range(50, 150); s < L; s += r_.range(220, 380)) {
            const int side = r_.chance(0.5) ? 1 : -1;
            const Pt c = axis_.offset(s, side * (belt_ - 2));
            w_.pen(pen::Survey);
            w_.polyline(
                {c + Pt{-0.7, -0.45}, c + Pt{0.7, -0.45}, c + Pt{0, 0.75}, c + Pt{-0.7, -0.45}});
            w_.text(c + Pt{1, 0.2}, 1, 1, 0, 0,
                    std::to_string(1000 + index_ * 100 + r_.below(100)));
        }
    }

    KwlWriter& w_;
    Random& r_;
    Axis axis_;
    int index_;
    int& parcelNumber_;
    double halfWidth_ = 3;
    double shoulder_ = 4;
    double belt_ = 12;
    double tick_ = 20;
    std::string name_;
    std::array<double, 3> amplitude_{};
    std::array<double, 3> wave_{};
    std::array<double, 3> phase_{};
    std::vector<double> constant_;
    std::vector<double> fine_;
    std::vector<Crossing> crossings_;
    std::vector<Parcel> parcels_;
    Gaps gapsLeft_;
    Gaps gapsRight_;
    std::array<Gaps, 2> beltGaps_; // only the side roads break the belt boundary
};

void generatePlan(KwlWriter& w, std::uint64_t target, std::uint32_t seed) {
    w.line("PLAN,0,0");
    Random r(mixSeed(seed, 1));
    const Pt base{7512000.0 + std::round(r.range(-5000, 5000)),
                  5603000.0 + std::round(r.range(-5000, 5000))};
    int parcelNumber = 100 + r.below(800);
    for (int i = 0;; ++i) {
        Random rr(mixSeed(seed, 1000 + static_cast<std::uint64_t>(i)));
        const Pt origin = base + Pt{(i % 12) * 3500.0, -(i / 12) * 3000.0};
        PlanRoad road(w, rr, origin, 2000, i, parcelNumber);
        road.draw();
        if (w.written() >= target || w.failed())
            break;
    }
}

// ---- the ground and the design grade ------------------------------------------------------------

// The ground along the road: a few long waves and some noise, the same for every sheet.
class Terrain {
public:
    explicit Terrain(std::uint32_t seed) : noiseSeed_(mixSeed(seed, 77)) {
        Random r(mixSeed(seed, 7));
        base_ = r.range(180, 320);
        amplitude_ = {r.range(5, 9), r.range(1.5, 3), r.range(0.5, 1.5)};
        wave_ = {r.range(1500, 3000), r.range(400, 800), r.range(60, 150)};
        for (double& p : phase_)
            p = r.range(0, 2 * kPi);
    }

    double at(double s) const {
        double e = base_ + 0.25 * valueNoise(noiseSeed_, s / 10);
        for (std::size_t i = 0; i < 3; ++i)
            e += amplitude_[i] * std::sin(2 * kPi * s / wave_[i] + phase_[i]);
        return e;
    }

    // Height of the design above the ground at station s (negative: a cut).
    double fillHeight(double s) const {
        return 1.8 * std::sin(s / 140 + phase_[0]) + 0.7 * std::sin(s / 37 + phase_[1]);
    }

private:
    std::uint64_t noiseSeed_;
    double base_ = 200;
    std::array<double, 3> amplitude_{};
    std::array<double, 3> wave_{};
    std::array<double, 3> phase_{};
};

struct GradeVertex {
    double s = 0;
    double e = 0;
    double radius = 0;  // of the vertical curve, 0: none
    double tangent = 0; // its tangent length
};

// The design grade: straight gradients between vertices, rounded by parabolic vertical curves.
class Grade {
public:
    Grade(const Terrain& terrain, Random& r, double from, double to) {
        auto level = [](double e) { return std::round(e * 100) / 100; };
        // The sheet ends depend on the station only, so that sheets join up.
        v_.push_back({from, level(terrain.at(from) + 0.7)});
        for (double s = from + r.range(200, 450); s < to - 150; s += r.range(200, 450))
            v_.push_back({std::round(s), level(terrain.at(s) + r.range(-0.8, 1.2))});
        v_.push_back({to, level(terrain.at(to) + 0.7)});
        static constexpr std::array<double, 7> kRadii = {3000, 4000,  5000, 6000,
                                                         8000, 10000, 12000};
        for (std::size_t j = 1; j + 1 < v_.size(); ++j) {
            const double change = std::abs(gradient(j) - gradient(j - 1));
            if (change < 0.002)
                continue;
            double radius = r.pick(kRadii);
            const double room = 0.4 * std::min(v_[j].s - v_[j - 1].s, v_[j + 1].s - v_[j].s);
            if (radius * change / 2 > room)
                radius = std::max(100.0, std::floor(2 * room / change / 100) * 100);
            v_[j].radius = radius;
            v_[j].tangent = radius * change / 2;
        }
    }

    const std::vector<GradeVertex>& vertices() const { return v_; }
    // Gradient of the segment after vertex j.
    double gradient(std::size_t j) const {
        return (v_[j + 1].e - v_[j].e) / (v_[j + 1].s - v_[j].s);
    }

    double at(double s) const {
        std::size_t j = 0;
        while (j + 2 < v_.size() && s > v_[j + 1].s)
            ++j;
        for (std::size_t k : {j, j + 1}) {
            const GradeVertex& v = v_[k];
            if (v.tangent > 0 && std::abs(s - v.s) <= v.tangent) {
                const double i1 = gradient(k - 1);
                const double i2 = gradient(k);
                const double d = s - v.s + v.tangent;
                return v.e + i1 * (s - v.s) + (i2 - i1) * d * d / (4 * v.tangent);
            }
        }
        return v_[j].e + gradient(j) * (s - v_[j].s);
    }

private:
    std::vector<GradeVertex> v_;
};

// ---- longitudinal profile -----------------------------------------------------------------------

constexpr double kProfileLength = 2000; // metres of road on one sheet

class ProfileSheet {
public:
    ProfileSheet(KwlWriter& w, Random& r, const Terrain& terrain, int index, Pt origin,
                 const std::string& road)
        : w_(w), r_(r), terrain_(terrain), index_(index), o_(origin), road_(road),
          s0_(index * kProfileLength), s1_(s0_ + kProfileLength), grade_(terrain, r, s0_, s1_) {
        double lo = 1e300;
        double hi = -1e300;
        for (double s = s0_; s <= s1_ + 1e-6; s += 5) {
            lo = std::min({lo, terrain_.at(s), grade_.at(s)});
            hi = std::max({hi, terrain_.at(s), grade_.at(s)});
        }
        datum_ = std::floor(lo - 2);
        top_ = std::ceil(hi + 2);
        double y = o_.y + 20;
        for (std::size_t i = 0; i < kRows.size(); ++i) {
            rowY_[i] = y;
            y += kRows[i];
        }
        rowY_[kRows.size()] = y;
        tableTop_ = y;
        band_ = Y(top_) + 14;
        width_ = kLeft + kProfileLength + 40;
        height_ = band_ + 72 - o_.y;
    }

    void draw() {
        drawFrame();
        drawTable();
        drawGrid();
        drawLines();
        drawVerticalCurves();
        drawCulverts();
    }

private:
    static constexpr double kLeft = 170; // the table's header column
    // Rows from the bottom: kilometres, horizontal curves, stations, distances, gradients,
    // ground levels, design levels.
    static constexpr std::array<double, 7> kRows = {12, 14, 22, 12, 16, 22, 22};
    enum Row { Km, Alignment, Station, Distance, Gradient, Ground, DesignLevel };

    double X(double s) const { return o_.x + kLeft + (s - s0_); }
    double Y(double e) const { return tableTop_ + (e - datum_) * 10; }
    double rowMid(Row r) const { return (rowY_[r] + rowY_[r + 1]) / 2; }

    void drawFrame() {
        const Words& t = words();
        w_.pen(pen::Frame);
        w_.rectangle(o_, o_ + Pt{width_, height_});
        w_.rectangle(o_ + Pt{5, 5}, o_ + Pt{width_ - 5, height_ - 5});
        const Pt b0{o_.x + width_ - 240, band_ + 10};
        const Pt b1{o_.x + width_ - 10, o_.y + height_ - 10};
        w_.rectangle(b0, b1);
        const double step = (b1.y - b0.y) / 5;
        for (int i = 1; i < 5; ++i)
            w_.segment({b0.x, b0.y + step * i}, {b1.x, b0.y + step * i});
        w_.pen(pen::TableTexts);
        const std::array<const std::string*, 4> lines = {&t.checkedBy.bytes, &t.drawnBy.bytes,
                                                         &t.stage.bytes, &t.investor.bytes};
        for (int i = 0; i < 4; ++i)
            w_.text({b0.x + 4, b0.y + step * (i + 1) + 2.5}, 2.2, 1, 0, 0,
                    *lines[static_cast<std::size_t>(i)]);
        w_.text({b0.x + 4, b0.y + 2.5}, 2.2, 1, 0, 0,
                toWindows1250(u8"Rysunek nr 2.") + std::to_string(index_ + 1));
        w_.pen(pen::Title);
        const double x = o_.x + 15;
        w_.text({x, band_ + 44}, 6, 1, 0, 0, t.profileTitle.bytes);
        w_.text({x, band_ + 33}, 3, 1, 0, 0,
                road_ + toWindows1250(u8", odcinek KM ") + stationText(s0_, 0) +
                    toWindows1250(u8" – KM ") + stationText(s1_, 0));
        w_.text({x, band_ + 25}, 2.5, 1, 0, 0, t.profileScale.bytes);
        w_.pen(pen::Remarks);
        w_.text({x, band_ + 16}, 2, 1, 0, 0, t.heights.bytes);
    }

    void drawTable() {
        const Words& t = words();
        const double x0 = o_.x + 10;
        const double x1 = X(s1_) + 10;
        w_.pen(pen::Table);
        for (double y : rowY_)
            w_.segment({x0, y}, {x1, y});
        for (double x : {x0, o_.x + kLeft - 10, x1})
            w_.segment({x, rowY_.front()}, {x, rowY_.back()});
        w_.pen(pen::TableTexts);
        const std::array<const std::string*, 7> titles = {
            &t.rowKm.bytes,       &t.rowAlignment.bytes, &t.rowStation.bytes, &t.rowDistance.bytes,
            &t.rowGradient.bytes, &t.rowTerrain.bytes,   &t.rowDesign.bytes};
        for (std::size_t i = 0; i < titles.size(); ++i)
            w_.text({x0 + 4, rowMid(static_cast<Row>(i)) - 1.3}, 2.2, 1, 0, 0, *titles[i]);
        w_.text({x0 + 4, tableTop_ + 3}, 2, 1, 0, 0, t.datum.bytes + fixed(datum_, 2));

        for (double s = s0_; s <= s1_ + 1e-6; s += 20) {
            const double x = X(s);
            const double g = terrain_.at(s);
            const double d = grade_.at(s);
            w_.pen(pen::Grid);
            w_.segment({x, tableTop_}, {x, Y(std::max(g, d))});
            w_.pen(pen::Table);
            for (Row r : {Station, Ground, DesignLevel})
                w_.segment({x, rowY_[r]}, {x, rowY_[r] + 3});
            w_.segment({x, rowY_[Distance]}, {x, rowY_[Distance + 1]});
            w_.pen(pen::TableTexts);
            w_.text({x + 1.1, rowY_[Station] + 4}, 1.8, 1, 90, 0, stationText(s, 0));
            w_.text({x + 1.1, rowY_[Ground] + 4}, 1.8, 1, 90, 0, fixed(g, 2));
            w_.text({x + 1.1, rowY_[DesignLevel] + 4}, 1.8, 1, 90, 0, fixed(d, 2));
            if (s + 20 <= s1_ + 1e-6)
                w_.text({x + 10 - textWidth("20.00", 1.9) / 2, rowMid(Distance) - 1}, 1.6, 1, 0, 0,
                        "20.00");
        }
        for (double s = s0_; s <= s1_ + 1e-6; s += 100) {
            const double x = X(s);
            w_.pen(pen::Table);
            w_.segment({x, rowY_[Km]}, {x, rowY_[Km + 1]});
            w_.pen(pen::TableTexts);
            const long m = std::lround(s);
            w_.text({x + 1.2, rowY_[Km] + 2}, 2, 1, 0, 0,
                    m % 1000 == 0 ? "km " + std::to_string(m / 1000) : stationText(s, 0));
        }
        drawGradientRow();
        drawAlignmentRow();
    }

    void drawGradientRow() {
        const auto& v = grade_.vertices();
        const double lo = rowY_[Gradient] + 1.5;
        const double hi = rowY_[Gradient + 1] - 1.5;
        for (std::size_t j = 0; j + 1 < v.size(); ++j) {
            const double xa = X(v[j].s);
            const double xb = X(v[j + 1].s);
            const double i = grade_.gradient(j);
            w_.pen(pen::Table);
            w_.segment({xa, rowY_[Gradient]}, {xa, rowY_[Gradient + 1]});
            if (std::abs(i) < 0.0005)
                w_.segment({xa, (lo + hi) / 2}, {xb, (lo + hi) / 2});
            else if (i > 0)
                w_.segment({xa, lo}, {xb, hi});
            else
                w_.segment({xa, hi}, {xb, lo});
            w_.pen(pen::TableTexts);
            const std::string percent = fixed(std::abs(i) * 100, 2) + "%";
            const std::string length = "L=" + fixed(v[j + 1].s - v[j].s, 2);
            const double mid = (xa + xb) / 2;
            w_.text({mid - textWidth(percent, 2.1) / 2 - 12, hi - 3}, 1.8, 1, 0, 0, percent);
            w_.text({mid - textWidth(length, 2.1) / 2 + 12, lo + 0.5}, 1.8, 1, 0, 0, length);
        }
        w_.pen(pen::Table);
        w_.segment({X(s1_), rowY_[Gradient]}, {X(s1_), rowY_[Gradient + 1]});
    }

    void drawAlignmentRow() {
        const double mid = rowMid(Alignment);
        std::vector<Pt> line{{X(s0_), mid}};
        double s = s0_ + r_.range(50, 250);
        while (s < s1_ - 100) {
            const double length = std::min(r_.range(80, 320), s1_ - 40 - s);
            const double radius = 50.0 * std::round(r_.range(250, 1200) / 50.0);
            const double sense = r_.chance(0.5) ? 1 : -1;
            const double y = mid + sense * 4;
            line.push_back({X(s), mid});
            line.push_back({X(s), y});
            line.push_back({X(s + length), y});
            line.push_back({X(s + length), mid});
            w_.pen(pen::TableTexts);
            const std::string label = "R=" + fixed(radius, 2) + " L=" + fixed(length, 2);
            w_.text(
                {X(s + length / 2) - textWidth(label, 2.1) / 2, sense > 0 ? mid - 4.5 : mid + 1.5},
                1.8, 1, 0, 0, label);
            s += length + r_.range(120, 420);
        }
        line.push_back({X(s1_), mid});
        w_.pen(pen::Table);
        w_.polyline(line);
    }

    void drawGrid() {
        w_.pen(pen::Grid);
        for (double e = datum_ + 1; e <= top_ + 1e-6; e += 1)
            w_.segment({X(s0_), Y(e)}, {X(s1_), Y(e)});
        for (double s = s0_; s <= s1_ + 1e-6; s += 100)
            w_.segment({X(s), tableTop_}, {X(s), Y(top_)});
        w_.pen(pen::Table);
        const double x = X(s0_) - 4;
        w_.segment({x, tableTop_}, {x, Y(top_)});
        w_.pen(pen::TableTexts);
        for (double e = datum_; e <= top_ + 1e-6; e += 1) {
            w_.pen(pen::Table);
            w_.segment({x - 2, Y(e)}, {x, Y(e)});
            if (std::lround(e) % 2 == 0) {
                w_.pen(pen::TableTexts);
                w_.text({x - 18, Y(e) - 1}, 1.8, 1, 0, 0, fixed(e, 2));
            }
        }
    }

    void drawLines() {
        w_.pen(pen::Terrain);
        std::vector<Pt> pts;
        for (double s = s0_; s <= s1_ + 1e-6; s += 5)
            pts.push_back({X(s), Y(terrain_.at(s))});
        w_.polyline(pts);
        pts.clear();
        for (const GradeVertex& v : grade_.vertices()) {
            if (v.tangent > 0) {
                const int n = std::max(2, static_cast<int>(std::ceil(2 * v.tangent / 2)));
                for (int i = 0; i <= n; ++i) {
                    const double s = v.s - v.tangent + 2 * v.tangent * i / n;
                    pts.push_back({X(s), Y(grade_.at(s))});
                }
            } else {
                pts.push_back({X(v.s), Y(v.e)});
            }
        }
        w_.pen(pen::Design);
        w_.polyline(pts);
    }

    void drawVerticalCurves() {
        const Words& t = words();
        const auto& v = grade_.vertices();
        for (std::size_t j = 1; j + 1 < v.size(); ++j) {
            const GradeVertex& g = v[j];
            const double xv = X(g.s);
            w_.pen(pen::VerticalCurve);
            w_.segment({xv, Y(g.e)}, {xv, band_});
            std::string where = "W KM " + stationText(g.s, 2) + " H=" + fixed(g.e, 2);
            w_.text({xv + 1, band_ - 4}, 1.8, 1, 0, 0, where);
            if (g.tangent <= 0)
                continue;
            const double sa = g.s - g.tangent;
            const double sb = g.s + g.tangent;
            w_.polyline({{X(sa), Y(grade_.at(sa))}, {xv, Y(g.e)}, {X(sb), Y(grade_.at(sb))}});
            w_.polyline({{X(sa), Y(grade_.at(sa))},
                         {X(sa), band_},
                         {X(sb), band_},
                         {X(sb), Y(grade_.at(sb))}});
            const bool crest = grade_.gradient(j) < grade_.gradient(j - 1);
            w_.text({xv + 1, band_ + 1.5}, 1.8, 1, 0, 0,
                    "R=" + fixed(g.radius, 0) + " T=" + fixed(g.tangent, 2) +
                        " B=" + fixed(g.tangent * g.tangent / (2 * g.radius), 2));
            w_.text({xv + 1, band_ + 5.5}, 1.8, 1, 0, 0, crest ? t.crest.bytes : t.sag.bytes);
        }
    }

    void drawCulverts() {
        const int n = 1 + r_.below(2);
        for (int i = 0; i < n; ++i) {
            const double s = std::round(r_.range(s0_ + 150, s1_ - 150));
            const double g = grade_.at(s);
            const Pt c{X(s), Y(g - 1.5)};
            std::vector<Pt> ring;
            for (int k = 0; k <= 16; ++k) {
                const double a = 2 * kPi * (k % 16) / 16;
                ring.push_back(c + Pt{0.5 * std::cos(a), 5 * std::sin(a)});
            }
            w_.pen(pen::Culvert);
            w_.polyline(ring);
            const double up = std::min(band_ - 14, Y(std::max(g, terrain_.at(s))) + 20);
            w_.polyline({c + Pt{0, 5}, {c.x, up}, {c.x + 58, up}});
            w_.text({c.x + 1, up + 1}, 1.8, 1, 0, 0, words().culvert.bytes + stationText(s, 2));
        }
    }

    KwlWriter& w_;
    Random& r_;
    const Terrain& terrain_;
    int index_;
    Pt o_;
    std::string road_;
    double s0_;
    double s1_;
    Grade grade_;
    double datum_ = 0;
    double top_ = 0;
    std::array<double, kRows.size() + 1> rowY_{};
    double tableTop_ = 0;
    double band_ = 0;
    double width_ = 0;
    double height_ = 0;
};

void generateProfile(KwlWriter& w, std::uint64_t target, std::uint32_t seed) {
    w.line("PROFIL,1000,100");
    const Terrain terrain(seed);
    Random r(mixSeed(seed, 2));
    const std::string road = roadName(r);
    for (int i = 0;; ++i) {
        Random rr(mixSeed(seed, 2000 + static_cast<std::uint64_t>(i)));
        const Pt origin{(i % 4) * (kProfileLength + 400), -(i / 4) * 800.0};
        ProfileSheet(w, rr, terrain, i, origin, road).draw();
        if (w.written() >= target || w.failed())
            break;
    }
}

// ---- cross-sections -----------------------------------------------------------------------------

struct Template {
    double lane = 3.0;     // carriageway half width
    double shoulder = 1.0; // shoulder width
    double step = 20;      // between sections
};

// One cross-section at 1:100, drawn in a cell of 510 x 190 mm whose lower left corner is o.
class CrossSection {
public:
    CrossSection(KwlWriter& w, const Terrain& terrain, const Template& t, double station, Pt o,
                 bool describeLayers)
        : w_(w), t_(t), s_(station), o_(o), describe_(describeLayers),
          seed_(mixSeed(static_cast<std::uint64_t>(std::llround(station * 100)), 99)) {
        Random r(seed_);
        centre_ = terrain.at(station);
        slope_ = 0.06 * std::sin(station / 97) + r.range(-0.02, 0.02);
        phase_ = r.range(0, 2 * kPi);
        design_ = std::round((centre_ + terrain.fillHeight(station)) * 100) / 100;
        buildDesign();
        double lo = design_;
        for (double x = -kHalf; x <= kHalf + 1e-9; x += 0.5)
            lo = std::min(lo, ground(x));
        for (const Pt& p : points_)
            lo = std::min(lo, p.y);
        datum_ = std::floor(lo - 1);
    }

    void draw() {
        drawTable();
        drawLines();
        drawPavement();
        drawDimensions();
        drawTexts();
    }

private:
    static constexpr double kHalf = 22;   // metres each side of the axis
    static constexpr double kHeader = 55; // the table's header column, mm
    static constexpr double kTable = 36;  // three rows of 12 mm

    double X(double x) const { return o_.x + kHeader + (x + kHalf) * 10; }
    double Y(double e) const { return o_.y + kTable + (e - datum_) * 10; }
    Pt P(Pt m) const { return {X(m.x), Y(m.y)}; }

    double ground(double x) const {
        return centre_ + slope_ * x + 0.2 * std::sin(x / 2.7 + phase_) +
               0.15 * valueNoise(seed_, x / 2 + 50);
    }

    double designAt(double x) const {
        for (std::size_t i = 1; i < points_.size(); ++i)
            if (x <= points_[i].x) {
                const Pt a = points_[i - 1];
                const Pt b = points_[i];
                return b.x == a.x ? b.y : a.y + (b.y - a.y) * (x - a.x) / (b.x - a.x);
            }
        return points_.back().y;
    }

    // Runs outward from (x, y) down (fill) or up (cut) at 1:1.5 until the ground is met.
    Pt meetGround(int side, double x, double y, double sense) const {
        auto f = [&](double ax) { return y + sense * (ax - x) / 1.5 - ground(side * ax); };
        double prev = x;
        double fp = f(prev);
        for (double ax = x + 0.05; ax <= kHalf; ax += 0.05) {
            const double fa = f(ax);
            if ((fp > 0) != (fa > 0)) {
                const double hit = prev + (ax - prev) * fp / (fp - fa);
                return {side * hit, y + sense * (hit - x) / 1.5};
            }
            prev = ax;
            fp = fa;
        }
        return {side * kHalf, y + sense * (kHalf - x) / 1.5};
    }

    void buildDesign() {
        std::array<std::vector<Pt>, 2> sides;
        for (int k = 0; k < 2; ++k) {
            const int side = k == 0 ? -1 : 1;
            std::vector<Pt>& p = sides[static_cast<std::size_t>(k)];
            const double edge = design_ - 0.02 * t_.lane;
            const double x2 = t_.lane + t_.shoulder;
            const double y2 = edge - 0.06 * t_.shoulder;
            p.push_back({side * t_.lane, edge});
            p.push_back({side * x2, y2});
            if (y2 - ground(side * x2) > 0.2) {
                p.push_back(meetGround(side, x2, y2, -1));
            } else {
                const double bottom = y2 - 0.9;
                p.push_back({side * (x2 + 1.35), bottom});
                p.push_back({side * (x2 + 1.85), bottom});
                p.push_back(meetGround(side, x2 + 1.85, bottom, 1));
            }
        }
        points_.assign(sides[0].rbegin(), sides[0].rend());
        points_.push_back({0, design_});
        points_.insert(points_.end(), sides[1].begin(), sides[1].end());
    }

    void drawTable() {
        const Words& t = words();
        const double x1 = X(kHalf) + 5;
        w_.pen(pen::Table);
        w_.rectangle(o_, {x1, o_.y + kTable});
        w_.segment({o_.x, o_.y + 12}, {x1, o_.y + 12});
        w_.segment({o_.x, o_.y + 24}, {x1, o_.y + 24});
        w_.segment({o_.x + kHeader - 3, o_.y}, {o_.x + kHeader - 3, o_.y + kTable});
        w_.pen(pen::TableTexts);
        w_.text(o_ + Pt{2, 5}, 1.5, 1, 0, 0, t.rowOffsets.bytes);
        w_.text(o_ + Pt{2, 17}, 1.5, 1, 0, 0, t.rowTerrain.bytes);
        w_.text(o_ + Pt{2, 29}, 1.5, 1, 0, 0, t.rowDesignHeights.bytes);
        w_.text(o_ + Pt{2, kTable + 2}, 1.5, 1, 0, 0, "p.p. " + fixed(datum_, 2));

        std::vector<double> xs;
        for (const Pt& p : points_)
            xs.push_back(p.x);
        for (double x = -20; x <= 20; x += 5)
            if (std::none_of(xs.begin(), xs.end(), [x](double d) { return std::abs(d - x) < 0.6; }))
                xs.push_back(x);
        std::sort(xs.begin(), xs.end());
        for (double x : xs) {
            const bool onDesign =
                std::any_of(points_.begin(), points_.end(), [x](const Pt& p) { return p.x == x; });
            const double g = ground(x);
            const double top = onDesign ? std::max(g, designAt(x)) : g;
            w_.pen(pen::Grid);
            w_.segment({X(x), o_.y + kTable}, {X(x), Y(top)});
            w_.pen(pen::TableTexts);
            w_.text({X(x) + 0.7, o_.y + 1.5}, 1.2, 1, 90, 0, fixed(std::abs(x), 2));
            w_.text({X(x) + 0.7, o_.y + 13.5}, 1.2, 1, 90, 0, fixed(g, 2));
            if (onDesign)
                w_.text({X(x) + 0.7, o_.y + 25.5}, 1.2, 1, 90, 0, fixed(designAt(x), 2));
        }
    }

    void drawLines() {
        std::vector<Pt> pts;
        for (double x = -kHalf; x <= kHalf + 1e-9; x += 0.5)
            pts.push_back(P({x, ground(x)}));
        w_.pen(pen::Terrain);
        w_.polyline(pts);
        pts.clear();
        for (const Pt& p : points_)
            pts.push_back(P(p));
        w_.pen(pen::Design);
        w_.polyline(pts);
        w_.pen(pen::CentreLine);
        w_.segment({X(0), o_.y + kTable}, {X(0), Y(design_ + 2.2)});
        w_.text({X(0) - 1.5, Y(design_ + 2.3)}, 1.5, 1, 0, 0, words().centre.bytes);
    }

    void drawPavement() {
        const double edge = design_ - 0.02 * t_.lane;
        const double outer = t_.lane + t_.shoulder;
        const double y2 = edge - 0.06 * t_.shoulder;
        w_.pen(pen::Pavement);
        for (double d : {0.04, 0.12, 0.32})
            w_.polyline({P({-t_.lane, edge - d}), P({0, design_ - d}), P({t_.lane, edge - d})});
        w_.polyline({P({-outer, y2 - 0.52}), P({-t_.lane, edge - 0.52}), P({0, design_ - 0.52}),
                     P({t_.lane, edge - 0.52}), P({outer, y2 - 0.52})});
        for (int side : {-1, 1})
            w_.segment(P({side * t_.lane, edge}), P({side * t_.lane, edge - 0.32}));
        if (!describe_)
            return;
        const Words& t = words();
        const std::array<const std::string*, 4> names = {&t.layer1.bytes, &t.layer2.bytes,
                                                         &t.layer3.bytes, &t.layer4.bytes};
        const std::array<double, 4> depth = {0.02, 0.08, 0.22, 0.42};
        for (std::size_t i = 0; i < 4; ++i) {
            const double x = 0.6 + 0.5 * static_cast<double>(i);
            const Pt from = P({x, design_ - 0.02 * x - depth[i]});
            const Pt bend{X(6.5), Y(design_ - 1.3 - 0.45 * static_cast<double>(i))};
            w_.polyline({from, bend, bend + Pt{42, 0}});
            w_.text(bend + Pt{1, 0.6}, 1.2, 1, 0, 0, *names[i]);
        }
    }

    void drawDimensions() {
        const double outer = t_.lane + t_.shoulder;
        const std::array<double, 5> xs = {-outer, -t_.lane, 0, t_.lane, outer};
        const double y = Y(design_ + 1.0);
        w_.pen(pen::Dimension);
        w_.segment({X(xs.front()) - 2, y}, {X(xs.back()) + 2, y});
        for (double x : xs) {
            w_.segment({X(x), Y(designAt(x)) + 1}, {X(x), y + 1.5});
            w_.segment({X(x) - 0.8, y - 0.8}, {X(x) + 0.8, y + 0.8});
        }
        for (std::size_t i = 0; i + 1 < xs.size(); ++i) {
            const std::string d = fixed(xs[i + 1] - xs[i], 2);
            w_.text({(X(xs[i]) + X(xs[i + 1])) / 2 - textWidth(d, 1.5) / 2, y + 0.8}, 1.3, 1, 0, 0,
                    d);
        }
        w_.text({X(-4.5), Y(design_ + 1.7)}, 1.3, 1, 0, 0,
                words().crownWidth.bytes + fixed(2 * outer, 2) + " m");
    }

    void drawTexts() {
        const Words& t = words();
        w_.pen(pen::Gradients);
        for (int side : {-1, 1}) {
            const double lane = degrees(std::atan(0.02)) * -side;
            const double shoulder = degrees(std::atan(0.06)) * -side;
            const double xl = side * t_.lane / 2;
            w_.text({X(xl) - 1.5, Y(design_ - 0.01 * t_.lane) + 0.7}, 1.2, 1, lane, 0, "2%");
            const double xs = side * (t_.lane + t_.shoulder / 2);
            w_.text({X(xs) - 1.5, Y(design_ - 0.02 * t_.lane - 0.03 * t_.shoulder) + 0.7}, 1.2, 1,
                    shoulder, 0, "6%");
        }
        // Slope ratios on the outermost slopes.
        for (std::size_t i : {std::size_t{0}, points_.size() - 2}) {
            const Pt a = P(points_[i]);
            const Pt b = P(points_[i + 1]);
            const double angle = readable(degrees(std::atan2(b.y - a.y, b.x - a.x)));
            const Pt m = (a + b) * 0.5;
            w_.text(m + direction(radians(angle + 90)) * 1.0 - direction(radians(angle)) * 2.5, 1.2,
                    1, angle, 0, "1:1.5");
        }
        double fill = 0;
        double cut = 0;
        const double x0 = points_.front().x;
        const double x1 = points_.back().x;
        for (double x = x0; x < x1; x += 0.1) {
            const double d = designAt(x + 0.05) - ground(x + 0.05);
            (d > 0 ? fill : cut) += std::abs(d) * std::min(0.1, x1 - x);
        }
        double top = design_ + 2.6;
        for (double x = -kHalf; x <= kHalf + 1e-9; x += 0.5)
            top = std::max(top, ground(x));
        const double y = std::min(Y(top) + 10, o_.y + 176);
        w_.text({o_.x + 2, y - 6}, 1.4, 1, 0, 0, t.fill.bytes + fixed(fill, 2) + " m2");
        w_.text({o_.x + 2, y - 11}, 1.4, 1, 0, 0, t.cut.bytes + fixed(cut, 2) + " m2");
        w_.pen(pen::Title);
        const std::string heading = t.section.bytes + stationText(s_, 0);
        w_.text({X(0) - textWidth(heading, 3.5) / 2, y}, 3, 1, 0, 0, heading);
    }

    KwlWriter& w_;
    const Template& t_;
    double s_;
    Pt o_;
    bool describe_;
    std::uint64_t seed_;
    double centre_ = 0;
    double slope_ = 0;
    double phase_ = 0;
    double design_ = 0;
    double datum_ = 0;
    std::vector<Pt> points_;
};

void drawSectionSheet(KwlWriter& w, const Terrain& terrain, const Template& t, int index, Pt o,
                      const std::string& road) {
    constexpr double kCellW = 510;
    constexpr double kCellH = 190;
    constexpr double kWidth = 30 + 3 * kCellW;
    constexpr double kHeight = 15 + 50 + 4 * kCellH + 15;
    const Words& labels = words();
    w.pen(pen::Frame);
    w.rectangle(o, o + Pt{kWidth, kHeight});
    w.rectangle(o + Pt{5, 5}, o + Pt{kWidth - 5, kHeight - 5});
    const Pt b0 = o + Pt{kWidth - 340, 15};
    const Pt b1 = o + Pt{kWidth - 15, 60};
    w.rectangle(b0, b1);
    w.segment({b0.x, b0.y + 22}, {b1.x, b0.y + 22});
    const int first = index * 12;
    const double from = (first + 1) * t.step;
    const double to = (first + 12) * t.step;
    w.pen(pen::Title);
    w.text(b0 + Pt{5, 30}, 5, 1, 0, 0, labels.sectionsTitle.bytes);
    w.pen(pen::TableTexts);
    w.text(b0 + Pt{5, 14}, 2.5, 1, 0, 0, road);
    w.text(b0 + Pt{5, 4}, 2.5, 1, 0, 0,
           labels.sectionsScale.bytes + ", " + labels.sheet.bytes + std::to_string(index + 1) +
               ", KM " + stationText(from, 0) + toWindows1250(u8" – KM ") + stationText(to, 0));
    w.text(o + Pt{20, 40}, 2.2, 1, 0, 0, labels.investor.bytes);
    w.text(o + Pt{20, 30}, 2.2, 1, 0, 0, labels.stage.bytes);
    w.pen(pen::Remarks);
    w.text(o + Pt{20, 20}, 2, 1, 0, 0, labels.heights.bytes);
    for (int i = 0; i < 12; ++i) {
        const int col = i % 3;
        const int row = i / 3;
        const Pt cell = o + Pt{15 + col * kCellW, 65 + (3 - row) * kCellH};
        CrossSection(w, terrain, t, (first + i + 1) * t.step, cell, i == 0).draw();
    }
}

void generateSections(KwlWriter& w, std::uint64_t target, std::uint32_t seed) {
    w.line("PRZEKROJE,100,100");
    const Terrain terrain(seed);
    Random r(mixSeed(seed, 3));
    const std::string road = roadName(r);
    Template t;
    t.lane = r.pick(std::array{2.75, 3.0, 3.25, 3.5});
    t.shoulder = r.pick(std::array{0.75, 1.0, 1.25});
    t.step = r.chance(0.5) ? 20 : 25;
    // The natural drawing is two sheets.
    for (int i = 0;; ++i) {
        drawSectionSheet(w, terrain, t, i, Pt{(i % 6) * 1700.0, -(i / 6) * 1000.0}, road);
        if (i >= 1 && (w.written() >= target || w.failed()))
            break;
    }
}

} // namespace

std::string toWindows1250(std::string_view utf8) {
    static constexpr std::array<std::pair<char32_t, unsigned char>, 22> kTable = {{
        {0x0104, 0xA5}, {0x0105, 0xB9}, {0x0106, 0xC6}, {0x0107, 0xE6}, {0x0118, 0xCA},
        {0x0119, 0xEA}, {0x0141, 0xA3}, {0x0142, 0xB3}, {0x0143, 0xD1}, {0x0144, 0xF1},
        {0x00D3, 0xD3}, {0x00F3, 0xF3}, {0x015A, 0x8C}, {0x015B, 0x9C}, {0x0179, 0x8F},
        {0x017A, 0x9F}, {0x017B, 0xAF}, {0x017C, 0xBF}, {0x2013, 0x96}, {0x00B0, 0xB0},
        {0x00A7, 0xA7}, {0x00A0, 0xA0},
    }};
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        char32_t cp = c;
        std::size_t n = 1;
        if (c >= 0xF0)
            n = 4, cp = c & 0x07;
        else if (c >= 0xE0)
            n = 3, cp = c & 0x0F;
        else if (c >= 0xC0)
            n = 2, cp = c & 0x1F;
        for (std::size_t k = 1; k < n && i + k < utf8.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        i += n;
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
            continue;
        }
        char b = '?';
        for (const auto& [from, to] : kTable)
            if (from == cp)
                b = static_cast<char>(to);
        out.push_back(b);
    }
    return out;
}

std::string toWindows1250(std::u8string_view utf8) {
    return toWindows1250(std::string_view(reinterpret_cast<const char*>(utf8.data()), utf8.size()));
}

std::uint64_t GenerateRoadDrawing(std::ostream& out, RoadSheet sheet, std::uint64_t targetBytes,
                                  std::uint32_t seed) {
    KwlWriter w(out);
    w.line("&IBMRYSUNEKZEVO");
    switch (sheet) {
    case RoadSheet::Plan:
        generatePlan(w, targetBytes, seed);
        break;
    case RoadSheet::Profile:
        generateProfile(w, targetBytes, seed);
        break;
    case RoadSheet::CrossSections:
        generateSections(w, targetBytes, seed);
        break;
    }
    w.finish();
    return w.written();
}
