#include "sim/media_store.h"

#include "platform/regular_file.h"

#include <cstring>
#include <filesystem>

namespace mrv::sim
{

MediaStore::MediaStore(uint32_t sector_size, uint64_t sectors)
    : sector_size_(sector_size), sectors_(sectors), zeros_(sector_size, 0)
{
}

MediaStore::~MediaStore() = default;

bool MediaStore::OpenImage(const std::string& path, std::string& error)
{
    std::error_code ec;
    std::string why;
    // A named pipe or a device would make the open wait, or be no image at all.
    if (!MayWriteFile(path, &why)) {
        error = "image file '" + path + "' is " + why;
        return false;
    }
    if (!std::filesystem::exists(path, ec)) {
        std::ofstream create(path, std::ios::binary);
        if (!create) {
            error = "cannot create image file '" + path + "'";
            return false;
        }
    }
    image_.open(path, std::ios::in | std::ios::out | std::ios::binary);
    if (!image_) {
        error = "cannot open image file '" + path + "'";
        return false;
    }
    image_path_ = path;
    chunks_.clear();
    return true;
}

uint8_t* MediaStore::Chunk(uint64_t index, bool create)
{
    auto it = chunks_.find(index);
    if (it != chunks_.end()) return it->second.get();
    if (!create && image_path_.empty()) return nullptr;
    const size_t bytes = kChunkSectors * sector_size_;
    auto chunk = std::make_unique<uint8_t[]>(bytes);
    std::memset(chunk.get(), 0, bytes);
    if (!image_path_.empty()) {
        // Cache the chunk from the image; a short file reads as zeros beyond its end.
        image_.clear();
        image_.seekg(static_cast<std::streamoff>(index * bytes));
        if (image_) image_.read(reinterpret_cast<char*>(chunk.get()), static_cast<std::streamsize>(bytes));
        image_.clear();
    }
    uint8_t* raw = chunk.get();
    chunks_.emplace(index, std::move(chunk));
    return raw;
}

const uint8_t* MediaStore::Sector(uint64_t lba)
{
    uint8_t* chunk = Chunk(lba / kChunkSectors, false);
    if (chunk == nullptr) return zeros_.data();
    return chunk + (lba % kChunkSectors) * sector_size_;
}

void MediaStore::Write(uint64_t lba, const uint8_t* data)
{
    uint8_t* chunk = Chunk(lba / kChunkSectors, true);
    uint8_t* dst = chunk + (lba % kChunkSectors) * sector_size_;
    if (dst != data) std::memmove(dst, data, sector_size_);
    if (!image_path_.empty()) {
        image_.clear();
        image_.seekp(static_cast<std::streamoff>(lba * sector_size_));
        image_.write(reinterpret_cast<const char*>(dst), sector_size_);
        image_.flush();
        if (!image_) image_error_ = "write to image file '" + image_path_ + "' failed";
        image_.clear();
    }
}

void MediaStore::EraseAll()
{
    chunks_.clear();
    if (image_path_.empty()) return;
    image_.close();
    std::error_code ec;
    std::filesystem::resize_file(image_path_, 0, ec);
    if (ec) image_error_ = "cannot erase image file '" + image_path_ + "': " + ec.message();
    image_.open(image_path_, std::ios::in | std::ios::out | std::ios::binary);
}

} // namespace mrv::sim
