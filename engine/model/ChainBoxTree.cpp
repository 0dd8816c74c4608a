#include "engine/model/ChainBoxTree.h"

namespace cad {

ChainBoxTree::ChainBoxTree(std::vector<Rect> boxes) {
    if (boxes.empty())
        return;
    levels_.push_back(std::move(boxes));
    while (levels_.back().size() > 1) {
        const std::vector<Rect>& below = levels_.back();
        std::vector<Rect> groups((below.size() + kGroup - 1) / kGroup);
        for (std::size_t i = 0; i < below.size(); ++i)
            groups[i / kGroup].add(below[i]);
        levels_.push_back(std::move(groups));
    }
}

} // namespace cad
