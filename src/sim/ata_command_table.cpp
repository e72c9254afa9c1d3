// The opcode table: one place decides which commands exist, which need the
// medium (and so are refused while security locks the drive) and which address
// 48 bits. Anything absent ends in ERR with ABRT.

#include "sim/ata_drive.h"

namespace mrv::sim
{

const std::array<AtaDrive::CommandInfo, 256>& AtaDrive::Table()
{
    static const std::array<CommandInfo, 256> table = [] {
        std::array<CommandInfo, 256> t{};
        auto set = [&t](uint8_t op, void (AtaDrive::*h)(), uint16_t flags) { t[op] = CommandInfo{h, flags}; };
        for (int op = 0x10; op <= 0x1F; ++op)
            set(static_cast<uint8_t>(op), &AtaDrive::CmdRecalibrate, 0);
        set(0x20, &AtaDrive::CmdReadSectors, kMedia);
        set(0x21, &AtaDrive::CmdReadSectors, kMedia);
        set(0x22, &AtaDrive::CmdReadLong, kMedia);
        set(0x23, &AtaDrive::CmdReadLong, kMedia);
        set(0x24, &AtaDrive::CmdReadSectorsExt, kMedia | kExt);
        set(0x27, &AtaDrive::CmdReadNativeMaxExt, kExt);
        set(0x30, &AtaDrive::CmdWriteSectors, kMedia);
        set(0x31, &AtaDrive::CmdWriteSectors, kMedia);
        set(0x32, &AtaDrive::CmdWriteLong, kMedia);
        set(0x33, &AtaDrive::CmdWriteLong, kMedia);
        set(0x34, &AtaDrive::CmdWriteSectorsExt, kMedia | kExt);
        set(0x37, &AtaDrive::CmdSetMaxExt, kMedia | kExt);
        set(0x40, &AtaDrive::CmdVerify, kMedia);
        set(0x41, &AtaDrive::CmdVerify, kMedia);
        set(0x42, &AtaDrive::CmdVerifyExt, kMedia | kExt);
        for (int op = 0x70; op <= 0x7F; ++op)
            set(static_cast<uint8_t>(op), &AtaDrive::CmdSeek, 0);
        set(0x90, &AtaDrive::CmdDiagnostic, 0);
        set(0x91, &AtaDrive::CmdInitParams, 0);
        set(0xB0, &AtaDrive::CmdSmart, 0);
        set(0xB1, &AtaDrive::CmdDco, kMedia);
        set(0xC6, &AtaDrive::CmdSetMultiple, 0);
        set(0xE0, &AtaDrive::CmdStandbyImmediate, 0);
        set(0xE1, &AtaDrive::CmdIdleImmediate, 0);
        set(0xE2, &AtaDrive::CmdStandbyImmediate, 0);
        set(0xE3, &AtaDrive::CmdIdleImmediate, 0);
        set(0xE4, &AtaDrive::CmdReadBuffer, 0);
        set(0xE5, &AtaDrive::CmdCheckPowerMode, 0);
        set(0xE7, &AtaDrive::CmdFlushCache, 0);
        set(0xE8, &AtaDrive::CmdWriteBuffer, 0);
        set(0xEA, &AtaDrive::CmdFlushCache, kExt);
        set(0xEC, &AtaDrive::CmdIdentify, 0);
        set(0xEF, &AtaDrive::CmdSetFeatures, 0);
        set(0xF1, &AtaDrive::CmdSecuritySetPassword, 0);
        set(0xF2, &AtaDrive::CmdSecurityUnlock, 0);
        set(0xF3, &AtaDrive::CmdSecurityErasePrepare, 0);
        set(0xF4, &AtaDrive::CmdSecurityEraseUnit, 0);
        set(0xF5, &AtaDrive::CmdSecurityFreezeLock, 0);
        set(0xF6, &AtaDrive::CmdSecurityDisablePassword, 0);
        set(0xF8, &AtaDrive::CmdReadNativeMax, 0);
        set(0xF9, &AtaDrive::CmdSetMax, kMedia);
        return t;
    }();
    return table;
}

} // namespace mrv::sim
