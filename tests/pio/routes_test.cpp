// The same command values through every route to one drive of the virtual PC:
// the task file, the legacy SMART request, ATA pass-through and the IDE
// register pass-through must agree where they can carry a command, and refuse
// clearly, without sending anything, where they cannot.

#include "app/program_impl.h"
#include "drive/ata_opcodes.h"
#include "pio/pio_fixture.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace mrv::test
{
namespace
{

const char* kLab = R"(
[Channel Secondary]
Master=hdd
[Drive hdd]
Type=hdd
Model=ROUTE TEST DISK
Serial=RT-1
Sectors=1000000
OsNumber=0
OsVia=sata
)";

struct Case {
    const char* name;
    AtaCommand command;
    bool ok;              ///< expected where carried
    bool fits_28bit_only; ///< refused by the register requests
};

class Routes : public ::testing::Test
{
  protected:
    LabProgram lp{kLab};
    std::vector<uint8_t> data = std::vector<uint8_t>(512);

    DriveRoutes& routes() { return lp.p().routes; }
    std::vector<DriveRoute*> All()
    {
        return {&routes().pio, &routes().smart_request, &routes().sat, &routes().ide_pass_through};
    }

    void SetUp() override { lp.p().state.ApiDeviceIndex = 0; }
};

TEST_F(Routes, EveryRouteAgreesWhereItCarriesTheCommand)
{
    AtaCommand smart_status = AtaCommand::NonData(
        {.features = 0xDA, .lba_mid = 0x4F, .lba_high = 0xC2, .device = 0xA0, .command = 0xB0});
    smart_status.want_registers = true;
    AtaCommand native_max = AtaCommand::NonData({.device = 0xE0, .command = 0x27}, true);
    native_max.want_registers = true;
    AtaCommand aborted = AtaCommand::NonData({.device = 0xA0, .command = 0x01});
    aborted.want_registers = true;
    const Case cases[] = {
        {"IDENTIFY", AtaCommand::PioIn(kIdentifyDevice, data.data(), data.size()), true, false},
        {"SMART RETURN STATUS", smart_status, true, false},
        {"SET FEATURES write cache on",
         AtaCommand::NonData({.features = 0x02, .device = 0xA0, .command = 0xEF}), true, false},
        {"READ NATIVE MAX EXT", native_max, true, true},
        {"unknown opcode", aborted, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<AtaResult> results;
        std::vector<std::vector<uint8_t>> blocks;
        for (DriveRoute* route : All()) {
            SCOPED_TRACE(route->Name());
            std::fill(data.begin(), data.end(), 0);
            const AtaResult r = route->Execute(c.command);
            const bool register_request =
                route == &routes().smart_request || route == &routes().ide_pass_through;
            if (c.fits_28bit_only && register_request) {
                EXPECT_TRUE(r.refused);
                ASSERT_NE(r.refusal, nullptr);
                EXPECT_NE(std::string(r.refusal).find("28-bit"), std::string::npos);
                continue;
            }
            EXPECT_FALSE(r.refused);
            EXPECT_EQ(r.Ok(), c.ok);
            if (c.command.want_registers || route == &routes().pio) {
                ASSERT_TRUE(r.registers_valid);
                results.push_back(r);
            }
            if (c.command.protocol == AtaProtocol::PioIn) {
                EXPECT_EQ(r.transferred, 512u);
                blocks.push_back(data);
            }
        }
        for (size_t i = 1; i < results.size(); ++i) {
            EXPECT_EQ(results[i].status & 0xF9, results[0].status & 0xF9) << i;
            EXPECT_EQ(results[i].error, results[0].error) << i;
            if (c.command.want_registers) {
                EXPECT_EQ(results[i].lba, results[0].lba) << i;
            }
        }
        for (size_t i = 1; i < blocks.size(); ++i)
            EXPECT_EQ(blocks[i], blocks[0]) << i;
    }
}

TEST_F(Routes, ResultsCarryWhatTheDriveSaid)
{
    AtaCommand native_max = AtaCommand::NonData({.device = 0xE0, .command = 0x27}, true);
    native_max.want_registers = true;
    EXPECT_EQ(routes().pio.Execute(native_max).lba, 1000000u - 1);
    EXPECT_EQ(routes().sat.Execute(native_max).lba, 1000000u - 1);

    ASSERT_TRUE(
        routes().smart_request.Execute(AtaCommand::PioIn(kIdentifyDevice, data.data(), data.size())).Ok());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&data[54]), 4), "ORTU"); // "ROUTE", high byte first

    const AtaResult aborted = routes().sat.Execute([] {
        AtaCommand c = AtaCommand::NonData({.device = 0xA0, .command = 0x01});
        c.want_registers = true;
        return c;
    }());
    EXPECT_FALSE(aborted.Ok());
    EXPECT_EQ(aborted.error, 0x04);
}

TEST_F(Routes, RegisterRequestsRefuseDataToTheDriveAndPartialBuffers)
{
    const AtaCommand write_buffer = AtaCommand::PioOut(kWriteBuffer, data.data(), data.size());
    const int before = lp.lab->SimDevices().smart_requests;
    for (DriveRoute* route : {static_cast<DriveRoute*>(&routes().smart_request),
                              static_cast<DriveRoute*>(&routes().ide_pass_through)}) {
        const AtaResult r = route->Execute(write_buffer);
        EXPECT_TRUE(r.refused) << route->Name();
        EXPECT_FALSE(r.Ok()) << route->Name();
    }
    EXPECT_EQ(lp.lab->SimDevices().smart_requests, before);
    EXPECT_TRUE(routes().smart_request.Execute(AtaCommand::PioIn(kIdentifyDevice, data.data(), 100)).refused);
    // The task file and the pass-through carry it.
    EXPECT_TRUE(routes().pio.Execute(write_buffer).Ok());
    EXPECT_TRUE(routes().sat.Execute(write_buffer).Ok());
}

TEST_F(Routes, FirstAnsweringReturnsTheRouteThatAnswered)
{
    lp.p().state.ApiDeviceIndex = 3; // nothing there: the device requests fail
    AtaResult result;
    const AtaCommand identify = AtaCommand::PioIn(kIdentifyDevice, data.data(), data.size());
    EXPECT_EQ(FirstAnswering({&routes().smart_request, &routes().sat}, identify, result), nullptr);
    EXPECT_FALSE(result.Ok());
    EXPECT_EQ(FirstAnswering({&routes().smart_request, &routes().pio}, identify, result), &routes().pio);
    EXPECT_TRUE(result.Ok());
}

TEST_F(Routes, TaskFileRefusesWithoutPortAccess)
{
    lp.p().state.IsNtFamily = true;
    lp.p().state.DriverOpen = false;
    lp.bus->Clear();
    const AtaResult r = routes().pio.Execute(AtaCommand::NonData({.device = 0xA0, .command = 0xE1}));
    EXPECT_TRUE(r.refused);
    EXPECT_TRUE(lp.bus->Accesses().empty());
}

} // namespace
} // namespace mrv::test
