#include "platform/linux/block_devices.h"

#include <algorithm>
#include <fstream>
#include <system_error>

namespace mrv::linux_platform
{

namespace fs = std::filesystem;

namespace
{

bool AllDigits(const std::string& text, size_t from)
{
    if (from >= text.size()) return false;
    return std::all_of(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(),
                       [](char c) { return c >= '0' && c <= '9'; });
}

bool AllLetters(const std::string& text, size_t from)
{
    if (from >= text.size()) return false;
    return std::all_of(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(),
                       [](char c) { return c >= 'a' && c <= 'z'; });
}

bool StartsWith(const std::string& text, const char* prefix)
{
    return text.rfind(prefix, 0) == 0;
}

/// "nvme<digits>n<digits>" (namespaces; "nvme0c0n1" paths of a multipath set are not).
bool IsNvmeNamespace(const std::string& name)
{
    if (!StartsWith(name, "nvme")) return false;
    const size_t n = name.find('n', 4);
    if (n == std::string::npos) return false;
    return AllDigits(name.substr(4, n - 4), 0) && AllDigits(name, n + 1);
}

/// Family rank for ordering; -1 for names that are not physical drives.
int FamilyRank(const std::string& name)
{
    if (StartsWith(name, "sd") && AllLetters(name, 2)) return 0;
    if (StartsWith(name, "hd") && AllLetters(name, 2)) return 1;
    if (StartsWith(name, "vd") && AllLetters(name, 2)) return 2;
    if (IsNvmeNamespace(name)) return 3;
    if (StartsWith(name, "mmcblk") && AllDigits(name, 6)) return 4;
    if (StartsWith(name, "loop") && AllDigits(name, 4)) return 5;
    return -1;
}

/// Splits a name into text and number runs for natural comparison.
struct NaturalPart {
    bool number;
    std::string text;
    uint64_t value;
};

std::vector<NaturalPart> NaturalParts(const std::string& name)
{
    std::vector<NaturalPart> parts;
    size_t at = 0;
    while (at < name.size()) {
        const bool digit = name[at] >= '0' && name[at] <= '9';
        size_t end = at;
        while (end < name.size() && ((name[end] >= '0' && name[end] <= '9') == digit))
            ++end;
        NaturalPart part{digit, name.substr(at, end - at), 0};
        if (digit) {
            for (char c : part.text)
                part.value = part.value < 1000000000000ull ? part.value * 10 + static_cast<uint64_t>(c - '0')
                                                           : part.value;
        }
        parts.push_back(part);
        at = end;
    }
    return parts;
}

bool NaturalLess(const std::string& a, const std::string& b)
{
    const auto pa = NaturalParts(a);
    const auto pb = NaturalParts(b);
    for (size_t i = 0; i < pa.size() && i < pb.size(); ++i) {
        if (pa[i].number && pb[i].number) {
            if (pa[i].value != pb[i].value) return pa[i].value < pb[i].value;
            continue;
        }
        if (pa[i].number != pb[i].number) return pa[i].number;
        // Letter suffixes count like numbers: sdz comes before sdaa.
        if (pa[i].text.size() != pb[i].text.size()) return pa[i].text.size() < pb[i].text.size();
        if (pa[i].text != pb[i].text) return pa[i].text < pb[i].text;
    }
    return pa.size() < pb.size();
}

std::string ReadFirstLine(const fs::path& file)
{
    std::ifstream in(file);
    std::string line;
    if (in) std::getline(in, line);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line;
}

bool ReadFlag(const fs::path& file)
{
    return ReadFirstLine(file) == "1";
}

uint64_t ReadNumber(const fs::path& file)
{
    const std::string text = ReadFirstLine(file);
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return 0;
        if (value > (UINT64_MAX - 9) / 10) return 0;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    return value;
}

int KindRank(BlockKind kind)
{
    switch (kind) {
    case BlockKind::CdRom:
        return 1;
    case BlockKind::RamDisk:
        return 2;
    case BlockKind::Network:
        return 3;
    default:
        return 0;
    }
}

} // namespace

BlockKind KindFromName(const std::string& name)
{
    const int rank = FamilyRank(name);
    if (rank == 5) return BlockKind::Loop;
    if (rank >= 0) return BlockKind::Disk;
    if (StartsWith(name, "sr") && AllDigits(name, 2)) return BlockKind::CdRom;
    if ((StartsWith(name, "ram") && AllDigits(name, 3)) || (StartsWith(name, "zram") && AllDigits(name, 4)))
        return BlockKind::RamDisk;
    if (StartsWith(name, "nbd") && AllDigits(name, 3)) return BlockKind::Network;
    return BlockKind::Other;
}

bool PhysicalOrderLess(const std::string& a, const std::string& b)
{
    const int ra = FamilyRank(a);
    const int rb = FamilyRank(b);
    if (ra != rb) return ra < rb;
    return NaturalLess(a, b);
}

std::vector<BlockDevice> ScanBlockDevices(const fs::path& sys_block)
{
    std::vector<BlockDevice> devices;
    std::error_code ec;
    fs::directory_iterator it(sys_block, ec);
    if (ec) return devices;
    for (const auto& entry : it) {
        const fs::path dir = entry.path();
        if (!fs::is_directory(dir, ec)) continue;
        BlockDevice device;
        device.name = dir.filename().string();
        device.kind = KindFromName(device.name);
        // A partition listed on its own is never a whole device.
        if (fs::exists(dir / "partition", ec)) device.kind = BlockKind::Other;
        // A loop device without a backing file has nothing behind it, and an
        // nbd device without a client pid is not connected.
        if (device.kind == BlockKind::Loop && ReadFirstLine(dir / "loop" / "backing_file").empty())
            device.kind = BlockKind::Other;
        if (device.kind == BlockKind::Network && !fs::exists(dir / "pid", ec)) device.kind = BlockKind::Other;
        device.removable = ReadFlag(dir / "removable");
        device.read_only = ReadFlag(dir / "ro");
        device.size_sectors = ReadNumber(dir / "size");
        // An unconfigured RAM disk (zram before its size is set) cannot be opened.
        if (device.kind == BlockKind::RamDisk && device.size_sectors == 0) device.kind = BlockKind::Other;
        fs::directory_iterator parts(dir, ec);
        if (!ec) {
            for (const auto& part : parts) {
                std::error_code part_ec;
                if (part.is_directory(part_ec) && fs::exists(part.path() / "partition", part_ec))
                    device.partitions.push_back(part.path().filename().string());
            }
        }
        std::sort(device.partitions.begin(), device.partitions.end(), NaturalLess);
        devices.push_back(std::move(device));
    }
    return devices;
}

std::vector<BlockDevice> PhysicalDrives(const std::vector<BlockDevice>& devices)
{
    std::vector<BlockDevice> drives;
    for (const auto& device : devices)
        if (device.kind == BlockKind::Disk || device.kind == BlockKind::Loop) drives.push_back(device);
    std::sort(drives.begin(), drives.end(),
              [](const BlockDevice& a, const BlockDevice& b) { return PhysicalOrderLess(a.name, b.name); });
    return drives;
}

std::vector<LogicalDrive> LogicalDrives(const std::vector<BlockDevice>& devices)
{
    struct Candidate {
        int rank;
        std::string order_name;
        LogicalDrive drive;
    };
    std::vector<Candidate> candidates;
    for (const auto& device : devices) {
        LogicalDrive drive;
        drive.removable = device.removable;
        switch (device.kind) {
        case BlockKind::Disk:
            if (!device.removable) continue;
            drive.type = LogicalDriveType::Removable;
            if (device.partitions.empty()) {
                drive.name = device.name;
                candidates.push_back({0, device.name, drive});
            }
            for (const auto& part : device.partitions) {
                drive.name = part;
                candidates.push_back({0, device.name, drive});
            }
            continue;
        case BlockKind::CdRom:
            drive.type = LogicalDriveType::CdRom;
            break;
        case BlockKind::RamDisk:
            drive.type = LogicalDriveType::RamDisk;
            break;
        case BlockKind::Network:
            drive.type = LogicalDriveType::Remote;
            break;
        default:
            continue;
        }
        drive.name = device.name;
        candidates.push_back({KindRank(device.kind), device.name, drive});
    }
    std::stable_sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
        if (a.rank != b.rank) return a.rank < b.rank;
        if (a.order_name != b.order_name) {
            if (a.rank == 0) return PhysicalOrderLess(a.order_name, b.order_name);
            // zram after ram, each numerically
            return NaturalLess(a.order_name, b.order_name);
        }
        return NaturalLess(a.drive.name, b.drive.name);
    });
    std::vector<LogicalDrive> drives;
    char letter = kFirstLogicalLetter;
    for (auto& candidate : candidates) {
        if (letter > 'Z') break;
        candidate.drive.letter = letter++;
        drives.push_back(candidate.drive);
    }
    return drives;
}

} // namespace mrv::linux_platform
