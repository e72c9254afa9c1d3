#pragma once
// Image files attached to real loop devices for the tests that need a block
// device of the kernel's. Needs root and working loop devices; `why_not` says
// why not otherwise, and the tests skip with it.

#include "platform/linux/linux_os_devices.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace mrv::linux_test
{

/// Runs a shell command; its output, and whether it exited with 0.
inline bool Run(const std::string& command, std::string& output)
{
    output.clear();
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return false;
    std::array<char, 256> chunk{};
    while (fgets(chunk.data(), static_cast<int>(chunk.size()), pipe) != nullptr)
        output += chunk.data();
    const int status = pclose(pipe);
    while (!output.empty() && (output.back() == '\n' || output.back() == ' '))
        output.pop_back();
    return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

/// An image file attached to a free loop device; detached and removed when destroyed.
class LoopImage
{
  public:
    struct Options {
        bool read_only = false;
        unsigned sector_size = 512;
    };

    /// An image with these contents.
    LoopImage(const std::vector<uint8_t>& contents, Options options, std::string& why_not)
    {
        if (!Usable(why_not)) return;
        image_ = NewImagePath();
        std::ofstream out(image_, std::ios::binary);
        out.write(reinterpret_cast<const char*>(contents.data()),
                  static_cast<std::streamsize>(contents.size()));
        out.close();
        Attach(options, why_not);
    }
    /// A sparse image of `bytes` zero bytes.
    LoopImage(uint64_t bytes, Options options, std::string& why_not)
    {
        if (!Usable(why_not)) return;
        image_ = NewImagePath();
        std::ofstream(image_, std::ios::binary).close();
        std::filesystem::resize_file(image_, bytes);
        Attach(options, why_not);
    }
    ~LoopImage()
    {
        Detach();
        std::error_code ec;
        if (!image_.empty()) std::filesystem::remove(image_, ec);
    }
    LoopImage(const LoopImage&) = delete;
    LoopImage& operator=(const LoopImage&) = delete;

    void Detach()
    {
        std::string output;
        if (!device_.empty()) Run("losetup -d " + device_, output);
        device_.clear();
    }
    /// Attaches `other`'s image to this loop device (after Detach), as when
    /// another disk takes the place of this one; false when it could not.
    bool AttachInstead(const LoopImage& other, const std::string& device)
    {
        std::string output;
        if (!Run("losetup " + device + " " + other.image_.string(), output)) return false;
        device_ = device;
        return true;
    }
    std::string device() const { return device_; }
    std::string name() const { return std::filesystem::path(device_).filename().string(); }
    const std::filesystem::path& image() const { return image_; }

  private:
    static bool Usable(std::string& why_not)
    {
        if (geteuid() != 0) {
            why_not = "loop devices need root";
            return false;
        }
        if (!std::filesystem::exists("/dev/loop-control")) {
            why_not = "no /dev/loop-control on this machine";
            return false;
        }
        return true;
    }
    static std::filesystem::path NewImagePath()
    {
        std::random_device random;
        return std::filesystem::temp_directory_path() / ("mrv-loop-" + std::to_string(random()) + ".img");
    }
    void Attach(Options options, std::string& why_not)
    {
        std::string output;
        std::string flags = options.read_only ? "-r " : "";
        if (options.sector_size != 512) flags += "-b " + std::to_string(options.sector_size) + " ";
        if (!Run("losetup -f --show " + flags + image_.string(), output) ||
            output.rfind("/dev/loop", 0) != 0) {
            why_not = "losetup could not attach an image: " + output;
            return;
        }
        device_ = output;
    }

    std::filesystem::path image_;
    std::string device_;
};

/// The physical drive number under which the system lists device `name`, or -1.
inline int PhysicalNumberOf(linux_platform::LinuxOsDevices& devices, const std::string& name)
{
    const auto names = devices.PhysicalDriveNames();
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == name) return static_cast<int>(i);
    return -1;
}

/// An image on a loop device, found among the physical drives and opened by
/// its number. `why_not` says why loop devices cannot be had here (skip);
/// `failure` why the device was not listed or did not open (a fault).
struct OpenLoopDrive {
    OpenLoopDrive(const std::vector<uint8_t>& contents, LoopImage::Options options)
        : loop(contents, options, why_not)
    {
        if (!why_not.empty()) return;
        number = PhysicalNumberOf(devices, loop.name());
        if (number < 0) {
            failure = loop.name() + " is not among the physical drives";
            return;
        }
        uint32_t error = 0;
        device = devices.OpenPhysical(number, error);
        if (!device) failure = loop.name() + " did not open: error " + std::to_string(error);
    }

    std::string why_not;
    std::string failure;
    LoopImage loop;
    linux_platform::LinuxOsDevices devices;
    int number = -1;
    std::unique_ptr<OsDevice> device;
};

} // namespace mrv::linux_test
