#pragma once
// An open device whose requests, made on the user-interface thread, run while
// the window's messages go on: a drive that stays busy or a bridge that no
// longer answers holds a request for the system's whole time-out.

#include "drive/drive_host.h"
#include "platform/os_devices.h"

#include <memory>

namespace mrv
{

class ResponsiveOsDevice : public OsDevice
{
  public:
    ResponsiveOsDevice(std::unique_ptr<OsDevice> inner, const DriveHost& host)
        : inner_(std::move(inner)), host_(host)
    {
    }

    int64_t SetPosition(uint64_t byte_offset) override { return inner_->SetPosition(byte_offset); }
    bool Read(void* buffer, uint32_t length, uint32_t& done) override;
    bool Write(const void* buffer, uint32_t length, uint32_t& done) override;
    bool ScsiPassThrough(const ScsiRequest& request, ScsiReply& reply) override;
    bool SmartRequest(uint8_t drive_number, const AtaRegisters& in, uint8_t* data512, bool data_in,
                      AtaRegisters& out) override;
    bool IdePassThrough(AtaRegisters& regs, uint8_t* data, uint32_t data_length) override;
    bool Geometry(OsGeometry& geometry) override;
    bool NvmeAdmin(const NvmeAdminCommand& command, NvmeReply& reply) override;
    uint32_t LastError() const override { return inner_->LastError(); }

  private:
    std::unique_ptr<OsDevice> inner_;
    const DriveHost& host_;
};

} // namespace mrv
