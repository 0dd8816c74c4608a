// Which dimensions are tied to an entity: the reverse of the dimensions' ties, kept by the
// drawing as it keeps its spatial index. The drawing tells it of every dimension that changed;
// it looks at those again before its next answer, so one edit never costs a look at every
// dimension.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace cad {

class Drawing;

class TieIndex {
public:
    // The live dimensions tied to the entity, in no particular order, added to `out`.
    void tiedTo(const Drawing& d, std::uint32_t entity, std::vector<std::uint32_t>& out);
    // A dimension changed, was deleted or revived: its ties are looked at again.
    void changed(std::uint32_t dimension);
    // Everything is looked at again.
    void invalidate() { valid_ = false; }

private:
    void sync(const Drawing& d);
    void forget(std::uint32_t dimension);
    void learn(const Drawing& d, std::uint32_t dimension);

    bool valid_ = false;
    std::size_t seen_ = 0; // entity records looked at
    std::unordered_map<std::uint32_t, std::vector<std::uint32_t>> byEntity_;
    // The entities each dimension is listed under.
    std::unordered_map<std::uint32_t, std::vector<std::uint32_t>> listedUnder_;
    std::vector<std::uint32_t> dirty_;
    std::vector<char> isDirty_; // by handle
};

} // namespace cad
