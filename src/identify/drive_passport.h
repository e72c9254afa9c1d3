#pragma once
// The decoded identification of the current drive.

#include <cstdint>
#include <string>

namespace mrv
{

struct DrivePassport {
    std::string Model;
    std::string Firmware;
    std::string Serial;
    uint32_t SectorSize = 512;
    uint32_t SectorsPerMb = 2048;
    bool NonAta = false;
    bool UsbBridge = false;
    /// An NVMe namespace: identification, health and erase go by NVMe admin
    /// commands instead of ATA ones.
    bool Nvme = false;
    bool Removable = false;
    bool InvalidGeometry = false;
    bool LbaSupported = false;
    bool Lba48Supported = false;
    int64_t LbaCount = 0;
    int64_t NativeLbaCount = 0;
    int64_t ChsCapacity = 0;
    bool HpaSupported = false;
    int64_t HpaTrackStep = 0;
    int64_t HpaTarget = 0;
    uint16_t RotationRate = 0;
    bool SataDevice = false;
    bool SmartSupported = false;
    bool SmartEnabled = false;
    uint32_t CacheKb = 0;
    bool LookAheadOn = false;
    bool WriteCacheOn = false;
    bool AamSupported = false;
    bool ApmSupported = false;
    bool DcoSupported = false;
    bool DmaSupported = false;
    int16_t UdmaMode = -1;
    int16_t MwdmaMode = -1;
    uint8_t AamValue = 0;
    uint8_t ApmValue = 0;
    bool SecurityEnabled = false;
    bool SecurityFrozen = false;
    bool SecurityExpired = false;
    bool SecurityLevelMax = false;
    uint32_t EraseMinutes = 0;
    uint32_t PhysicalSectorSize = 512;
    uint8_t ModelFamily = 0;

    // Not named in the table above but needed by the panels that follow the
    // passport: the geometry behind the "CHS:" row (the OS geometry for a
    // NonAta drive), the security word's remaining bits, the erase-time text
    // for the security manager, the feature text of a NonAta drive, and the
    // scan's timing base.
    uint64_t Cylinders = 0;
    uint32_t Heads = 0;
    uint32_t SectorsPerTrack = 0;
    bool SecuritySupported = false;
    bool SecurityLocked = false;
    std::string EraseText;
    std::string NonAtaFeatures = "Non ATA";
    uint16_t ScanTimingBase = 5;
};

} // namespace mrv
