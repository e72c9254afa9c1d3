#include "platform/linux/system_disk_use.h"

#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace mrv::linux_platform
{

namespace fs = std::filesystem;

namespace
{

std::string ReadText(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> Fields(std::string_view line)
{
    std::vector<std::string> fields;
    std::istringstream in{std::string(line)};
    for (std::string field; in >> field;)
        fields.push_back(field);
    return fields;
}

std::vector<std::string_view> Lines(std::string_view text)
{
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        lines.push_back(text.substr(0, end));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

/// The kernel writes blanks, tabs, newlines and backslashes in paths as octal escapes.
std::string Unescape(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size()) {
            const std::string digits = text.substr(i + 1, 3);
            if (digits.size() == 3 && digits.find_first_not_of("01234567") == std::string::npos) {
                out += static_cast<char>(std::stoi(digits, nullptr, 8));
                i += 3;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

/// The device a path stands for: a block device node itself, or the file
/// system that holds a file.
std::optional<DeviceNumber> DeviceOfPath(const std::string& path)
{
    struct stat info {
    };
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    const dev_t dev = S_ISBLK(info.st_mode) ? info.st_rdev : info.st_dev;
    return DeviceNumber{major(dev), minor(dev)};
}

/// A block device node named as a mount source ("/dev/sda2").
std::optional<DeviceNumber> BlockDeviceOfSource(const std::string& source)
{
    if (source.rfind("/dev/", 0) != 0) return std::nullopt;
    struct stat info {
    };
    if (::stat(source.c_str(), &info) != 0 || !S_ISBLK(info.st_mode)) return std::nullopt;
    return DeviceNumber{major(info.st_rdev), minor(info.st_rdev)};
}

std::optional<fs::path> SysfsDirOf(const fs::path& sys_block, const std::string& name)
{
    std::error_code ec;
    if (name.empty() || name.find('/') != std::string::npos) return std::nullopt;
    if (fs::is_directory(sys_block / name, ec)) return sys_block / name;
    // A partition lives in its disk's directory.
    for (const auto& disk : fs::directory_iterator(sys_block, ec)) {
        std::error_code part_ec;
        if (fs::is_directory(disk.path() / name, part_ec) &&
            fs::exists(disk.path() / name / "partition", part_ec))
            return disk.path() / name;
    }
    return std::nullopt;
}

void Collect(const fs::path& sys_block, const fs::path& dir, std::set<DeviceNumber>& numbers,
             std::set<fs::path>& seen)
{
    if (!seen.insert(dir).second) return;
    std::string dev = ReadText(dir / "dev");
    if (auto number = ParseDeviceNumber(dev)) numbers.insert(*number);
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        std::error_code entry_ec;
        if (entry.is_directory(entry_ec) && fs::exists(entry.path() / "partition", entry_ec))
            Collect(sys_block, entry.path(), numbers, seen);
    }
    for (const auto& holder : fs::directory_iterator(dir / "holders", ec)) {
        if (auto holder_dir = SysfsDirOf(sys_block, holder.path().filename().string()))
            Collect(sys_block, *holder_dir, numbers, seen);
    }
}

bool Meets(const std::set<DeviceNumber>& a, const std::set<DeviceNumber>& b)
{
    for (const DeviceNumber& n : a)
        if (b.count(n)) return true;
    return false;
}

} // namespace

std::optional<DeviceNumber> ParseDeviceNumber(std::string_view text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.remove_suffix(1);
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon + 1 == text.size()) return std::nullopt;
    DeviceNumber number;
    try {
        size_t used = 0;
        const std::string major_text(text.substr(0, colon)), minor_text(text.substr(colon + 1));
        if (major_text.find_first_not_of("0123456789") != std::string::npos ||
            minor_text.find_first_not_of("0123456789") != std::string::npos)
            return std::nullopt;
        number.major = static_cast<unsigned>(std::stoul(major_text, &used));
        number.minor = static_cast<unsigned>(std::stoul(minor_text, &used));
    } catch (const std::exception&) {
        return std::nullopt;
    }
    return number;
}

std::vector<MountEntry> ParseMountInfo(std::string_view text)
{
    // "36 35 98:0 /mnt1 /mnt2 rw,noatime master:1 - ext3 /dev/root rw,errors=continue"
    std::vector<MountEntry> entries;
    for (std::string_view line : Lines(text)) {
        const std::vector<std::string> fields = Fields(line);
        if (fields.size() < 5) continue;
        auto device = ParseDeviceNumber(fields[2]);
        if (!device) continue;
        MountEntry entry;
        entry.device = *device;
        entry.mount_point = Unescape(fields[4]);
        for (size_t i = 5; i + 2 < fields.size(); ++i) {
            if (fields[i] == "-") {
                entry.source = Unescape(fields[i + 2]);
                break;
            }
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::vector<std::string> ParseSwaps(std::string_view text)
{
    std::vector<std::string> files;
    const auto lines = Lines(text);
    for (size_t i = 1; i < lines.size(); ++i) {
        const std::vector<std::string> fields = Fields(lines[i]);
        if (!fields.empty()) files.push_back(Unescape(fields[0]));
    }
    return files;
}

std::set<DeviceNumber> StackedDeviceNumbers(const fs::path& sys_block, const std::string& name)
{
    std::set<DeviceNumber> numbers;
    std::set<fs::path> seen;
    if (auto dir = SysfsDirOf(sys_block, name)) Collect(sys_block, *dir, numbers, seen);
    return numbers;
}

SystemDiskUse SystemDevices::UseOf(const std::set<DeviceNumber>& numbers) const
{
    SystemDiskUse use;
    use.root = Meets(numbers, root);
    use.mounted = Meets(numbers, mounted);
    use.swap = Meets(numbers, swap);
    return use;
}

SystemDevices ReadSystemDevices(const fs::path& proc_dir)
{
    SystemDevices devices;
    for (const MountEntry& entry : ParseMountInfo(ReadText(proc_dir / "self" / "mountinfo"))) {
        // File systems such as btrfs show an anonymous number; their source names the disk.
        std::set<DeviceNumber> numbers{entry.device};
        if (auto source = BlockDeviceOfSource(entry.source)) numbers.insert(*source);
        devices.mounted.insert(numbers.begin(), numbers.end());
        if (entry.mount_point == "/") devices.root.insert(numbers.begin(), numbers.end());
    }
    for (const std::string& file : ParseSwaps(ReadText(proc_dir / "swaps"))) {
        if (auto device = DeviceOfPath(file)) devices.swap.insert(*device);
    }
    return devices;
}

} // namespace mrv::linux_platform
