#include "access/api_device_list.h"

#include "access/os_device.h"
#include "app/program_impl.h"
#include "drive/ata_opcodes.h"
#include "identify/format_capacity.h"

#include <cctype>

namespace mrv
{

namespace
{

constexpr int kHighestSearched = 24;
constexpr uint32_t kRemovableMedia = 11;

const char* LogicalNote(LogicalDriveType type)
{
    switch (type) {
    case LogicalDriveType::Removable:
        return "Removable drive";
    case LogicalDriveType::Remote:
        return "Network drive";
    case LogicalDriveType::CdRom:
        return "CD-ROM";
    case LogicalDriveType::RamDisk:
        return "RAM disk";
    default:
        return "Unknown logical";
    }
}

bool IsDigitRow(const std::string& number)
{
    return !number.empty() && number[0] >= '0' && number[0] <= '9';
}

} // namespace

ApiDeviceList::ApiDeviceList(ProgramImpl& program, OsDeviceAccess& access) : p_(program), access_(access)
{
    TFm& fm = p_.fm;
    fm.ApiList.OnColumnClick = [this](int) {
        if (p_.state.access_mode == AccessMode::Api) BuildApiDeviceList();
    };
    fm.ApiList.OnSelectItem = [this](int row) { ApiListSelectItem(row); };
    fm.ApiList.OnDblClick = [this] { ApiListDblClick(); };
    fm.ApiList.OnCustomDrawCell = [this](int row, int column) -> std::optional<form::Colour> {
        const form::ListView& list = p_.fm.ApiList;
        return CellColour(list.Cell(row, kApiNumber), list.Cell(row, kApiKind), column);
    };
    fm.ApiDevSpin.OnChange = [this] { ApiDevSpinChange(); };
}

std::string ApiDeviceList::IdentifyModel(const uint8_t* identify)
{
    std::string model;
    for (int word = 27; word <= 46; ++word) {
        for (int byte : {1, 0}) {
            const uint8_t c = identify[word * 2 + byte];
            model += (c < 32 || c > 122) ? ' ' : static_cast<char>(c);
        }
    }
    const size_t first = model.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return model.substr(first, model.find_last_not_of(' ') - first + 1);
}

std::optional<form::Colour> ApiDeviceList::CellColour(const std::string& number, const std::string& kind,
                                                      int column)
{
    if (column == kApiNumber) {
        if (!number.empty() && static_cast<unsigned char>(number[0]) > '9')
            return form::Colour::FromColorRef(0x008000);
        return std::nullopt;
    }
    if (column != kApiNote) return std::nullopt;
    if (kind == "0") return form::Colour::FromColorRef(0x800000);
    if (kind == "1") return form::Colour::FromColorRef(0xDF0000);
    if (kind == "x") return form::Colour::FromColorRef(0x0000FF);
    if (kind == "2") return form::Colour::FromColorRef(0x008000);
    return std::nullopt;
}

void ApiDeviceList::BuildApiDeviceList()
{
    SharedState& st = p_.state;
    TFm& fm = p_.fm;
    p_.ops.ResetBreakState();
    fm.ApiList.ClearRows();

    int highest = 0;
    for (int n = kHighestSearched; n >= 1; --n) {
        if (access_.OpenApiDevice(n, st.ApiDriveLetter)) {
            highest = n;
            break;
        }
    }
    st.ApiHighestDevice = highest;
    fm.ApiDevSpin.SetRange(0, highest);
    if (st.ApiDeviceIndex > highest) st.ApiDeviceIndex = highest;

    for (int n = 0; n <= highest; ++n)
        AddPhysicalRow(n);
    if (fm.ShowLogicalChk.Checked()) AddLogicalRows();

    fm.ApiList.Repaint();
    st.BreakRequested = true;
}

void ApiDeviceList::AddPhysicalRow(int number)
{
    SharedState& st = p_.state;
    DrivePassport& passport = st.passport;
    passport.SectorSize = 512;
    passport.NonAta = false;
    const std::string key = std::to_string(number);

    std::unique_ptr<OsDevice> device = access_.OpenApiDevice(number, st.ApiDriveLetter);
    if (!device) {
        p_.fm.ApiList.AddRow({key, key, "  -", "Disconnected drive", "x"});
        return;
    }
    const DeviceCapacity cap = access_.ApiGetCapacity(device.get());
    if (cap.total_sectors == 0) {
        p_.fm.ApiList.AddRow({key, key, "0 kb", "Invalid geometry", "x"});
        return;
    }
    passport.SectorSize = cap.sector_size;
    passport.SectorsPerMb = cap.sector_size ? 0x100000 / cap.sector_size : 2048;
    const std::string size = FormatCapacity(cap.sector_size, cap.total_sectors);
    std::string note = cap.media_type == kRemovableMedia ? "Removable " : "";
    if (cap.sectors_per_track == 63) {
        bool identified = false;
        if (!p_.fm.OnlyScsiPassChk.Checked()) {
            uint8_t identify[512] = {};
            const AtaCommand command = AtaCommand::PioIn(kIdentifyDevice, identify, sizeof identify);
            if (p_.routes.smart_request.ExecuteOn(*device, number, command).Ok()) {
                note += IdentifyModel(identify);
                identified = true;
            }
        }
        if (!identified) {
            passport.NonAta = true;
            std::string model, revision, serial;
            note += access_.ApiScsiInquiry(device.get(), model, revision, serial) ? model : "Non ATA drive";
        }
    } else {
        note += "Virtual drive";
        passport.NonAta = true;
    }
    if (passport.SectorSize != 512) note += ", sector=" + std::to_string(passport.SectorSize) + " B";
    p_.fm.ApiList.AddRow({key, key, size, note, passport.NonAta ? "0" : "1"});
}

void ApiDeviceList::AddLogicalRows()
{
    OsDevices& devices = p_.platform.devices;
    const uint32_t mask = devices.LogicalDriveMask();
    for (int i = 0; i < 26; ++i) {
        if ((mask & (1u << i)) == 0) continue;
        const char letter = static_cast<char>('A' + i);
        const LogicalDriveType type = devices.DriveType(letter);
        if (type == LogicalDriveType::Fixed) continue;
        if (letter == 'A' && p_.fm.IgnoreFddChk.Checked()) continue;
        std::string size = "-";
        if (std::unique_ptr<OsDevice> device = access_.OpenApiDevice(-1, letter)) {
            const DeviceCapacity cap = access_.ApiGetCapacity(device.get());
            size = FormatCapacity(cap.sector_size, cap.total_sectors);
        }
        const std::string key = std::string(1, letter) + ":";
        p_.fm.ApiList.AddRow({key, key, size, LogicalNote(type), "2"});
    }
}

void ApiDeviceList::ApiListSelectItem(int row)
{
    TFm& fm = p_.fm;
    SharedState& st = p_.state;
    if (row < 0 || row >= fm.ApiList.RowCount() || selecting_) return;
    selecting_ = true;
    const std::string number = fm.ApiList.Cell(row, kApiNumber);
    if (!IsDigitRow(number)) {
        st.ApiDeviceIndex = -1;
        st.ApiDriveLetter = number.empty() ? 'C' : number[0];
        fm.ApiDevSpin.SetEnabled(false);
    } else {
        st.ApiDeviceIndex = row;
        fm.ApiDevSpin.SetEnabled(true);
        fm.ApiDevSpin.SetValue(row);
    }
    selecting_ = false;
    p_.channel.RefreshPortIndicator();
    if (fm.PasspBtn.Enabled()) fm.PasspBtn.Click();
    fm.SmTimerChk.SetChecked(false);
}

void ApiDeviceList::ApiListDblClick()
{
    TFm& fm = p_.fm;
    if (fm.PasspBtn.Enabled())
        fm.PasspBtn.Click();
    else
        fm.Psp.ClearRows();
}

void ApiDeviceList::ApiDevSpinChange()
{
    TFm& fm = p_.fm;
    SharedState& st = p_.state;
    // While the window is created the settings restore the spinner and the
    // start-up sequence reads it; nothing is clamped before a list exists.
    if (selecting_ || p_.creating) return;
    int value = fm.ApiDevSpin.Value();
    if (value < 0) value = 0;
    if (value > st.ApiHighestDevice) value = st.ApiHighestDevice;
    st.ApiDeviceIndex = value;
    if (st.access_mode != AccessMode::Api) return;
    selecting_ = true;
    if (value != fm.ApiDevSpin.Value()) fm.ApiDevSpin.SetValue(value);
    selecting_ = false;
    if (value < fm.ApiList.RowCount()) fm.ApiList.SelectRow(value);
}

void ApiDeviceList::ShowSpinnerValue(int value)
{
    selecting_ = true;
    p_.fm.ApiDevSpin.SetValue(value < 0 ? 0 : value);
    selecting_ = false;
}

void ApiDeviceList::SelectCurrentRow()
{
    const int index = p_.state.ApiDeviceIndex;
    const int row = index < 1 ? 0 : index;
    if (row < p_.fm.ApiList.RowCount()) p_.fm.ApiList.SelectRow(row);
}

} // namespace mrv
