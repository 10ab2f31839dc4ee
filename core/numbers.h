#pragma once

#include <cmath>
#include <cstdint>
#include <optional>
#include <string_view>

namespace vonnik {

// power(base, e) of the inflation profile and the shading:
//   e = 0 gives 1; base = 0 with e > 0 gives 0; an integral e with |e| <= 2^31 - 1 is the
//   repeated product by right-to-left squaring (its reciprocal for e < 0, negative bases
//   allowed); otherwise exp(e * ln base). A negative base with a fractional exponent has no
//   real power and gives 0.
double Power(double base, double e);

// The runtime's text-to-integer conversion of the panel's number fields: leading spaces
// (only the space character), an optional sign before any hexadecimal prefix, decimal
// digits or hexadecimal digits after "$", "x", "X", "0x" or "0X", the whole text consumed,
// and the signed value inside the 32-bit range. Empty or malformed text gives nothing.
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
