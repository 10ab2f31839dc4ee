#include "builder/outline_index.h"

#include <algorithm>
#include <limits>

namespace vonnik {

namespace {
constexpr std::int32_t kLeafSize = 8;
// Deeper than any tree of 2^31 points split at the median into leaves of kLeafSize.
constexpr int kStackSize = 64;
}  // namespace

OutlineIndex::OutlineIndex(const std::vector<std::int32_t>& xs, const std::vector<std::int32_t>& ys,
                           std::int32_t count) {
    order_.resize(static_cast<std::size_t>(count));
    for (std::int32_t k = 0; k < count; ++k) order_[k] = k;
    px_.resize(order_.size());
    py_.resize(order_.size());
    taken_.assign(order_.size(), 0);
    if (count == 0) return;
    nodes_.reserve(static_cast<std::size_t>(4 * (count / kLeafSize + 1)));
    // Sort keys hold the coordinates while the tree is built.
    for (std::int32_t k = 0; k < count; ++k) {
        px_[k] = xs[k];
        py_[k] = ys[k];
    }
    Build(0, count);
    std::vector<double> sx(order_.size()), sy(order_.size());
    place_.resize(order_.size());
    for (std::size_t p = 0; p < order_.size(); ++p) {
        sx[p] = xs[order_[p]];
        sy[p] = ys[order_[p]];
        place_[order_[p]] = static_cast<std::int32_t>(p);
    }
    px_.swap(sx);
    py_.swap(sy);
}

std::int32_t OutlineIndex::Build(std::int32_t begin, std::int32_t end) {
    const std::int32_t id = static_cast<std::int32_t>(nodes_.size());
    nodes_.push_back(Node{});
    double minX = std::numeric_limits<double>::infinity(), maxX = -minX;
    double minY = minX, maxY = -minX;
    for (std::int32_t p = begin; p < end; ++p) {
        const std::int32_t k = order_[p];
        minX = std::min(minX, px_[k]);
        maxX = std::max(maxX, px_[k]);
        minY = std::min(minY, py_[k]);
        maxY = std::max(maxY, py_[k]);
    }
    Node n{minX, maxX, minY, maxY, begin, end, -1, -1, end - begin};
    if (end - begin > kLeafSize) {
        const bool alongX = (maxX - minX) >= (maxY - minY);
        const std::int32_t mid = begin + (end - begin) / 2;
        const auto key = [&](std::int32_t k) { return alongX ? px_[k] : py_[k]; };
        std::nth_element(order_.begin() + begin, order_.begin() + mid, order_.begin() + end,
                         [&](std::int32_t a, std::int32_t b) { return key(a) < key(b); });
        n.left = Build(begin, mid);
        n.right = Build(mid, end);
    }
    nodes_[id] = n;
    return id;
}

inline void OutlineIndex::SearchLeaf(const Node& n, double x, double y, Nearest& best) const {
    for (std::int32_t p = n.begin; p < n.end; ++p) {
        const double dx = x - px_[p];
        const double dy = y - py_[p];
        const double d2 = dx * dx + dy * dy;
        if (d2 < best.distanceSq || (d2 == best.distanceSq && order_[p] < best.index)) {
            best.distanceSq = d2;
            best.index = order_[p];
        }
    }
}

OutlineIndex::Nearest OutlineIndex::FindNearest(double x, double y, std::int32_t hint) const {
    Nearest best{-1, std::numeric_limits<double>::infinity()};
    if (nodes_.empty()) return best;
    if (hint >= 0 && hint < static_cast<std::int32_t>(place_.size())) {
        // The hint is one of the candidates, measured the same way as in the leaves.
        const double dx = x - px_[place_[hint]];
        const double dy = y - py_[place_[hint]];
        best = {hint, dx * dx + dy * dy};
    }
    // Depth first, nearer child first. A box at exactly the best distance may still hold a
    // lower index: only a larger bound rules it out.
    struct Pending {
        std::int32_t node;
        double bound;
    };
    Pending stack[kStackSize];
    int top = 0;
    stack[top++] = {0, BoundSq(nodes_[0], x, y)};
    while (top > 0) {
        const Pending pending = stack[--top];
        if (pending.bound > best.distanceSq) continue;
        const Node& n = nodes_[pending.node];
        if (n.left < 0) {
            SearchLeaf(n, x, y, best);
            continue;
        }
        Pending nearer{n.left, BoundSq(nodes_[n.left], x, y)};
        Pending farther{n.right, BoundSq(nodes_[n.right], x, y)};
        if (farther.bound < nearer.bound) std::swap(nearer, farther);
        if (!(farther.bound > best.distanceSq)) stack[top++] = farther;
        if (!(nearer.bound > best.distanceSq)) stack[top++] = nearer;
    }
    return best;
}

}  // namespace vonnik
