// The fault campaign: every kind of drive fault the virtual PC can stage,
// against every operation a technician runs. Each cell must end within its
// time-outs, never hold the user-interface thread for more than 250 ms and
// leave every sector outside the user's range as it was. With
// MRV_UPDATE_FAULT_CAMPAIGN=1 the run also writes its table into
// tests/README.md. (The words of a cell can depend on timing under load, a
// block logged as slow for instance, so rows are not compared with it.)

#include "campaign/campaign_lab.h"
#include "campaign/campaign_table.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace mrv::test
{
namespace
{

const std::string kReadme = std::string(MRV_SOURCE_DIR) + "/tests/README.md";

std::string Slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool Updating()
{
    const char* value = std::getenv("MRV_UPDATE_FAULT_CAMPAIGN");
    return value != nullptr && std::string(value) == "1";
}

std::vector<FaultKind> Faults()
{
    const std::string at = "=" + std::to_string(kFaultLba) + "\n";
    auto crc_every_tenth = [](CampaignLab& lab) { lab.drive().SetInterfaceCrcEvery(10); };
    std::vector<FaultKind> faults;
    for (Route route : {Route::Pio, Route::Api}) {
        const std::string how = route == Route::Pio ? " (PIO)" : " (API)";
        faults.push_back({"Unreadable sector" + how, route, "sata", "Unreadable" + at, {}});
        faults.push_back({"Pending sector" + how, route, "sata", "Pending" + at, {}});
        faults.push_back(
            {"Slow sector, 400 ms" + how, route, "sata", "Slow=" + std::to_string(kFaultLba) + ":400\n", {}});
        faults.push_back({"Busy until reset" + how, route, "sata", "Stuck" + at, {}});
        faults.push_back({"Write fault" + how, route, "sata", "WriteFail" + at, {}});
        faults.push_back({"Interface CRC, every 10th transfer" + how, route, "sata", "", crc_every_tenth});
        faults.push_back({"Supply lost in the first command" + how, route, "sata", "",
                          [](CampaignLab& lab) { lab.drive().VanishAfterCommands(1); }});
    }
    faults.push_back({"USB bridge stops answering (API)", Route::Api, "usb", "",
                      [](CampaignLab& lab) { lab.pc().SimDevices().HangAfterRequests(1, 1); }});
    faults.push_back({"NVMe controller times out (API)", Route::Api, "nvme", "Type=ssd\n",
                      [](CampaignLab& lab) { lab.pc().SimDevices().Nvme(1)->TimeoutAfterCommands(1); }});
    return faults;
}

std::vector<CampaignRow>& Collected()
{
    static std::vector<CampaignRow> rows;
    return rows;
}

/// Writes the table once every row has run, when asked to.
class CampaignReport : public ::testing::Environment
{
  public:
    void TearDown() override
    {
        if (!Updating()) return;
        if (Collected().size() != Faults().size()) {
            std::fprintf(stderr, "fault campaign: only %zu of %zu rows ran; the table is left as it was\n",
                         Collected().size(), Faults().size());
            return;
        }
        std::vector<CampaignRow> rows;
        for (const FaultKind& fault : Faults())
            for (const CampaignRow& row : Collected())
                if (row.fault == fault.name) rows.push_back(row);
        // Read before the file is opened for writing, which empties it.
        const std::string text = ReplaceCampaignSection(Slurp(kReadme), CampaignSection(rows));
        std::ofstream(kReadme, std::ios::binary) << text;
        std::fprintf(stderr, "fault campaign: %s written\n", kReadme.c_str());
    }
};

const auto* const kReport = ::testing::AddGlobalTestEnvironment(new CampaignReport);

class FaultCampaign : public ::testing::TestWithParam<FaultKind>
{
};

TEST_P(FaultCampaign, EveryOperationEndsInTimeKeepsTheWindowAliveAndWritesOnlyInsideTheRange)
{
    const FaultKind& fault = GetParam();
    const std::vector<Operation>& ops = CampaignOperations();
    CampaignRow row{fault.name, {}};
    for (const Operation& op : ops) {
        CellResult cell = RunCell(fault, op);
        SCOPED_TRACE(op.name + ": " + cell.verdict + ": " + cell.line);
        EXPECT_NE(cell.verdict, "lab failed");
        EXPECT_TRUE(cell.ended) << "did not end within " << cell.virtual_ms << " ms of virtual time";
        EXPECT_LE(cell.longest_stall_ms, 250u) << "the window stood still";
        EXPECT_TRUE(cell.outside_unchanged) << "a sector outside the user's range changed";
        row.cells.push_back(std::move(cell));
    }
    Collected().push_back(row);
}

std::string TestName(const ::testing::TestParamInfo<FaultKind>& info)
{
    std::string name;
    for (char c : info.param.name)
        if (std::isalnum(static_cast<unsigned char>(c))) name += c;
    return name;
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultCampaign, ::testing::ValuesIn(Faults()), TestName);

} // namespace
} // namespace mrv::test
