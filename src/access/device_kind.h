#pragma once
// How the program names a device whose kind the system told (Linux): one
// table, so that the device list and the passport call a device the same.

#include "platform/os_devices.h"

namespace mrv
{

struct DeviceKindNames {
    /// The device list's note; null for a disk, which is named by its
    /// IDENTIFY or INQUIRY answer.
    const char* list_note;
    /// Added to the non-ATA feature text of the passport (may be empty).
    const char* passport_feature;
    /// Caption of the virtual-drive lamp when it is lit; null leaves it off.
    const char* virtual_lamp;
    /// The scan's block size for such a device.
    const char* block_size;
};

/// Names for a kind the system told; Unknown answers with the names of a disk.
DeviceKindNames NamesOf(OsDeviceKind kind);

} // namespace mrv
