#include "access/device_kind.h"

namespace mrv
{

DeviceKindNames NamesOf(OsDeviceKind kind)
{
    switch (kind) {
    case OsDeviceKind::UsbDisk:
        return {nullptr, ", USB", nullptr, "256"};
    case OsDeviceKind::Nvme:
        return {"NVMe drive", ", NVMe", nullptr, "256"};
    case OsDeviceKind::Virtio:
    case OsDeviceKind::Loop:
        return {"Virtual drive", ", Virtual", "Virtual", "256"};
    case OsDeviceKind::MemoryCard:
        return {"Memory card", ", Memory card", nullptr, "256"};
    case OsDeviceKind::CdRom:
        return {"CD-ROM", ", CD", nullptr, "64"};
    case OsDeviceKind::RamDisk:
        return {"RAM disk", ", RAM disk", "Virtual", "256"};
    case OsDeviceKind::Network:
        return {"Network drive", ", Network", "Virtual", "256"};
    case OsDeviceKind::Disk:
    case OsDeviceKind::Unknown:
        break;
    }
    return {nullptr, "", nullptr, "256"};
}

} // namespace mrv
