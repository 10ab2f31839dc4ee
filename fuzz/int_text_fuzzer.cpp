// The number-field conversion on arbitrary text: never a crash, and every accepted text
// names a 32-bit value that its own decimal form converts back to.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/numbers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<std::int32_t> value = vonnik::TextToInt(text);
    if (!value) return 0;
    if (vonnik::TextToInt(std::to_string(*value)) != value) std::abort();
    // Accepted texts hold only blanks, a sign, a prefix and digits.
    for (char c : text) {
        const bool allowed = c == ' ' || c == '+' || c == '-' || c == '$' || c == 'x' ||
                             c == 'X' || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') ||
                             (c >= 'A' && c <= 'F');
        if (!allowed) std::abort();
    }
    return 0;
}
