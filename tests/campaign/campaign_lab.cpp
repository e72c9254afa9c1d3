#include "campaign/campaign_lab.h"

#include "util/log_sink.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace mrv::test
{

namespace
{

/// A Linux system without port access: the program reaches drives through
/// the system's devices only.
constexpr const char* kApiSystem = "Kernel=Linux 6.1.0 x64\n[PortAccess]\nDriverFile=0\nRestrict=refuse\n";

std::string LabText(const FaultKind& fault)
{
    // Coarser polls: a drive that stays busy costs a tenth of the real time.
    std::string text = "[System]\nPollUs=20\n";
    if (fault.route == Route::Api) text += kApiSystem;
    text += "[Pci]\nDefault=0\n[Channel Secondary]\nMaster=hdd\nPowerAdaptor=1\n[Drive hdd]\n"
            "Model=MORVANTA FAULT DISK\nSerial=FC0001\nFirmware=1.0\nSectors=" +
            std::to_string(kCampaignSectors) + "\nOsNumber=1\nOsVia=" + fault.via + "\n" + fault.drive_keys +
            "\n";
    return text;
}

/// The first log line at error level after `from` (but the start of a
/// write scan), else the first message
/// box after `asked_from`, else the operation's last line.
void Judge(const ProgramFixture& fixture, size_t from, size_t asked_from, CellResult& cell)
{
    for (size_t i = from; i < fixture.log.size(); ++i) {
        // A write scan announces itself in red; that is a warning, not an outcome.
        if (fixture.log[i].level >= kLogError && fixture.log[i].text.rfind("Starting ", 0) != 0) {
            cell.verdict = "error logged";
            cell.line = fixture.log[i].text;
            return;
        }
    }
    const std::string message = "message: ";
    for (size_t i = asked_from; i < fixture.dialogs.asked.size(); ++i) {
        if (fixture.dialogs.asked[i].rfind(message, 0) == 0) {
            cell.verdict = "refused";
            cell.line = fixture.dialogs.asked[i].substr(message.size());
            return;
        }
    }
    cell.verdict = "ok";
    if (fixture.log.size() > from) cell.line = fixture.log.back().text;
}

} // namespace

bool CampaignLab::Start(const FaultKind& fault, std::string& why)
{
    if (!LoadLab(LabText(fault), why)) return false;
    StartProgram();
    if (fault.route == Route::Api) {
        if (p().state.access_mode != AccessMode::Api) {
            why = "the program did not start in API mode";
            return false;
        }
        p().state.ApiDeviceIndex = 1;
    }
    fm().PasspBtn.Click();
    if (!fixture->Logged("Model:")) {
        why = "the passport of the sound drive was not read";
        return false;
    }
    return true;
}

void CampaignLab::Click(form::Button& button)
{
    fixture->Measure([&] { button.Click(); });
}

bool CampaignLab::RunWhile(const std::function<bool()>& busy, uint64_t budget_ms)
{
    Clock& clock = platform->clock;
    const uint64_t end = clock.TickCountMs() + budget_ms;
    while (busy()) {
        if (clock.TickCountMs() >= end) return false;
        fixture->Run(20);
    }
    return true;
}

void CampaignLab::FillDisk()
{
    sim::MediaStore& media = drive().Media();
    std::vector<uint8_t> data(media.SectorSize());
    for (uint64_t lba = 0; lba < media.Sectors(); ++lba) {
        for (size_t i = 0; i < data.size(); i += 8) {
            const uint64_t word = lba * 0x9E3779B97F4A7C15ull + i;
            std::memcpy(&data[i], &word, 8);
        }
        media.Write(lba, data.data());
    }
}

uint64_t CampaignLab::Checksum(uint64_t first, uint64_t count)
{
    sim::MediaStore& media = drive().Media();
    uint64_t hash = 14695981039346656037ull;
    for (uint64_t lba = first; lba < first + count && lba < media.Sectors(); ++lba) {
        const uint8_t* sector = media.Sector(lba);
        for (uint32_t i = 0; i + 8 <= media.SectorSize(); i += 8) {
            uint64_t word = 0;
            std::memcpy(&word, sector + i, 8);
            hash = (hash ^ word) * 1099511628211ull;
        }
    }
    return hash;
}

CellResult RunCell(const FaultKind& fault, const Operation& op)
{
    CellResult cell;
    CampaignLab lab;
    std::string why;
    if (!lab.Start(fault, why)) {
        cell.verdict = "lab failed";
        cell.line = why;
        return cell;
    }
    lab.FillDisk();
    const uint64_t sectors = lab.drive().Media().Sectors();
    const uint64_t below = lab.Checksum(0, kRangeFirst);
    const uint64_t inside = lab.Checksum(kRangeFirst, kRangeLast + 1 - kRangeFirst);
    const uint64_t above = lab.Checksum(kRangeLast + 1, sectors);
    if (fault.arm) fault.arm(lab);

    ProgramFixture& fixture = *lab.fixture;
    const size_t from = fixture.log.size();
    const size_t asked_from = fixture.dialogs.asked.size();
    Clock& clock = lab.platform->clock;
    const uint64_t start = clock.TickCountMs();
    fixture.stalls.Reset();
    cell.ended = op.run(lab, cell.offered);
    cell.virtual_ms = clock.TickCountMs() - start;
    cell.longest_stall_ms = fixture.stalls.LongestMs();
    cell.outside_unchanged = lab.Checksum(0, kRangeFirst) == below &&
                             lab.Checksum(kRangeLast + 1, sectors) == above &&
                             (op.writes || lab.Checksum(kRangeFirst, kRangeLast + 1 - kRangeFirst) == inside);
    if (std::getenv("MRV_CAMPAIGN_LOG") != nullptr) {
        std::fprintf(stderr, "---- %s / %s\n", fault.name.c_str(), op.name.c_str());
        for (size_t i = from; i < fixture.log.size(); ++i) {
            if (i == fixture.stalls.LongestMark())
                std::fprintf(stderr, "  <-- the longest stall (%llu ms) ended here\n",
                             static_cast<unsigned long long>(fixture.stalls.LongestMs()));
            std::fprintf(stderr, "  [%d] %s\n", fixture.log[i].level, fixture.log[i].text.c_str());
        }
        if (fixture.stalls.LongestMark() == fixture.log.size())
            std::fprintf(stderr, "  <-- the longest stall (%llu ms) ended after the last line\n",
                         static_cast<unsigned long long>(fixture.stalls.LongestMs()));
    }
    if (!cell.offered) {
        cell.verdict = "not offered";
        return cell;
    }
    Judge(fixture, from, asked_from, cell);
    return cell;
}

} // namespace mrv::test
