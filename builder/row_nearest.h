#pragma once

#include <cstdint>
#include <vector>

#include "builder/outline_index.h"

namespace vonnik {

// Nearest outline pixels for points on one horizontal line at a time, with the same answers
// as OutlineIndex::FindNearest.
//
// Along a line y the squared distance to the outline pixels of column x is a parabola
// (t - x)^2 + c in the point's abscissa t, and within a column only the pixel nearest to the
// line can win. The lower envelope of these parabolas names the nearest pixel for a whole
// line at once. An answer is taken from the envelope only where every other pixel is, in
// exact arithmetic, farther by a margin that rounding cannot bridge: away from the
// envelope's breakpoints and from the places where a hidden parabola comes close to it.
// Every other point, and every line with a column whose two candidates are too close to
// call, is left to the exact index.
class RowNearest {
  public:
    // The outline list must be ordered by x and, within one x, by y (the scan order).
    RowNearest(const std::vector<std::int32_t>& xs, const std::vector<std::int32_t>& ys,
               std::int32_t count);

    // The answer of index.FindNearest(x, y, hint). Fastest line by line in increasing y,
    // and along one line in increasing x.
    OutlineIndex::Nearest Find(double x, double y, const OutlineIndex& index, std::int32_t hint);
    // How many answers of Find came from the index's own search near a close call, rather
    // than from the line's envelope.
    std::size_t CloseCallAnswers() const { return closeCallAnswers_; }

  private:
    struct Parabola {
        double apex;     // the column x
        double lift;     // c = (y - Y[k])^2, as the distance computes it
        std::int32_t k;  // the outline pixel
    };
    struct Span {
        double from, to;
    };
    static double Meet(const Parabola& p, const Parabola& q);
    void SetRow(double y);
    bool ChooseColumnPixels();
    void BuildEnvelope();
    void NoteHidden(double overtaken, double overtakes);
    void MergeCloseCalls();
    bool TooClose(double x);

    const std::vector<std::int32_t>& xs_;
    const std::vector<std::int32_t>& ys_;
    bool usable_ = false;  // the list is in scan order and small enough for the margins
    std::vector<std::int32_t> columnBegin_, columnEnd_, columnX_;
    std::vector<std::int32_t> cursor_;  // per column: first pixel with Y >= the line
    bool haveRow_ = false;
    double y_ = 0.0;
    bool rowUsable_ = false;
    std::vector<Parabola> candidates_;
    std::vector<Parabola> envelope_;  // left to right
    std::vector<double> starts_;      // starts_[n]: where envelope_[n] takes over
    std::vector<Span> closeCalls_;    // where hidden parabolas may come near the envelope
    std::size_t segment_ = 0, closeCall_ = 0;
    double lastX_ = 0.0;
    std::size_t closeCallAnswers_ = 0;
};

}  // namespace vonnik
