#include "views/partition_viewer.h"

#include "app/program_impl.h"
#include "identify/format_capacity.h"
#include "identify/identify_words.h"

#include <cstdio>
#include <fstream>

namespace mrv
{

namespace
{

const form::Colour kLedGreen = form::colours::kLime;
const form::Colour kLedRed = form::colours::kRed;
const form::Colour kLedGrey = form::colours::kGray;

enum PartMenuItem { kCopy, kClear };
enum PartColumn { kN = 1, kBoot, kSystem, kStart, kEnd, kSize, kName };

std::string Hex4(uint16_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value);
    return text;
}

} // namespace

PartitionViewer::PartitionViewer(ProgramImpl& program) : p_(program)
{
    Wire();
}

void PartitionViewer::Wire()
{
    TFm& fm = p_.fm;
    fm.PartBtn.OnClick = [this] { PartBtnClick(); };
    fm.RzBitBtn30.OnClick = [this] { RzBitBtn30Click(); };
    fm.RzBitBtn12.OnClick = [this] { RzBitBtn12Click(); };
    fm.PartList.OnSelectItem = [this](int row) { PartListSelectItem(row); };
    auto& items = fm.PartMenu.Items();
    items.clear();
    items.push_back({"Copy to clipboard", true, true, [this] { MenuItem5Click(); }});
    items.push_back({"Clear", true, true, [this] { Clear1Click(); }});
}

// ---- The viewer ----------------------------------------------------------

void PartitionViewer::PartBtnClick()
{
    TFm& fm = p_.fm;
    p_.ops.ResetBreakState();
    p_.ops.SuspendTestThreads();
    p_.LogLine("Partinion analizer v1.1", false, 1);
    fm.PartList.ClearRows();
    passport_result_ = 0;
    if (fm.PartAnalPassChk.Checked()) {
        passport_result_ = p_.passport.ReadPassport(false, {});
        if (passport_result_ < 0) fm.PartAnalPassChk.SetChecked(false);
    }
    Walk();
    p_.ops.ResumeTestThreads();
}

void PartitionViewer::Walk()
{
    walk_ = WalkState{};
    if (p_.state.access_mode == AccessMode::Pio && !p_.pio.AwaitDriveReady()) return;

    while (!p_.state.BreakRequested) {
        walk_.visited.insert(walk_.table_lba);
        const int64_t link = ReadPartitionTable(walk_.table_lba);
        if (link < 0) {
            p_.LogLine("Error reading boot sector", false, 4);
            p_.fm.MbrLed.SetBrush(kLedGrey);
            return;
        }
        if (!walk_.link_found) break;
        uint64_t next = static_cast<uint64_t>(link);
        if (walk_.extended_depth == 1) {
            walk_.extended_base = next;
        } else {
            next += walk_.extended_base;
        }
        // A damaged chain may point back at a table already read; following
        // it would list the same partitions for ever.
        if (walk_.visited.count(next)) {
            p_.LogLine("Extended partition chain loops back to LBA " + std::to_string(next), false, 4);
            break;
        }
        walk_.table_lba = next;
        walk_.table_base = next;
    }

    if (walk_.listed == 0) {
        p_.LogLine("Boot sector not found", false, 4);
    } else if (p_.fm.PartAnalPassChk.Checked() && passport_result_ >= 0) {
        AddFreeSpaceRow();
    }
}

void PartitionViewer::AddFreeSpaceRow()
{
    const DrivePassport& d = p_.state.passport;
    const int64_t start = static_cast<int64_t>(walk_.last_end) + 1;
    const int64_t end = d.LbaCount - 1;
    // Partitions that reach past the end of the disk leave no free space to show.
    if (end + 1 < start) return;
    const uint64_t size = static_cast<uint64_t>(end - start + 1);
    p_.fm.PartList.AddRow({"", std::to_string(walk_.number), "Not", "free space", std::to_string(start),
                           std::to_string(end), FormatCapacity(d.SectorSize, size), " -"});
}

int64_t PartitionViewer::ReadPartitionTable(uint64_t table_lba)
{
    SharedState& st = p_.state;
    if (!p_.pio.ReadSector(table_lba)) {
        std::string text = "Error reading sector " + std::to_string(table_lba);
        if (p_.fm.PartAnalPassChk.Checked() && st.passport.LbaCount >= 0 &&
            table_lba >= static_cast<uint64_t>(st.passport.LbaCount))
            text += ": out of range!";
        p_.LogLine(text, false, 4);
        return -1;
    }
    views::SectorBytes table{};
    std::copy_n(st.SectorBuffer.Bytes(), table.size(), table.begin());

    if (table_lba == 0) {
        const uint16_t signature = views::BootSignature(table);
        p_.fm.MbrLed.SetBrush(signature == views::kMbrSignatureOn    ? kLedGreen
                              : signature == views::kMbrSignatureOff ? kLedRed
                                                                     : kLedGrey);
        if (st.FilesWritable) SaveMbrCopy(table);
    }

    walk_.link_found = false;
    int64_t link = 0;
    for (int i = 0; i < 4 && !walk_.link_found; ++i) {
        const views::PartitionEntry entry = views::ReadPartitionEntry(table, i);
        if (entry.type == 0x00) continue;
        if (views::IsExtendedLink(entry.type)) {
            ++walk_.extended_depth;
            link = entry.start;
            walk_.link_found = true;
            p_.LogLine("Found abstract MBR, LBA " + std::to_string(link), false, 1);
            continue;
        }
        ListEntry(entry);
    }
    return link;
}

void PartitionViewer::ListEntry(const views::PartitionEntry& entry)
{
    TFm& fm = p_.fm;
    ++walk_.listed;
    const std::string number = std::to_string(walk_.number);
    if (entry.boot != 0x80 && entry.boot != 0x00) {
        fm.PartList.AddRow({"", number, "Unk", "Unknown", "0", "0", "0", " -"});
        return;
    }
    const uint64_t start = entry.start + walk_.table_base;
    const uint64_t end = start + entry.count == 0 ? 0 : start + entry.count - 1;
    walk_.last_end = end;
    const std::string name = fm.PartGetNameChk.Checked() ? ReadVolumeName(start) : " -";
    fm.PartList.AddRow({"", number, entry.boot == 0x80 ? "Yes" : "Not", views::PartitionTypeName(entry.type),
                        std::to_string(start), std::to_string(end),
                        FormatCapacity(p_.state.passport.SectorSize, entry.count), name});
    ++walk_.number;
}

std::string PartitionViewer::ReadVolumeName(uint64_t start_lba)
{
    if (!p_.pio.ReadSectorAux(start_lba)) return "error";
    views::SectorBytes boot{};
    std::copy_n(p_.state.AuxSectorBuffer.Bytes(), boot.size(), boot.begin());
    return views::VolumeNameFromBootSector(boot);
}

void PartitionViewer::SaveMbrCopy(const views::SectorBytes& mbr)
{
    const std::string& serial = p_.state.passport.Serial;
    const std::filesystem::path path =
        p_.LogsDir() / ((serial.empty() ? "lastmbr" : SanitizeFileName(serial)) + ".mbr");
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(mbr.data()), static_cast<std::streamsize>(mbr.size()));
    if (!out) p_.LogLine("Error! Can't write file " + path.string(), false, 4);
}

// ---- The MBR switch ------------------------------------------------------

void PartitionViewer::RzBitBtn12Click()
{
    if (p_.ops.TargetIsSystemDisk() &&
        !p_.dialogs.AskYesNo("Warning", "!!! WARNING! DEACTIVATED SYSTEM DISK ???"))
        return;
    SwitchMbrSignature(views::kMbrSignatureOff);
}

void PartitionViewer::SwitchMbrSignature(uint16_t value)
{
    SharedState& st = p_.state;
    const bool on = value == views::kMbrSignatureOn;
    p_.ops.ResetBreakState();
    p_.ops.SuspendTestThreads();
    p_.LogLine(on ? "Switch MBR ON command" : "Switch MBR OFF command", false, 1);
    [&] {
        if (p_.passport.ReadPassport(false, {}) <= 0) {
            p_.LogLine("Drive is corrupted! Process aborted", false, 4);
            return;
        }
        if (!p_.pio.ReadSector(0)) {
            p_.LogLine("Error reading MBR", false, 4);
            return;
        }
        views::SectorBytes mbr{};
        std::copy_n(st.SectorBuffer.Bytes(), mbr.size(), mbr.begin());
        const uint16_t found = views::BootSignature(mbr);
        const std::string prefix = "Signature " + Hex4(found) + "h found... ";
        if (found != value) {
            st.SectorBuffer.Bytes()[views::kSignatureOffset] = static_cast<uint8_t>(value);
            st.SectorBuffer.Bytes()[views::kSignatureOffset + 1] = static_cast<uint8_t>(value >> 8);
            if (!p_.pio.WriteSector(0)) {
                p_.LogLine(prefix + "Error writing MBR", false, 4);
                return;
            }
        }
        p_.LogLine(prefix + "Complete", false, 1);
        p_.fm.MbrLed.SetBrush(on ? kLedGreen : kLedRed);
    }();
    p_.ops.ResumeTestThreads();
}

// ---- The list ------------------------------------------------------------

void PartitionViewer::PartListSelectItem(int row)
{
    TFm& fm = p_.fm;
    if (row < 0 || row >= fm.PartList.RowCount()) return;
    const std::string start = fm.PartList.Cell(row, kStart);
    if (start.empty() || fm.PartList.Cell(row, kEnd).empty() || !fm.AdvSyncHexPV.Checked()) return;
    fm.HexeditIn.SetText(start);
}

void PartitionViewer::MenuItem5Click()
{
    const form::ListView& list = p_.fm.PartList;
    std::vector<std::vector<std::string>> rows;
    for (int r = 0; r < list.RowCount(); ++r) {
        std::vector<std::string> cells;
        for (int c = kN; c <= kName; ++c)
            cells.push_back(list.Cell(r, c));
        rows.push_back(std::move(cells));
    }
    p_.dialogs.SetClipboardText(views::PartitionListText(rows));
}

void PartitionViewer::Clear1Click()
{
    p_.fm.PartList.ClearRows();
}

} // namespace mrv
