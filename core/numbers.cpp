#include "core/numbers.h"

#include <cmath>
#include <limits>

namespace vonnik {

double Power(double base, double e) {
    if (e == 0.0) return 1.0;
    if (base == 0.0 && e > 0.0) return 0.0;
    if (std::trunc(e) == e && std::fabs(e) <= 2147483647.0) {
        // The multiplication order is part of the result: another order changes the last
        // bit for exponents of 4 and more.
        std::uint32_t n = static_cast<std::uint32_t>(std::fabs(e));
        double r = 1.0;
        double b = base;
        while (n != 0) {
            if (n & 1u) r *= b;
            b *= b;
            n >>= 1;
        }
        return e < 0.0 ? 1.0 / r : r;
    }
    if (base < 0.0) return 0.0;
    return std::exp(e * std::log(base));
}

namespace {

int DigitValue(char c, int radix) {
    int v = -1;
    if (c >= '0' && c <= '9')
        v = c - '0';
    else if (c >= 'a' && c <= 'f')
        v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        v = c - 'A' + 10;
    return v < radix ? v : -1;
}

}  // namespace

std::optional<std::int32_t> TextToInt(std::string_view text) {
    std::size_t p = 0;
    while (p < text.size() && text[p] == ' ') ++p;
    bool negative = false;
    if (p < text.size() && (text[p] == '+' || text[p] == '-')) {
        negative = text[p] == '-';
        ++p;
    }
    int radix = 10;
    if (p < text.size() && (text[p] == '$' || text[p] == 'x' || text[p] == 'X')) {
        radix = 16;
        ++p;
    } else if (p + 1 < text.size() && text[p] == '0' &&
               (text[p + 1] == 'x' || text[p + 1] == 'X')) {
        radix = 16;
        p += 2;
    }
    if (p == text.size()) return std::nullopt;
    std::uint64_t magnitude = 0;
    for (; p < text.size(); ++p) {
        const int d = DigitValue(text[p], radix);
        if (d < 0) return std::nullopt;
        magnitude = magnitude * static_cast<std::uint64_t>(radix) + static_cast<std::uint64_t>(d);
        if (magnitude > 0x80000000ull) return std::nullopt;
    }
    if (!negative && magnitude > 0x7FFFFFFFull) return std::nullopt;
    const std::int64_t value =
        negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    return static_cast<std::int32_t>(value);
}

}  // namespace vonnik
