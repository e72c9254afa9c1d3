#include "pci/pci_scan.h"

#include "access/channel.h"
#include "app/program_impl.h"
#include "pci/pci_names.h"

#include <string>

namespace mrv
{

namespace
{

constexpr uint8_t kLastBus = 10;
constexpr uint8_t kDevices = 32;
constexpr uint8_t kFunctions = 8;
constexpr uint16_t kPrimaryBase = 0x1F0;
constexpr const char* kVendorCaption = "Vendor";

enum Column { kVendor = 1, kName = 2, kClass = 3, kBase = 4, kAlt = 5 };

} // namespace

PciScan::PciScan(ProgramImpl& program) : p_(program)
{
    Wire();
}

void PciScan::Wire()
{
    TFm& fm = p_.fm;
    fm.PCIScanBtn.OnClick = [this] { PCIScanBtnClick(); };
    fm.Psp.OnSelectItem = [this](int row) { PspSelectItem(row); };
    p_.passport.OnPciDblClick = [this] { PspDblClick(); };
    // The passport decides what a double click does by this flag; the table
    // it names is gone once the passport has rebuilt the list.
    std::function<void()> passport_double_click = fm.Psp.OnDblClick;
    fm.Psp.OnDblClick = [this, passport_double_click] {
        p_.passport.pci_table_shown = ShowsPciTable();
        if (passport_double_click) passport_double_click();
    };
    fm.PspMenu.Items().push_back({"PCI Scan", true, true, [this] { N1Click(); }});
}

bool PciScan::ShowsPciTable() const
{
    const form::ListView& list = p_.fm.Psp;
    return list.Columns().size() > kAlt && list.Columns()[kVendor].caption == kVendorCaption &&
           static_cast<size_t>(list.RowCount()) == rows_.size();
}

void PciScan::N1Click()
{
    // Also in API mode, where the button is hidden: without port access the
    // scan reads the system's copy of the configuration space.
    if (p_.fm.PCIScanBtn.Enabled()) PCIScanBtnClick();
}

void PciScan::StartTable()
{
    form::ListView& list = p_.fm.Psp;
    list.OnCustomDrawCell = nullptr;
    list.ClearRows();
    rows_.clear();
    list.SetColumns({{"", 0, form::Align::Left},
                     {kVendorCaption, 67, form::Align::Centre},
                     {" Name/ID", 117, form::Align::Left},
                     {"  Class", 66, form::Align::Left},
                     {"Base", 47, form::Align::Left},
                     {"Alt", 47, form::Align::Left}});
}

bool PciScan::Stopped() const
{
    // A passport taken while messages ran has taken the list over.
    return p_.state.BreakRequested || p_.state.AppClosing || !ShowsPciTable();
}

void PciScan::PCIScanBtnClick()
{
    if (scanning_) return; // a second click while messages run
    p_.ops.ResetBreakState();
    SharedState& st = p_.state;
    const bool ports_granted = !(st.IsNtFamily && !st.DriverOpen);
    if (p_.platform.pci.Open(ports_granted) == PciRoute::None) {
        p_.LogLine("PCI Bus Scan is disability w/o porttalk!", false, 4);
        p_.fm.PCIScanBtn.SetEnabled(false);
        return;
    }
    scanning_ = true;
    StartTable();
    p_.LogLine("PCI Bus Scan...", false, 3);
    const bool all_functions = p_.fm.MFDevChk.Checked();
    for (unsigned bus = 0; bus <= kLastBus && !Stopped(); ++bus) {
        for (uint8_t device = 0; device < kDevices && !Stopped(); ++device) {
            bool multi_function = false;
            for (uint8_t function = 0; function < kFunctions && !Stopped(); ++function) {
                if (function > 0 && !all_functions && !multi_function) break;
                if (p_.ui.IsUiThread()) p_.ui.ProcessMessages();
                if (Stopped()) break;
                bool function_multi = false;
                const bool present =
                    ProbeFunction(static_cast<uint8_t>(bus), device, function, function_multi);
                if (function == 0 && present) multi_function = function_multi;
            }
        }
    }
    scanning_ = false;
}

bool PciScan::ProbeFunction(uint8_t bus, uint8_t device, uint8_t function, bool& multi_function)
{
    PciConfigSpace& config = p_.platform.pci;
    const uint32_t id = config.Read(bus, device, function, 0x00);
    PciFunctionRegisters f;
    f.vendor_id = static_cast<uint16_t>(id);
    f.device_id = static_cast<uint16_t>(id >> 16);
    if (f.device_id == 0xFFFF || f.device_id == 0x0000) return false;
    // The header type tells whether functions 1-7 exist; it is read for every
    // present function, listed or not, so that a controller behind a bridge's
    // function 0 is found without "M/F".
    multi_function = (config.Read(bus, device, function, 0x0C) & 0x00800000u) != 0;
    f.class_code = static_cast<uint16_t>(config.Read(bus, device, function, 0x08) >> 16);
    if (!p_.fm.PCIAllDevChk.Checked() && !IsStorageClass(f.class_code)) return true;
    for (int bar = 0; bar < 4; ++bar)
        f.bars[bar] = config.Read(bus, device, function, static_cast<uint8_t>(0x10 + 4 * bar));

    const std::string vendor = PciVendorName(f.vendor_id);
    const std::string name = PciDeviceIdName(f.device_id);
    form::ListView& list = p_.fm.Psp;
    for (const PciChannel& channel : ChannelsOf(f)) {
        rows_.push_back({channel, IsStorageClass(f.class_code)});
        list.AddRow({"", vendor, name, PciClassName(f.class_code), HexPort(channel.base, 4),
                     HexPort(channel.alt, 4)});
    }
    p_.LogLine(vendor + "/" + name + ", BUS: " + std::to_string(bus) + "/DEV: " + std::to_string(device) +
                   "/FUN: " + std::to_string(function) + (multi_function ? " M" : ""),
               false, 0);
    return true;
}

const PciChannel* PciScan::UsableChannel(int row) const
{
    if (row < 0 || static_cast<size_t>(row) >= rows_.size()) return nullptr;
    const Row& r = rows_[static_cast<size_t>(row)];
    // Only a disk controller's row names ATA ports; a placeholder row (base 0)
    // or another device's I/O range must not become the channel.
    if (!r.storage || r.channel.base == 0) return nullptr;
    return &r.channel;
}

void PciScan::PspSelectItem(int)
{
    if (!ShowsPciTable() || p_.TestsRunning()) return;
    TFm& fm = p_.fm;
    SharedState& st = p_.state;
    for (int row = 0; row < fm.Psp.RowCount(); ++row) {
        if (!fm.Psp.RowAt(row).selected || UsableChannel(row) == nullptr) continue;
        const std::optional<uint16_t> base = ParseHexPort(fm.Psp.Cell(row, kBase));
        const std::optional<uint16_t> alt = ParseHexPort(fm.Psp.Cell(row, kAlt));
        if (!base || !alt) continue;
        if (*base == kPrimaryBase && !st.PrimaryAllowed) continue;
        fm.BaseEdit.SetEnabled(true);
        fm.AltEdit.SetEnabled(true);
        // The edits' own handlers move the channel selector with the ports.
        fm.BaseEdit.SetText(HexPort(*base, 3));
        fm.AltEdit.SetText(HexPort(*alt, 3));
        st.BasePort = *base;
        st.StatusPort = *alt;
        st.AltPort = *alt;
        p_.channel.RefreshPortIndicator();
    }
}

void PciScan::PspDblClick()
{
    TFm& fm = p_.fm;
    SharedState& st = p_.state;
    if (!ShowsPciTable() || !fm.PspDblChk.Checked()) return;
    const int row = fm.Psp.ItemIndex();
    if (row < 0) return;
    const PciChannel* channel = UsableChannel(row);
    if (channel == nullptr) {
        p_.LogLine("No ATA channel in this row", false, 3);
        return;
    }
    // The passport is taken only on the row's own channel.
    if (channel->base == kPrimaryBase && !st.PrimaryAllowed) {
        p_.LogLine("Primary port is blocked. Please, read manual", false, 4);
        return;
    }
    if (st.access_mode != AccessMode::Pio) {
        if (!p_.pio.PortsUsable())
            p_.LogLine("PortTalk driver not installed! Available only API access", false, 4);
        else
            p_.LogLine("Switch to PIO to take the passport on this channel", false, 3);
        return;
    }
    if (st.BasePort != channel->base) return; // the drive choice is locked by a running test
    fm.PASSBtn.Click();
}

} // namespace mrv
