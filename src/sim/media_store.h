#pragma once
// Sector contents of an emulated drive: sparse in memory, or backed by an image
// file so that written data survives a restart of the lab.

#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace mrv::sim
{

class MediaStore
{
  public:
    MediaStore(uint32_t sector_size, uint64_t sectors);
    ~MediaStore();

    /// Backs the store with an image file (created when missing). False with `error` set on failure.
    bool OpenImage(const std::string& path, std::string& error);

    uint32_t SectorSize() const { return sector_size_; }
    uint64_t Sectors() const { return sectors_; }

    /// Read-only view of one sector (all zeros when never written). Valid until the next write.
    const uint8_t* Sector(uint64_t lba);
    void Write(uint64_t lba, const uint8_t* data);
    /// Zeros every sector (security erase).
    void EraseAll();
    /// Last image-file error, empty when none.
    const std::string& ImageError() const { return image_error_; }

  private:
    static constexpr uint64_t kChunkSectors = 64;
    uint8_t* Chunk(uint64_t index, bool create);

    uint32_t sector_size_;
    uint64_t sectors_;
    std::unordered_map<uint64_t, std::unique_ptr<uint8_t[]>> chunks_;
    std::vector<uint8_t> zeros_;
    std::string image_path_;
    std::fstream image_;
    std::string image_error_;
};

} // namespace mrv::sim
