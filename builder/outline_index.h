#pragma once

#include <cstdint>
#include <vector>

namespace vonnik {

// An exact spatial index over the outline pixels. Every answer equals that of a scan over
// the whole outline list in index order: the squared distances are computed with the same
// expression on the same doubles, ties go to the lowest index, and a subtree is skipped only
// when its box's distance bound, which rounds the same way as the distances inside it,
// proves that nothing inside can win.
class OutlineIndex {
  public:
    OutlineIndex(const std::vector<std::int32_t>& xs, const std::vector<std::int32_t>& ys,
                 std::int32_t count);

    struct Nearest {
        std::int32_t index = -1;  // -1: the outline is empty
        double distanceSq = 0.0;
    };
    // The lowest-index outline pixel k minimising (x - X[k])^2 + (y - Y[k])^2. A hint (an
    // outline index, typically the answer for a nearby point) only speeds the search up: its
    // distance is where the search starts, and the answer is the same for any hint.
    Nearest FindNearest(double x, double y, std::int32_t hint = -1) const;

    // Calls claim(k) for every outline pixel k still in the index with
    // (X[k] - x)^2 + (Y[k] - y)^2 < limit, and removes those pixels from the index.
    template <typename Claim>
    void TakeWithin(double x, double y, double limit, Claim&& claim);

    std::int32_t Remaining() const { return nodes_.empty() ? 0 : nodes_[0].alive; }

  private:
    struct Node {
        double minX, maxX, minY, maxY;
        std::int32_t begin, end;  // range in order_
        std::int32_t left = -1, right = -1;
        std::int32_t alive = 0;
    };

    std::int32_t Build(std::int32_t begin, std::int32_t end);
    static double BoundSq(const Node& n, double x, double y);
    void SearchLeaf(const Node& n, double x, double y, Nearest& best) const;
    template <typename Claim>
    std::int32_t Take(std::int32_t node, double x, double y, double limit, Claim& claim);

    std::vector<std::int32_t> order_;  // outline indices, grouped by node
    std::vector<double> px_, py_;      // coordinates in order_'s order
    std::vector<char> taken_;          // in order_'s order
    std::vector<std::int32_t> place_;  // place_[k]: where outline pixel k sits in order_
    std::vector<Node> nodes_;
};

inline double OutlineIndex::BoundSq(const Node& n, double x, double y) {
    // Rounding is monotone, so for every pixel inside the box the computed squared distance
    // is at least this computed bound.
    double dx = 0.0;
    if (x < n.minX)
        dx = n.minX - x;
    else if (x > n.maxX)
        dx = x - n.maxX;
    double dy = 0.0;
    if (y < n.minY)
        dy = n.minY - y;
    else if (y > n.maxY)
        dy = y - n.maxY;
    return dx * dx + dy * dy;
}

template <typename Claim>
void OutlineIndex::TakeWithin(double x, double y, double limit, Claim&& claim) {
    if (!nodes_.empty()) Take(0, x, y, limit, claim);
}

template <typename Claim>
std::int32_t OutlineIndex::Take(std::int32_t node, double x, double y, double limit, Claim& claim) {
    Node& n = nodes_[node];
    if (n.alive == 0 || !(BoundSq(n, x, y) < limit)) return 0;
    std::int32_t removed = 0;
    if (n.left < 0) {
        for (std::int32_t p = n.begin; p < n.end; ++p) {
            if (taken_[p]) continue;
            const double dx = px_[p] - x;
            const double dy = py_[p] - y;
            const double e2 = dx * dx + dy * dy;
            if (limit > e2) {
                taken_[p] = 1;
                ++removed;
                claim(order_[p]);
            }
        }
    } else {
        removed += Take(n.left, x, y, limit, claim);
        removed += Take(n.right, x, y, limit, claim);
    }
    nodes_[node].alive -= removed;
    return removed;
}

}  // namespace vonnik
