// The number-field conversion on arbitrary text: never a crash, and the same verdict and
// value as a second reading written plainly from the text-to-integer rule of core/numbers.h
// (leading spaces, an optional sign, decimal digits or hexadecimal ones after "$", "x", "X",
// "0x" or "0X", the whole text consumed, the value inside the 32-bit range).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "core/numbers.h"

namespace {

bool IsDigitOf(char c, int radix) {
    if (c >= '0' && c <= '9') return true;
    return radix == 16 && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'));
}

// Digits without their leading zeros are compared by length and then as text, so no
// arithmetic can overflow on the way.
std::optional<std::int64_t> PlainReading(std::string_view t) {
    std::size_t p = t.find_first_not_of(' ');
    if (p == std::string_view::npos) return std::nullopt;
    t.remove_prefix(p);
    bool negative = false;
    if (!t.empty() && (t[0] == '+' || t[0] == '-')) {
        negative = t[0] == '-';
        t.remove_prefix(1);
    }
    int radix = 10;
    if (t.starts_with("0x") || t.starts_with("0X")) {
        radix = 16;
        t.remove_prefix(2);
    } else if (t.starts_with("$") || t.starts_with("x") || t.starts_with("X")) {
        radix = 16;
        t.remove_prefix(1);
    }
    if (t.empty()) return std::nullopt;
    for (char c : t)
        if (!IsDigitOf(c, radix)) return std::nullopt;
    const std::size_t first = t.find_first_not_of('0');
    const std::string_view digits = first == std::string_view::npos ? "" : t.substr(first);
    if (digits.size() > (radix == 10 ? 10u : 8u)) return std::nullopt;
    const std::int64_t value = digits.empty() ? 0 : std::stoll(std::string(digits), nullptr, radix);
    const std::int64_t signedValue = negative ? -value : value;
    if (signedValue < INT32_MIN || signedValue > INT32_MAX) return std::nullopt;
    return signedValue;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<std::int32_t> value = vonnik::TextToInt(text);
    const std::optional<std::int64_t> plain = PlainReading(text);
    if (value.has_value() != plain.has_value() || (value && *value != *plain)) {
        std::fprintf(stderr, "'%.*s': conversion %s, plain reading %s\n", static_cast<int>(size),
                     text.data(), value ? std::to_string(*value).c_str() : "refused",
                     plain ? std::to_string(*plain).c_str() : "refused");
        std::abort();
    }
    if (value && vonnik::TextToInt(std::to_string(*value)) != value) std::abort();
    return 0;
}
