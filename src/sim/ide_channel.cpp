#include "sim/ide_channel.h"

#include <cstring>

namespace mrv::sim
{

IdeChannel::IdeChannel(uint16_t base, uint16_t alt) : base_(base), alt_(alt) {}

void IdeChannel::Attach(int position, AtaDrive* drive)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (drives_[position & 1] != nullptr) drives_[position & 1]->OnSupplyLost(nullptr);
    drives_[position & 1] = drive;
    if (drive != nullptr) {
        drive->ShareLock(&mutex_);
        drive->OnSupplyLost([this] { ApplyPower(false); });
        drive->SetSlave((position & 1) != 0);
        if (!power_.load()) drive->PowerOff();
    }
}

void IdeChannel::SetPower(bool on)
{
    std::lock_guard<std::mutex> lock(mutex_);
    ApplyPower(on);
}

void IdeChannel::ApplyPower(bool on)
{
    if (power_.load() == on) return;
    power_.store(on);
    for (AtaDrive* d : drives_) {
        if (d == nullptr) continue;
        if (on)
            d->PowerOn();
        else
            d->PowerOff();
    }
    if (on) device_select_ = 0;
}

AtaDrive* IdeChannel::Selected() const
{
    AtaDrive* d = drives_[device_select_];
    return d != nullptr && d->Powered() ? d : nullptr;
}

uint32_t IdeChannel::In(uint16_t port, int width)
{
    std::lock_guard<std::mutex> lock(mutex_);
    AtaDrive* d = Selected();
    if (d == nullptr) return FloatingBus(width);
    if (port == alt_) return d->AlternateStatus();
    if (port < base_ || port > base_ + 7) return FloatingBus(width);
    const auto reg = static_cast<AtaReg>(port - base_);
    if (reg == AtaReg::Data) {
        uint8_t b[4] = {0xFF, 0xFF, 0xFF, 0xFF};
        d->ReadData(b, static_cast<size_t>(width == 1 ? 2 : width));
        uint32_t v = 0;
        for (int i = 0; i < width; ++i)
            v |= static_cast<uint32_t>(b[i]) << (8 * i);
        return v;
    }
    return d->ReadRegister(reg, hob_);
}

void IdeChannel::Out(uint16_t port, uint32_t value, int width)
{
    std::lock_guard<std::mutex> lock(mutex_);
    const auto v = static_cast<uint8_t>(value);
    if (port == alt_) {
        // Device control: SRST reaches both devices; HOB selects the previous bytes on reads.
        hob_ = (v & 0x80) != 0;
        const bool srst = (v & 0x04) != 0;
        for (AtaDrive* d : drives_)
            if (d != nullptr && d->Powered()) d->SetResetLine(srst);
        if (srst) device_select_ = 0;
        return;
    }
    if (port < base_ || port > base_ + 7) return;
    const auto reg = static_cast<AtaReg>(port - base_);
    if (reg == AtaReg::Data) {
        if (AtaDrive* d = Selected()) {
            uint8_t b[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                            static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
            d->WriteData(b, static_cast<size_t>(width == 1 ? 2 : width));
        }
        return;
    }
    hob_ = false; // a command-block write clears HOB
    if (reg == AtaReg::Device) device_select_ = (v & 0x10) != 0 ? 1 : 0;
    for (AtaDrive* d : drives_) {
        if (d == nullptr || !d->Powered()) continue;
        if (reg == AtaReg::Status)
            d->WriteCommand(v);
        else
            d->WriteRegister(reg, v);
    }
}

void IdeChannel::InString(uint16_t port, void* dst, size_t count, int width)
{
    if (port != base_) {
        PortDevice::InString(port, dst, count, width);
        return;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (AtaDrive* d = Selected())
        d->ReadData(static_cast<uint8_t*>(dst), count * width);
    else
        std::memset(dst, 0xFF, count * width);
}

void IdeChannel::OutString(uint16_t port, const void* src, size_t count, int width)
{
    if (port != base_) {
        PortDevice::OutString(port, src, count, width);
        return;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    if (AtaDrive* d = Selected()) d->WriteData(static_cast<const uint8_t*>(src), count * width);
}

} // namespace mrv::sim
