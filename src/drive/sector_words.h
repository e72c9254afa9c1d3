#pragma once
// The program's sector buffers.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace mrv
{

/// A buffer of 512-byte sectors read and written as little-endian 16-bit words.
class SectorWords
{
  public:
    explicit SectorWords(size_t sectors) : bytes_(sectors * 512, 0) {}
    uint8_t* Bytes() { return bytes_.data(); }
    const uint8_t* Bytes() const { return bytes_.data(); }
    size_t Size() const { return bytes_.size(); }
    uint16_t Word(size_t index) const
    {
        return static_cast<uint16_t>(bytes_[index * 2] | (bytes_[index * 2 + 1] << 8));
    }
    void SetWord(size_t index, uint16_t value)
    {
        bytes_[index * 2] = static_cast<uint8_t>(value);
        bytes_[index * 2 + 1] = static_cast<uint8_t>(value >> 8);
    }
    void Clear() { std::fill(bytes_.begin(), bytes_.end(), 0); }

  private:
    std::vector<uint8_t> bytes_;
};

} // namespace mrv
