// The number rules. The builder, the renderer and the viewer keep them everywhere, because
// models, frames and exported meshes are compared bit for bit:
// - Real arithmetic is in doubles. Each formula is evaluated in the order it is written in
//   the rule that names it, with no fused multiply-add (every target is compiled with
//   -ffp-contract=off) and with the C library's sqrt, sin, cos, exp and log.
// - Trunc converts a double to an integer by dropping the fraction, toward zero: -0.7 gives
//   0, 12.9 gives 12. A point is looked up as a pixel at (Trunc(x + 0.5), Trunc(y + 0.5)).
// - div is integer division that drops the remainder: 101 div 2 is 50.
// - Colours are only ever compared for exact equality of their three colour bytes.
// - The power rule, power(base, e), used by the profile rule (builder/inflate.h) and the
//   shading of the frame rule (render/render_frame.h):
//     1 when e = 0, whatever the base;
//     0 when base = 0 and e > 0;
//     when e has no fraction and |e| <= 2^31 - 1: base multiplied |e| times by right-to-left
//       repeated squaring (r = 1; while n != 0: if n is odd, r *= b; b *= b; n >>= 1), and
//       the reciprocal 1 / r when e < 0; a negative base is allowed here;
//     otherwise exp(e * ln base); a negative base with a fractional exponent has no real
//       power and gives 0.
//   The order of the multiplications is part of the result: another order changes the last
//   bit for exponents of 4 and more.
// - The text-to-integer rule of the panel's number fields: TextToInt below.

#pragma once

#include <cmath>
#include <cstdint>
#include <optional>
#include <string_view>

namespace vonnik {

// power(base, e) by the power rule above.
double Power(double base, double e);

// The text-to-integer rule of the panel's number fields: leading spaces (only the space
// character), then an optional sign, then either decimal digits or, after a hexadecimal
// prefix "$", "x", "X", "0x" or "0X", hexadecimal digits (either case); the whole text must
// be consumed and the signed value must lie inside the 32-bit range (-2147483648 is
// accepted). Empty or malformed text, a sign after the prefix, or a value out of range
// gives nothing.
std::optional<std::int32_t> TextToInt(std::string_view text);

// Trunc (toward zero) clamped to [lo, hi]; NaN gives lo. Callers pick the bounds so that a
// clamped value still lands outside whatever they index, which keeps huge or non-finite
// coordinates from overflowing an integer. Inside the bounds this is exactly Trunc.
inline std::int64_t TruncClamped(double v, std::int64_t lo, std::int64_t hi) {
    if (std::isnan(v) || v <= static_cast<double>(lo)) return lo;
    if (v >= static_cast<double>(hi)) return hi;
    return static_cast<std::int64_t>(v);
}

}  // namespace vonnik
