#pragma once
// A throw-away /sys/block and /dev tree for the device-list tests.

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace mrv::linux_test
{

class FakeSysfs
{
  public:
    FakeSysfs()
    {
        std::random_device random;
        root_ = std::filesystem::temp_directory_path() / ("mrv-sysfs-" + std::to_string(random()));
        std::filesystem::create_directories(root_ / "block");
        std::filesystem::create_directories(root_ / "dev");
    }
    ~FakeSysfs()
    {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
    FakeSysfs(const FakeSysfs&) = delete;
    FakeSysfs& operator=(const FakeSysfs&) = delete;

    std::filesystem::path block() const { return root_ / "block"; }
    std::filesystem::path dev() const { return root_ / "dev"; }

    /// A /sys/block entry with its size (512-byte units) and removable flag.
    void Disk(const std::string& name, uint64_t sectors = 2048, bool removable = false)
    {
        const auto dir = block() / name;
        std::filesystem::create_directories(dir);
        Write(dir / "size", std::to_string(sectors) + "\n");
        Write(dir / "removable", removable ? "1\n" : "0\n");
        Write(dir / "ro", "0\n");
    }
    void Partition(const std::string& disk, const std::string& name)
    {
        const auto dir = block() / disk / name;
        std::filesystem::create_directories(dir);
        Write(dir / "partition", "1\n");
        Write(dir / "size", "1024\n");
    }
    void Loop(const std::string& name, const std::string& backing_file)
    {
        Disk(name);
        std::filesystem::create_directories(block() / name / "loop");
        if (!backing_file.empty()) Write(block() / name / "loop" / "backing_file", backing_file + "\n");
    }
    void File(const std::filesystem::path& relative, const std::string& text)
    {
        Write(root_ / relative, text);
    }

    static void Write(const std::filesystem::path& file, const std::string& text)
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << text;
    }

  private:
    std::filesystem::path root_;
};

} // namespace mrv::linux_test
