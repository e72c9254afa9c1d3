#include "drive/responsive_os_device.h"

namespace mrv
{

bool ResponsiveOsDevice::Read(void* buffer, uint32_t length, uint32_t& done)
{
    bool ok = false;
    host_.RunBlocking([&] { ok = inner_->Read(buffer, length, done); });
    return ok;
}

bool ResponsiveOsDevice::Write(const void* buffer, uint32_t length, uint32_t& done)
{
    bool ok = false;
    host_.RunBlocking([&] { ok = inner_->Write(buffer, length, done); });
    return ok;
}

bool ResponsiveOsDevice::ScsiPassThrough(const ScsiRequest& request, ScsiReply& reply)
{
    bool ok = false;
    host_.RunBlocking([&] { ok = inner_->ScsiPassThrough(request, reply); });
    return ok;
}

bool ResponsiveOsDevice::SmartRequest(uint8_t drive_number, const AtaRegisters& in, uint8_t* data512,
                                      bool data_in, AtaRegisters& out)
{
    bool ok = false;
    host_.RunBlocking([&] { ok = inner_->SmartRequest(drive_number, in, data512, data_in, out); });
    return ok;
}

bool ResponsiveOsDevice::IdePassThrough(AtaRegisters& regs, uint8_t* data, uint32_t data_length)
{
    bool ok = false;
    host_.RunBlocking([&] { ok = inner_->IdePassThrough(regs, data, data_length); });
    return ok;
}

bool ResponsiveOsDevice::Geometry(OsGeometry& geometry)
{
    bool ok = false;
    host_.RunBlocking([&] { ok = inner_->Geometry(geometry); });
    return ok;
}

bool ResponsiveOsDevice::NvmeAdmin(const NvmeAdminCommand& command, NvmeReply& reply)
{
    bool ok = false;
    host_.RunBlocking([&] { ok = inner_->NvmeAdmin(command, reply); });
    return ok;
}

} // namespace mrv
