#include "smart/smart_commands.h"

#include "app/program_impl.h"

#include <cstring>

namespace mrv
{

namespace
{
constexpr uint8_t kSmart = 0xB0;
constexpr uint8_t kMid = 0x4F;
constexpr uint8_t kHigh = 0xC2;
constexpr uint8_t kApiDevice = 0xA0;
constexpr uint8_t kEnable = 0xD8, kDisable = 0xD9, kReadData = 0xD0, kReadThresholds = 0xD1, kAutosave = 0xD2,
                  kOffline = 0xD4, kReturnStatus = 0xDA, kIbmSwitch = 0xF8;
constexpr uint8_t kAbortOffline = 0x7F;
} // namespace

uint8_t SmartCommands::DeviceRegister() const
{
    // The selected position, so that a slave is not answered by its master.
    return static_cast<uint8_t>(kApiDevice | p_.state.DeviceSelectBit);
}

bool SmartCommands::NonData(uint8_t features, uint8_t count, uint8_t lba_low, bool refuse_non_ata,
                            SmartPath* answered)
{
    if (answered) *answered = SmartPath::None;
    if (p_.state.access_mode == AccessMode::Pio) {
        const bool ok =
            p_.pio.AtaNonDataCommand(features, count, kSmart, DeviceRegister(), kHigh, kMid, lba_low);
        if (ok && answered) *answered = SmartPath::TaskFile;
        return ok;
    }
    const int drive = p_.state.ApiDeviceIndex;
    if (p_.api.ApiSmartCommand(drive, 0, features, kSmart, kApiDevice, kHigh, kMid, lba_low, count, nullptr,
                               refuse_non_ata)) {
        if (answered) *answered = SmartPath::SmartRequest;
        return true;
    }
    if (refuse_non_ata && p_.state.passport.NonAta) return false;
    if (p_.api.SatAtaCommand(drive, 0, SatKind::NonData, kSmart, kApiDevice, kHigh, kMid, lba_low, count,
                             features)) {
        if (answered) *answered = SmartPath::PassThrough;
        return true;
    }
    return false;
}

SmartPath SmartCommands::EnableForRead()
{
    SmartPath path = SmartPath::None;
    NonData(kEnable, 1, 1, false, &path);
    return path;
}

bool SmartCommands::ReadBlock(SmartPath path, uint8_t features, uint8_t* block, bool aux)
{
    const int drive = p_.state.ApiDeviceIndex;
    switch (path) {
    case SmartPath::TaskFile: {
        if (!p_.pio.AtaNonDataCommand(features, 1, kSmart, DeviceRegister(), kHigh, kMid, 1)) return false;
        if (!p_.pio.WaitDataRequest()) return false;
        SectorWords& buffer = aux ? p_.state.AuxSectorBuffer : p_.state.SectorBuffer;
        const bool ok = aux ? p_.pio.PioReadSectorAux() : p_.pio.PioReadSector();
        if (block != buffer.Bytes()) std::memcpy(block, buffer.Bytes(), 512);
        return ok;
    }
    case SmartPath::SmartRequest:
        return p_.api.ApiSmartCommand(drive, 512, features, kSmart, kApiDevice, kHigh, kMid, 1, 1, block,
                                      false);
    case SmartPath::PassThrough:
        return p_.api.SatAtaCommand(drive, 1, SatKind::PioIn, kSmart, kApiDevice, kHigh, kMid, 1, 1, features,
                                    block);
    case SmartPath::None:
        break;
    }
    return false;
}

bool SmartCommands::ReadData(SmartPath path, uint8_t* block)
{
    return ReadBlock(path, kReadData, block, false);
}

bool SmartCommands::ReadThresholds(SmartPath path, uint8_t* block)
{
    return ReadBlock(path, kReadThresholds, block, true);
}

bool SmartCommands::IbmSuperSmart(bool on)
{
    const uint8_t count = on ? 0xF6 : 0x00;
    const uint8_t lba_low = on ? 0xB9 : 0x00;
    if (p_.state.access_mode == AccessMode::Pio)
        return p_.pio.AtaNonDataCommand(kIbmSwitch, count, kSmart, DeviceRegister(), kHigh, kMid, lba_low);
    if (p_.state.passport.UsbBridge)
        return p_.api.SatAtaCommand(p_.state.ApiDeviceIndex, 0, SatKind::NonData, kSmart, kApiDevice, kHigh,
                                    kMid, lba_low, count, kIbmSwitch);
    IdeRegisters in;
    in.features = kIbmSwitch;
    in.count = count;
    in.lba_low = lba_low;
    in.lba_mid = kMid;
    in.lba_high = kHigh;
    in.device = kApiDevice;
    in.command = kSmart;
    IdeRegisters out;
    return p_.api.IdePassThrough(0, in, out);
}

std::optional<SmartStatusRegisters> SmartCommands::ReturnStatus()
{
    SharedState& st = p_.state;
    st.passport.UsbBridge = false;
    if (st.access_mode == AccessMode::Pio) {
        if (!p_.pio.AtaNonDataCommand(kReturnStatus, 1, kSmart, DeviceRegister(), kHigh, kMid, 1))
            return std::nullopt;
        PortBus& ports = p_.platform.ports;
        return SmartStatusRegisters{ports.InByte(static_cast<uint16_t>(st.BasePort + 4)),
                                    ports.InByte(static_cast<uint16_t>(st.BasePort + 5))};
    }
    const int drive = st.ApiDeviceIndex;
    IdeRegisters out;
    if (p_.api.ApiSmartCommand(drive, 0, kReturnStatus, kSmart, kApiDevice, kHigh, kMid, 1, 1, nullptr, false,
                               &out))
        return SmartStatusRegisters{out.lba_mid, out.lba_high};
    if (!p_.api.SatAtaCommand(drive, 0, SatKind::NonData, kSmart, kApiDevice, kHigh, kMid, 1, 1,
                              kReturnStatus))
        return std::nullopt;
    st.passport.UsbBridge = true;
    AtaResultRegisters result;
    if (!p_.api.SatAtaCommand(drive, 0, SatKind::NonDataResult, kSmart, kApiDevice, kHigh, kMid, 1, 1,
                              kReturnStatus, nullptr, &result))
        return std::nullopt;
    return SmartStatusRegisters{result.lba_mid, result.lba_high};
}

bool SmartCommands::Enable()
{
    return NonData(kEnable, 1, 1, true);
}

bool SmartCommands::Disable()
{
    return NonData(kDisable, 1, 1, true);
}

bool SmartCommands::Autosave(bool on)
{
    return NonData(kAutosave, on ? 0xF1 : 0x00, 1, true);
}

OfflineStart SmartCommands::ExecuteOffline(uint8_t subcommand)
{
    if (p_.state.access_mode == AccessMode::Pio) {
        if (!p_.pio.AwaitDriveReady()) return OfflineStart::NotReady;
        p_.pio.WriteTaskFile28(kOffline, 1, kSmart, DeviceRegister(), kHigh, kMid, subcommand);
        return p_.pio.ReadErrorRegister() == 0 ? OfflineStart::Sent : OfflineStart::Rejected;
    }
    if (p_.state.passport.NonAta) return OfflineStart::NonAta;
    return NonData(kOffline, 1, subcommand, true) ? OfflineStart::Sent : OfflineStart::Rejected;
}

bool SmartCommands::AbortOffline()
{
    if (p_.state.access_mode == AccessMode::Pio)
        return p_.pio.AtaNonDataCommand(kOffline, 1, kSmart, DeviceRegister(), kHigh, kMid, kAbortOffline);
    IdeRegisters in;
    in.features = kOffline;
    in.count = 1;
    in.lba_low = kAbortOffline;
    in.lba_mid = kMid;
    in.lba_high = kHigh;
    in.device = kApiDevice;
    in.command = kSmart;
    IdeRegisters out;
    if (p_.api.IdePassThrough(0, in, out)) return true;
    return p_.api.SatAtaCommand(p_.state.ApiDeviceIndex, 0, SatKind::NonData, kSmart, kApiDevice, kHigh, kMid,
                                kAbortOffline, 1, kOffline);
}

} // namespace mrv
