#include "builder/row_nearest.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vonnik {

namespace {

// An answer taken from the envelope beats every other pixel by at least this many squared
// pixels in exact arithmetic. With coordinates below kLimit, squared distances stay below
// 2^33, where a rounding step moves a value by less than 2^-19, and the breakpoints are off
// by less than 2^-17: both far below the margin.
constexpr double kMargin = 1.0 / 32;
constexpr double kLimit = 32768.0;
constexpr double kInfinity = std::numeric_limits<double>::infinity();

}  // namespace

RowNearest::RowNearest(const std::vector<std::int32_t>& xs, const std::vector<std::int32_t>& ys,
                       std::int32_t count)
    : xs_(xs), ys_(ys) {
    usable_ = count > 0;
    for (std::int32_t k = 0; k < count && usable_; ++k) {
        usable_ = std::abs(xs[k]) < kLimit && std::abs(ys[k]) < kLimit;
        if (k > 0 && (xs[k] < xs[k - 1] || (xs[k] == xs[k - 1] && ys[k] <= ys[k - 1])))
            usable_ = false;
    }
    if (!usable_) return;
    for (std::int32_t k = 0; k < count; ++k) {
        if (k == 0 || xs[k] != xs[k - 1]) {
            columnX_.push_back(xs[k]);
            columnBegin_.push_back(k);
            columnEnd_.push_back(k);
        }
        columnEnd_.back() = k + 1;
    }
    cursor_ = columnBegin_;
}

double RowNearest::Meet(const Parabola& p, const Parabola& q) {
    // Where (t - p.apex)^2 + p.lift = (t - q.apex)^2 + q.lift, for p.apex < q.apex.
    return ((q.lift + q.apex * q.apex) - (p.lift + p.apex * p.apex)) / (2.0 * (q.apex - p.apex));
}

void RowNearest::SetRow(double y) {
    haveRow_ = true;
    rowUsable_ = usable_ && std::fabs(y) < kLimit;
    if (!rowUsable_) return;
    if (!(y >= y_)) cursor_ = columnBegin_;  // a line above the last one: start over
    y_ = y;
    rowUsable_ = ChooseColumnPixels();
    if (rowUsable_) BuildEnvelope();
    segment_ = closeCall_ = 0;
    lastX_ = -kInfinity;
}

bool RowNearest::ChooseColumnPixels() {
    candidates_.clear();
    for (std::size_t c = 0; c < columnX_.size(); ++c) {
        std::int32_t& at = cursor_[c];
        while (at < columnEnd_[c] && ys_[at] < y_) ++at;
        // Only the pixels just above and just below the line can win: any other pixel of
        // the column is farther from every point of the line by a whole pixel or more.
        std::int32_t k = -1;
        double lift = 0.0;
        if (at > columnBegin_[c]) {
            const double dy = y_ - ys_[at - 1];
            k = at - 1;
            lift = dy * dy;
        }
        if (at < columnEnd_[c]) {
            const double dy = y_ - ys_[at];
            const double belowLift = dy * dy;
            if (k < 0 || belowLift < lift) {
                // The pixel above comes first in the list and wins equal distances: when it
                // is only a hair farther, rounding may make it equal for some points.
                if (k >= 0 && lift - belowLift < kMargin) return false;
                k = at;
                lift = belowLift;
            }
        }
        candidates_.push_back({static_cast<double>(columnX_[c]), lift, k});
    }
    return true;
}

void RowNearest::BuildEnvelope() {
    envelope_.clear();
    starts_.clear();
    closeCalls_.clear();
    for (const Parabola& q : candidates_) {
        double start = -kInfinity;
        while (!envelope_.empty()) {
            start = Meet(envelope_.back(), q);
            if (envelope_.size() == 1 || start > starts_.back()) break;
            // q takes over before the last parabola does: that one is hidden.
            NoteHidden(start, starts_.back());
            envelope_.pop_back();
            starts_.pop_back();
        }
        envelope_.push_back(q);
        starts_.push_back(start);
    }
    MergeCloseCalls();
}

void RowNearest::NoteHidden(double overtaken, double overtakes) {
    // Against min(left, right), its neighbours on the envelope, the hidden parabola rises
    // linearly, with slope 2 or more, on both sides of an interval that reaches from where
    // right overtakes it to where it overtakes left. Where those two lie far enough apart,
    // the hidden parabola stays more than the margin above the envelope everywhere;
    // otherwise points near them are close calls. (Later parabolas only lower the envelope.)
    if (overtakes - overtaken <= 2 * kMargin)
        closeCalls_.push_back({overtaken - 2 * kMargin, overtakes + 2 * kMargin});
}

void RowNearest::MergeCloseCalls() {
    std::sort(closeCalls_.begin(), closeCalls_.end(),
              [](const Span& a, const Span& b) { return a.from < b.from; });
    std::size_t merged = 0;
    for (const Span& s : closeCalls_) {
        if (merged > 0 && s.from <= closeCalls_[merged - 1].to)
            closeCalls_[merged - 1].to = std::max(closeCalls_[merged - 1].to, s.to);
        else
            closeCalls_[merged++] = s;
    }
    closeCalls_.resize(merged);
}

bool RowNearest::TooClose(double x) {
    if (x - starts_[segment_] < kMargin) return true;
    if (segment_ + 1 < envelope_.size() && starts_[segment_ + 1] - x < kMargin) return true;
    while (closeCall_ < closeCalls_.size() && closeCalls_[closeCall_].to < x) ++closeCall_;
    return closeCall_ < closeCalls_.size() && closeCalls_[closeCall_].from <= x;
}

OutlineIndex::Nearest RowNearest::Find(double x, double y, const OutlineIndex& index,
                                       std::int32_t hint) {
    if (!haveRow_ || !(y == y_)) SetRow(y);
    if (!rowUsable_ || !(std::fabs(x) < kLimit)) return index.FindNearest(x, y, hint);
    if (x < lastX_) segment_ = closeCall_ = 0;  // back along the line: look again from the left
    lastX_ = x;
    while (segment_ + 1 < envelope_.size() && starts_[segment_ + 1] <= x) ++segment_;
    if (TooClose(x)) {
        ++closeCallAnswers_;
        return index.FindNearest(x, y, hint);
    }
    const std::int32_t k = envelope_[segment_].k;
    const double dx = x - xs_[k];
    const double dy = y - ys_[k];
    return {k, dx * dx + dy * dy};
}

}  // namespace vonnik
