#include "engine/model/BoxGrid.h"

#include <memory>

namespace cad {

namespace {

// A box over more cells than this is kept aside and tested against every other.
constexpr double kMostCellsOfOneBox = 64;

// Sorts (key, number) pairs by key, keeping the order of equal keys: by bytes, the least
// significant first.
void sortByKey(std::vector<std::uint64_t>& keys, std::vector<std::uint32_t>& values,
               std::uint64_t largest) {
    // Buffers filled before they are read: no need to clear them first.
    std::unique_ptr<std::uint64_t[]> keysBuffer(new std::uint64_t[keys.size()]);
    std::unique_ptr<std::uint32_t[]> valuesBuffer(new std::uint32_t[values.size()]);
    std::uint64_t* keys2 = keysBuffer.get();
    std::uint32_t* values2 = valuesBuffer.get();
    bool swapped = false;
    constexpr int kBits = 16;
    constexpr std::uint64_t kDigit = (1u << kBits) - 1;
    std::vector<std::uint32_t> count(kDigit + 2);
    for (int shift = 0; shift < 64 && (largest >> shift) != 0; shift += kBits) {
        std::fill(count.begin(), count.end(), 0);
        for (const std::uint64_t k : keys)
            ++count[((k >> shift) & kDigit) + 1];
        for (std::size_t i = 1; i < count.size(); ++i)
            count[i] += count[i - 1];
        std::uint64_t* fromKeys = swapped ? keys2 : keys.data();
        std::uint32_t* fromValues = swapped ? values2 : values.data();
        std::uint64_t* toKeys = swapped ? keys.data() : keys2;
        std::uint32_t* toValues = swapped ? values.data() : values2;
        for (std::size_t i = 0; i < keys.size(); ++i) {
            const std::uint32_t at = count[(fromKeys[i] >> shift) & kDigit]++;
            toKeys[at] = fromKeys[i];
            toValues[at] = fromValues[i];
        }
        swapped = !swapped;
    }
    if (swapped) {
        std::copy(keys2, keys2 + keys.size(), keys.begin());
        std::copy(values2, values2 + values.size(), values.begin());
    }
}

} // namespace

BoxGrid::BoxGrid(std::vector<Rect> boxes, bool forPlaces) : boxes_(std::move(boxes)) {
    isLarge_.assign(boxes_.size(), 0);
    Rect extent;
    double sumSides = 0;
    std::size_t counted = 0;
    for (const Rect& b : boxes_)
        if (!b.empty()) {
            extent.add(b);
            sumSides += b.width() + b.height();
            ++counted;
        }
    if (counted == 0)
        return;
    origin_ = {extent.left, extent.bottom};
    // Cells about twice as large as a box on average (most boxes in one cell or two), but never
    // a billionth of the whole or less, so that cell numbers fit in 64 bits.
    cellSize_ = std::max({sumSides / static_cast<double>(counted),
                          1e-9 * std::max(extent.width(), extent.height()), 1e-300});
    columns_ = static_cast<std::uint64_t>(column(extent.right)) + 1;
    rows_ = static_cast<std::uint64_t>(row(extent.top)) + 1;
    std::vector<std::uint64_t> keys;
    std::vector<std::uint32_t> values;
    keys.reserve(2 * counted);
    values.reserve(2 * counted);
    for (std::uint32_t i = 0; i < boxes_.size(); ++i) {
        const Rect& b = boxes_[i];
        if (b.empty())
            continue;
        const std::int64_t c0 = column(b.left), c1 = column(b.right);
        const std::int64_t r0 = row(b.bottom), r1 = row(b.top);
        if ((static_cast<double>(c1) - c0 + 1) * (static_cast<double>(r1) - r0 + 1) >
            kMostCellsOfOneBox) {
            large_.push_back(i);
            isLarge_[i] = 1;
            continue;
        }
        for (std::int64_t y = r0; y <= r1; ++y)
            for (std::int64_t x = c0; x <= c1; ++x) {
                keys.push_back(key(x, y));
                values.push_back(i);
            }
    }
    sortByKey(keys, values,
              key(static_cast<std::int64_t>(columns_) - 1, static_cast<std::int64_t>(rows_) - 1));
    members_ = std::move(values);
    cellKeys_.reserve(keys.size());
    cellStart_.reserve(keys.size() + 1);
    for (std::uint32_t p = 0; p < keys.size(); ++p)
        if (p == 0 || keys[p] != keys[p - 1]) {
            cellKeys_.push_back(keys[p]);
            cellStart_.push_back(p);
        }
    cellStart_.push_back(static_cast<std::uint32_t>(keys.size()));
    if (!forPlaces)
        return;
    std::size_t slots = 16;
    hashShift_ = 60;
    while (slots < 2 * cellKeys_.size()) {
        slots *= 2;
        --hashShift_;
    }
    table_.assign(slots, kNoCell);
    for (std::uint32_t at = 0; at < cellKeys_.size(); ++at) {
        std::size_t s = hash(cellKeys_[at]);
        while (table_[s] != kNoCell)
            s = (s + 1) & (slots - 1);
        table_[s] = at;
    }
}

} // namespace cad
