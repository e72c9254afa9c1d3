#include "sim/lab_pc.h"

namespace mrv::sim
{

LabPc::LabPc(const LabConfig& config)
    : config_(config),
      clock_(std::make_unique<SimClock>(config.clock, config.system.cpu_mhz,
                                        config.start_time                 ? *config.start_time
                                        : config.clock == ClockMode::Real ? SimClock::LocalNow()
                                                                          : SimClock::DefaultStart())),
      port_access_(config.port_access), system_(config.system), os_devices_(std::make_unique<SimOsDevices>())
{
    clock_->SetPollQuantumNs(config.poll_ns);
}

LabPc::~LabPc()
{
    // Channels refer to the drives; unmap everything before the parts go.
    for (auto& ch : channels_) {
        ch->Attach(0, nullptr);
        ch->Attach(1, nullptr);
    }
}

std::unique_ptr<LabPc> LabPc::Build(const LabConfig& config, std::string& error)
{
    std::unique_ptr<LabPc> pc(new LabPc(config));
    for (const DriveConfig& dc : config.drives) {
        auto drive = std::make_unique<AtaDrive>(dc, *pc->clock_, config.system.cpu_mhz);
        std::string why;
        if (!drive->Open(why)) {
            error = config.source + ":" + std::to_string(dc.image_line) + ": [Drive " + dc.name +
                    "] Image: " + why;
            return nullptr;
        }
        pc->drives_.push_back(std::move(drive));
    }
    for (const ChannelConfig& cc : config.channels) {
        auto channel = std::make_unique<IdeChannel>(cc.base, cc.alt);
        if (!cc.power_on) channel->SetPower(false);
        if (!cc.master.empty()) channel->Attach(0, pc->Drive(cc.master));
        if (!cc.slave.empty()) channel->Attach(1, pc->Drive(cc.slave));
        pc->bus_.Map(cc.base, 8, channel.get());
        pc->bus_.Map(cc.alt, 1, channel.get());
        if (cc.power_adaptor) {
            auto adaptor = std::make_unique<PowerAdaptor>(*channel);
            pc->bus_.Map(adaptor->Port(), 1, adaptor.get());
            pc->adaptors_.push_back(std::move(adaptor));
        }
        pc->channels_.push_back(std::move(channel));
    }
    static_cast<SimOsDevices&>(*pc->os_devices_).Configure(config, pc->drives_);
    std::vector<PciDeviceConfig> pci = config.pci;
    if (config.pci_default && pci.empty()) pci = PciBus::DefaultDevices();
    pc->pci_ = std::make_unique<PciBus>(pci);
    pc->bus_.Map(PciBus::kAddressPort, 8, pc->pci_.get());
    pc->pci_config_ = std::make_unique<SimPciConfig>(pc->bus_, *pc->pci_, config.pci_sysfs);
    pc->speaker_ = std::make_unique<Speaker>(*pc->clock_);
    pc->bus_.Map(0x42, 2, pc->speaker_.get());
    pc->bus_.Map(0x61, 1, pc->speaker_.get());
    return pc;
}

AtaDrive* LabPc::Drive(const std::string& name)
{
    for (auto& d : drives_)
        if (d->Config().name == name) return d.get();
    return nullptr;
}

AtaDrive* LabPc::DriveAt(uint16_t base, int position)
{
    IdeChannel* ch = Channel(base);
    return ch != nullptr ? ch->Drive(position) : nullptr;
}

IdeChannel* LabPc::Channel(uint16_t base)
{
    for (auto& ch : channels_)
        if (ch->Base() == base) return ch.get();
    return nullptr;
}

void LabPc::PowerCycle()
{
    for (auto& ch : channels_) {
        ch->SetPower(false);
        ch->SetPower(true);
    }
    // Drives reached only as OS devices have a supply of their own.
    for (auto& drive : drives_) {
        bool on_channel = false;
        for (auto& ch : channels_)
            on_channel = on_channel || ch->Drive(0) == drive.get() || ch->Drive(1) == drive.get();
        if (on_channel) continue;
        std::lock_guard<std::mutex> guard(drive->Lock());
        drive->PowerOff();
        drive->PowerOn();
    }
    os_devices_->PowerCycle();
}

} // namespace mrv::sim
