#include "config/lba_amount.h"

#include <limits>

namespace mrv
{

namespace
{

bool IsBlank(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

std::optional<uint64_t> Multiply(uint64_t a, uint64_t b)
{
    uint64_t product = 0;
    if (__builtin_mul_overflow(a, b, &product)) return std::nullopt;
    return product;
}

} // namespace

std::optional<uint64_t> ParseLbaAmount(std::string_view text, uint64_t lba_count, uint64_t sectors_per_mb)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    if (text.empty()) return 0;

    char unit = text.back();
    if ((unit == 'B' || unit == 'b') && text.size() > 1) unit = text[text.size() - 2];

    // The number is read as a signed 64-bit value, as every size field shows it.
    constexpr uint64_t kMaxNumber = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
    uint64_t number = 0;
    for (char c : text) {
        if (c < '0' || c > '9') continue;
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        if (number > (kMaxNumber - digit) / 10) return std::nullopt;
        number = number * 10 + digit;
    }

    switch (unit) {
    case '%': {
        // Exact integer arithmetic: a floating-point product such as 0.29 * 100
        // truncates to one sector less than the share typed.
        const unsigned __int128 sectors = static_cast<unsigned __int128>(lba_count) * number / 100;
        if (sectors > std::numeric_limits<uint64_t>::max()) return std::nullopt;
        return static_cast<uint64_t>(sectors);
    }
    case 'K':
    case 'k':
        return Multiply(number, 2);
    case 'M':
    case 'm':
        return Multiply(number, sectors_per_mb);
    case 'G':
    case 'g': {
        auto per_gb = Multiply(1024, sectors_per_mb);
        return per_gb ? Multiply(number, *per_gb) : std::nullopt;
    }
    case 'T':
    case 't': {
        auto per_tb = Multiply(1048576, sectors_per_mb);
        return per_tb ? Multiply(number, *per_tb) : std::nullopt;
    }
    default:
        return number;
    }
}

} // namespace mrv
