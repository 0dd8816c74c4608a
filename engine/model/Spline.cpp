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

} // namespace

void splinePoints(std::span<const Vec2> fitPoints, bool closed, double tolerance,
                  std::vector<Vec2>& out) {
    std::vector<Vec2> p(fitPoints.begin(), fitPoints.end());
    // Repeated points would give spans of no length.
    p.erase(std::unique(p.begin(), p.end()), p.end());
    if (closed && p.size() > 1 && p.front() == p.back())
        p.pop_back();
    if (p.size() < 3) {
        out.insert(out.end(), p.begin(), p.end());
        if (closed && p.size() > 1)
            out.push_back(p.front());
        return;
    }
    if (closed)
        p.push_back(p.front());
    const std::size_t n = p.size();
    std::vector<double> t(n, 0), xs(n), ys(n);
    for (std::size_t i = 0; i < n; ++i) {
        xs[i] = p[i].x;
        ys[i] = p[i].y;
        if (i > 0)
            t[i] =
                t[i - 1] + std::max(std::hypot(p[i].x - p[i - 1].x, p[i].y - p[i - 1].y), 1e-300);
    }
    const std::vector<double> mx = secondDerivatives(t, xs, closed);
    const std::vector<double> my = secondDerivatives(t, ys, closed);
    const double tol = tolerance > 0 && std::isfinite(tolerance) ? tolerance : t.back() / 1000;
    out.push_back(p[0]);
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const double h = t[i + 1] - t[i];
        // Steps so that a chord of the span strays little from it.
        const int steps =
            std::clamp(static_cast<int>(std::ceil(std::sqrt(h / tol) * 2)), 2, kMostSteps);
        for (int s = 1; s <= steps; ++s) {
            const double u = h * s / steps, a = (h - u) / h, b = u / h;
            const auto value = [&](const std::vector<double>& y, const std::vector<double>& m) {
                return a * y[i] + b * y[i + 1] +
                       ((a * a * a - a) * m[i] + (b * b * b - b) * m[i + 1]) * h * h / 6;
            };
            out.push_back(s == steps ? p[i + 1] : Vec2{value(xs, mx), value(ys, my)});
        }
    }
}

} // namespace cad
