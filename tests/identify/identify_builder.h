#pragma once
// Builds IDENTIFY DEVICE word blocks for the passport tests.

#include "identify/identify_words.h"

#include <cstdint>
#include <string>

namespace mrv::test
{

inline void PutText(IdentifyWords& w, int first, int count, const std::string& text)
{
    std::string padded = text;
    padded.resize(static_cast<size_t>(count) * 2, ' ');
    for (int i = 0; i < count; ++i)
        w[static_cast<size_t>(first + i)] =
            static_cast<uint16_t>(static_cast<uint8_t>(padded[static_cast<size_t>(2 * i)]) << 8 |
                                  static_cast<uint8_t>(padded[static_cast<size_t>(2 * i + 1)]));
}

/// A plain 28-bit LBA drive with the given identity and size.
inline IdentifyWords MakeIdentify(const std::string& model, const std::string& serial,
                                  const std::string& firmware, uint32_t sectors)
{
    IdentifyWords w{};
    w[1] = 16383;
    w[3] = 16;
    w[6] = 63;
    PutText(w, 10, 10, serial);
    PutText(w, 23, 4, firmware);
    PutText(w, 27, 20, model);
    w[49] = 1u << 9 | 1u << 8;
    w[60] = static_cast<uint16_t>(sectors);
    w[61] = static_cast<uint16_t>(sectors >> 16);
    return w;
}

/// Makes the drive 48-bit with `sectors` in words 100–103.
inline void Make48(IdentifyWords& w, uint64_t sectors)
{
    w[83] |= 1u << 10;
    for (int i = 0; i < 4; ++i)
        w[static_cast<size_t>(100 + i)] = static_cast<uint16_t>(sectors >> (16 * i));
}

} // namespace mrv::test
