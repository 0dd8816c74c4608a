#include "engine/model/Spline.h"

#include <algorithm>
#include <cmath>

namespace cad {

namespace {

constexpr int kMostSteps = 256; // points of one span between two fit points

// Second derivatives of a cubic spline through values y at parameters t (natural ends, or
// periodic when closed: then y and t carry the first point again at their end).
std::vector<double> secondDerivatives(const std::vector<double>& t, const std::vector<double>& y,
                                      bool closed) {
    const std::size_t n = y.size();
    std::vector<double> m(n, 0.0);
    if (n < 3)
        return m;
    auto h = [&](std::size_t i) { return t[i + 1] - t[i]; };
    if (!closed) {
        // Natural ends (no bending at the first and last point): a tridiagonal system for the
        // points between.
        const std::size_t k = n - 2;
        std::vector<double> a(k), b(k), c(k), r(k);
        for (std::size_t j = 0; j < k; ++j) {
            const std::size_t i = j + 1;
            a[j] = h(i - 1);
            b[j] = 2 * (h(i - 1) + h(i));
            c[j] = h(i);
            r[j] = 6 * ((y[i + 1] - y[i]) / h(i) - (y[i] - y[i - 1]) / h(i - 1));
        }
        for (std::size_t j = 1; j < k; ++j) {
            const double w = a[j] / b[j - 1];
            b[j] -= w * c[j - 1];
            r[j] -= w * r[j - 1];
        }
        m[k] = r[k - 1] / b[k - 1];
        for (std::size_t j = k - 1; j-- > 0;)
            m[j + 1] = (r[j] - c[j] * m[j + 2]) / b[j];
        return m;
    }
    // Periodic (y and t carry the first point again at their end): a cyclic tridiagonal
    // system, solved by the Sherman-Morrison formula.
    const std::size_t k = n - 1;
    std::vector<double> a(k), b(k), c(k), r(k);
    for (std::size_t i = 0; i < k; ++i) {
        const double hp = i == 0 ? h(k - 1) : h(i - 1), hn = h(i);
        const double yPrev = i == 0 ? y[k - 1] : y[i - 1];
        a[i] = hp;
        b[i] = 2 * (hp + hn);
        c[i] = hn;
        r[i] = 6 * ((y[i + 1] - y[i]) / hn - (y[i] - yPrev) / hp);
    }
    const double alpha = c[k - 1], beta = a[0], gamma = -b[0];
    std::vector<double> bb = b;
    bb[0] = b[0] - gamma;
    bb[k - 1] = b[k - 1] - alpha * beta / gamma;
    auto solve = [&](std::vector<double> rhs) {
        std::vector<double> cc(k), x(k);
        cc[0] = c[0] / bb[0];
        rhs[0] /= bb[0];
        for (std::size_t i = 1; i < k; ++i) {
            const double den = bb[i] - a[i] * cc[i - 1];
            cc[i] = c[i] / den;
            rhs[i] = (rhs[i] - a[i] * rhs[i - 1]) / den;
        }
        x[k - 1] = rhs[k - 1];
        for (std::size_t i = k - 1; i-- > 0;)
            x[i] = rhs[i] - cc[i] * x[i + 1];
        return x;
    };
    const std::vector<double> x = solve(r);
    std::vector<double> u(k, 0);
    u[0] = gamma;
    u[k - 1] = alpha;
    const std::vector<double> z = solve(u);
    const double factor = (x[0] + beta * x[k - 1] / gamma) / (1 + z[0] + beta * z[k - 1] / gamma);
    for (std::size_t i = 0; i < k; ++i)
        m[i] = x[i] - factor * z[i];
    m[k] = m[0];
    return m;
}

// The curve: its different points in order (closed: the first again at the end), the chord
// length from the first to each, and the second derivatives of x and y at each. Fewer than
// three different points make the straight path: no bending anywhere.
struct Curve {
    std::vector<Vec2> p;
    std::vector<double> t, mx, my;
    bool straight = true;

    std::size_t spans() const { return p.empty() ? 0 : p.size() - 1; }
    double h(std::size_t i) const { return t[i + 1] - t[i]; }

    // The point at u along span i (0 <= u <= h(i)).
    Vec2 at(std::size_t i, double u) const {
        const double hh = h(i), a = (hh - u) / hh, b = u / hh;
        const auto value = [&](double y0, double y1, double m0, double m1) {
            return a * y0 + b * y1 + ((a * a * a - a) * m0 + (b * b * b - b) * m1) * hh * hh / 6;
        };
        return {value(p[i].x, p[i + 1].x, mx[i], mx[i + 1]),
                value(p[i].y, p[i + 1].y, my[i], my[i + 1])};
    }
    // The derivative there, by u.
    Vec2 slope(std::size_t i, double u) const {
        const double hh = h(i), a = (hh - u) / hh, b = u / hh;
        const auto value = [&](double y0, double y1, double m0, double m1) {
            return (y1 - y0) / hh + hh / 6 * ((3 * b * b - 1) * m1 - (3 * a * a - 1) * m0);
        };
        return {value(p[i].x, p[i + 1].x, mx[i], mx[i + 1]),
                value(p[i].y, p[i + 1].y, my[i], my[i + 1])};
    }
};

std::vector<Vec2> distinct(std::span<const Vec2> fitPoints, bool closed) {
    std::vector<Vec2> p(fitPoints.begin(), fitPoints.end());
    // Repeated points would give spans of no length.
    p.erase(std::unique(p.begin(), p.end()), p.end());
    if (closed && p.size() > 1 && p.front() == p.back())
        p.pop_back();
    return p;
}

Curve curveOf(std::span<const Vec2> fitPoints, bool closed) {
    Curve c;
    c.p = distinct(fitPoints, closed);
    c.straight = c.p.size() < 3;
    if (closed && c.p.size() > 1)
        c.p.push_back(c.p.front());
    const std::size_t n = c.p.size();
    c.t.assign(n, 0);
    std::vector<double> xs(n), ys(n);
    for (std::size_t i = 0; i < n; ++i) {
        xs[i] = c.p[i].x;
        ys[i] = c.p[i].y;
        if (i > 0)
            c.t[i] = c.t[i - 1] +
                     std::max(std::hypot(c.p[i].x - c.p[i - 1].x, c.p[i].y - c.p[i - 1].y), 1e-300);
    }
    if (c.straight) {
        c.mx.assign(n, 0);
        c.my.assign(n, 0);
    } else {
        c.mx = secondDerivatives(c.t, xs, closed);
        c.my = secondDerivatives(c.t, ys, closed);
    }
    return c;
}

double cross(Vec2 a, Vec2 b) {
    return a.x * b.y - a.y * b.x;
}

// Gauss-Legendre nodes and weights on [-1, 1].
constexpr double kNodes8[] = {-0.9602898564975363, -0.7966664774136267, -0.5255324099163290,
                              -0.1834346424956498, 0.1834346424956498,  0.5255324099163290,
                              0.7966664774136267,  0.9602898564975363};
constexpr double kWeights8[] = {0.1012285362903763, 0.2223810344533745, 0.3137066458778873,
                                0.3626837833783620, 0.3626837833783620, 0.3137066458778873,
                                0.2223810344533745, 0.1012285362903763};
constexpr double kNodes3[] = {-0.7745966692414834, 0, 0.7745966692414834};
constexpr double kWeights3[] = {5.0 / 9, 8.0 / 9, 5.0 / 9};

} // namespace

void splinePoints(std::span<const Vec2> fitPoints, bool closed, double tolerance,
                  std::vector<Vec2>& out) {
    const Curve c = curveOf(fitPoints, closed);
    if (c.straight) {
        out.insert(out.end(), c.p.begin(), c.p.end());
        return;
    }
    const double tol = tolerance > 0 && std::isfinite(tolerance) ? tolerance : c.t.back() / 1000;
    out.push_back(c.p[0]);
    for (std::size_t i = 0; i < c.spans(); ++i) {
        const double h = c.h(i);
        // Steps so that a chord of the span strays little from it.
        const int steps =
            std::clamp(static_cast<int>(std::ceil(std::sqrt(h / tol) * 2)), 2, kMostSteps);
        for (int s = 1; s < steps; ++s)
            out.push_back(c.at(i, h * s / steps));
        out.push_back(c.p[i + 1]);
    }
}

std::vector<Vec2> splineFitPoints(std::span<const Vec2> fitPoints, bool closed) {
    return distinct(fitPoints, closed);
}

Rect splineExtents(std::span<const Vec2> fitPoints, bool closed) {
    Rect r;
    for (const Vec2 q : fitPoints)
        r.add(q);
    const Curve c = curveOf(fitPoints, closed);
    if (c.straight)
        return r;
    for (std::size_t i = 0; i < c.spans(); ++i) {
        const double h = c.h(i), k = h / 6;
        // Where x or y turns within the span: its slope, a quadratic in b = u / h, is 0.
        for (const bool alongX : {true, false}) {
            const double y0 = alongX ? c.p[i].x : c.p[i].y;
            const double y1 = alongX ? c.p[i + 1].x : c.p[i + 1].y;
            const double m0 = alongX ? c.mx[i] : c.my[i];
            const double m1 = alongX ? c.mx[i + 1] : c.my[i + 1];
            const double qa = 3 * k * (m1 - m0), qb = 6 * k * m0;
            const double qc = (y1 - y0) / h - k * (2 * m0 + m1);
            double roots[2];
            int count = 0;
            if (std::abs(qa) <= 1e-12 * (std::abs(qb) + std::abs(qc))) {
                if (qb != 0)
                    roots[count++] = -qc / qb;
            } else if (const double disc = qb * qb - 4 * qa * qc; disc >= 0) {
                const double q = -0.5 * (qb + std::copysign(std::sqrt(disc), qb));
                roots[count++] = q / qa;
                if (q != 0)
                    roots[count++] = qc / q;
            }
            for (int j = 0; j < count; ++j)
                if (roots[j] > 0 && roots[j] < 1)
                    r.add(c.at(i, roots[j] * h));
        }
    }
    return r;
}

double splineLength(std::span<const Vec2> fitPoints, bool closed) {
    const Curve c = curveOf(fitPoints, closed);
    double length = 0;
    for (std::size_t i = 0; i < c.spans(); ++i) {
        if (c.straight) {
            length += std::hypot(c.p[i + 1].x - c.p[i].x, c.p[i + 1].y - c.p[i].y);
            continue;
        }
        // The speed along the span, integrated over four quarters of it.
        const double quarter = c.h(i) / 4;
        for (int piece = 0; piece < 4; ++piece)
            for (int g = 0; g < 8; ++g) {
                const Vec2 s = c.slope(i, quarter * (piece + (kNodes8[g] + 1) / 2));
                length += quarter / 2 * kWeights8[g] * std::hypot(s.x, s.y);
            }
    }
    return length;
}

double splineArea(std::span<const Vec2> fitPoints, bool closed) {
    const Curve c = curveOf(fitPoints, closed);
    if (c.p.empty())
        return 0;
    // Green's theorem, relative to the first point (so that coordinates far from the origin
    // keep their digits, and the chord back to it adds nothing): twice the area is the integral
    // of x dy - y dx, a polynomial of degree 5 on each span, which three nodes take exactly.
    const Vec2 o = c.p[0];
    const auto relative = [&](Vec2 q) { return Vec2{q.x - o.x, q.y - o.y}; };
    double twice = 0;
    for (std::size_t i = 0; i < c.spans(); ++i) {
        if (c.straight) {
            twice += cross(relative(c.p[i]), relative(c.p[i + 1]));
            continue;
        }
        const double h = c.h(i);
        for (int g = 0; g < 3; ++g) {
            const double u = h * (kNodes3[g] + 1) / 2;
            twice += h / 2 * kWeights3[g] * cross(relative(c.at(i, u)), c.slope(i, u));
        }
    }
    return std::abs(twice) / 2;
}

SplineEvaluator::SplineEvaluator(std::span<const Vec2> fitPoints, bool closed) {
    Curve c = curveOf(fitPoints, closed);
    p_ = std::move(c.p);
    t_ = std::move(c.t);
    mx_ = std::move(c.mx);
    my_ = std::move(c.my);
}

std::size_t SplineEvaluator::spanAt(double t) const {
    const auto it = std::upper_bound(t_.begin(), t_.end(), t);
    const auto k = static_cast<std::size_t>(std::max<std::ptrdiff_t>(it - t_.begin() - 1, 0));
    return std::min(k, t_.size() - 2);
}

Vec2 SplineEvaluator::at(double t) const {
    if (p_.size() < 2)
        return p_.empty() ? Vec2{} : p_[0];
    t = std::clamp(t, 0.0, t_.back());
    const std::size_t i = spanAt(t);
    const double h = t_[i + 1] - t_[i], u = t - t_[i], a = (h - u) / h, b = u / h;
    const auto value = [&](double y0, double y1, double m0, double m1) {
        return a * y0 + b * y1 + ((a * a * a - a) * m0 + (b * b * b - b) * m1) * h * h / 6;
    };
    return {value(p_[i].x, p_[i + 1].x, mx_[i], mx_[i + 1]),
            value(p_[i].y, p_[i + 1].y, my_[i], my_[i + 1])};
}

Vec2 SplineEvaluator::derivative(double t) const {
    if (p_.size() < 2)
        return {};
    t = std::clamp(t, 0.0, t_.back());
    const std::size_t i = spanAt(t);
    const double h = t_[i + 1] - t_[i], u = t - t_[i], a = (h - u) / h, b = u / h;
    const auto value = [&](double y0, double y1, double m0, double m1) {
        return (y1 - y0) / h + h / 6 * ((3 * b * b - 1) * m1 - (3 * a * a - 1) * m0);
    };
    return {value(p_[i].x, p_[i + 1].x, mx_[i], mx_[i + 1]),
            value(p_[i].y, p_[i + 1].y, my_[i], my_[i + 1])};
}

BSplineForm splineControlPoints(std::span<const Vec2> fitPoints, bool closed) {
    BSplineForm f;
    const Curve c = curveOf(fitPoints, closed);
    if (c.p.empty())
        return f;
    if (c.p.size() == 1) {
        f.knots = {0, 0, 0, 0, 1, 1, 1, 1};
        f.control.assign(4, c.p[0]);
        return f;
    }
    const std::size_t m = c.spans();
    const auto along = [](Vec2 a, Vec2 b, double k) {
        return Vec2{a.x + (b.x - a.x) * k, a.y + (b.y - a.y) * k};
    };
    f.knots.assign(4, c.t[0]);
    if (c.straight) {
        // Each segment a span of its own, its thirds for control points.
        for (std::size_t i = 1; i < m; ++i)
            f.knots.insert(f.knots.end(), 3, c.t[i]);
        f.knots.insert(f.knots.end(), 4, c.t[m]);
        for (std::size_t i = 0; i < m; ++i)
            for (const double k : {0.0, 1.0 / 3, 2.0 / 3})
                f.control.push_back(along(c.p[i], c.p[i + 1], k));
        f.control.push_back(c.p[m]);
        return f;
    }
    // One knot at each inner fit point (the curve bends smoothly through it). The inner points
    // of a span's Bezier form lie on the leg between two control points, which spans the
    // parameters from the fit point before the span to the one after it.
    f.knots.insert(f.knots.end(), c.t.begin() + 1, c.t.end() - 1);
    f.knots.insert(f.knots.end(), 4, c.t[m]);
    f.control.push_back(c.p[0]);
    Vec2 lastInner;
    for (std::size_t i = 0; i < m; ++i) {
        const double h = c.h(i);
        const Vec2 s0 = c.slope(i, 0), s1 = c.slope(i, h);
        const Vec2 b1{c.p[i].x + s0.x * h / 3, c.p[i].y + s0.y * h / 3};
        const Vec2 b2{c.p[i + 1].x - s1.x * h / 3, c.p[i + 1].y - s1.y * h / 3};
        const double before = i == 0 ? 0 : c.h(i - 1);
        f.control.push_back(along(b1, b2, -before / h));
        lastInner = b2;
    }
    f.control.push_back(lastInner);
    f.control.push_back(c.p[m]);
    return f;
}

} // namespace cad
