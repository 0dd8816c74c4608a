#include "bench/MillionDrawing.h"

#include <random>
#include <string>
#include <vector>

namespace bench {

void fillMillionEntities(cad::Drawing& d) {
    using cad::Vec2;
    for (int l = 1; l < 20; ++l)
        d.layers.push_back(cad::Layer{std::to_string(30 + l), std::uint32_t(l * 0x0A0B0C), 0, 0.25,
                                      true, false, true});
    std::mt19937 random(7);
    std::uniform_real_distribution<double> x(0, 100000), y(0, 60000), step(-8, 8);
    std::vector<Vec2> v(6);
    d.entities.reserve(kMillion);
    for (int i = 0; i < kMillion; ++i) {
        d.current.layer = i % 20;
        const Vec2 p{x(random), y(random)};
        switch (i % 4) {
        case 0:
        case 1:
            v[0] = p;
            for (std::size_t k = 1; k < v.size(); ++k)
                v[k] = {v[k - 1].x + step(random), v[k - 1].y + step(random)};
            d.addPolyline(v.data(), v.size(), false);
            break;
        case 2:
            d.addLine({p, {p.x + step(random), p.y + step(random)}});
            break;
        default:
            if (i % 8 == 3)
                d.addCircle({p, 3});
            else
                d.addText({p, 2.5, 0, 0, 0, 0, "Km " + std::to_string(i)});
            break;
        }
    }
}

} // namespace bench
