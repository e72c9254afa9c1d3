// An NVMe controller that stops answering while the program reads its passport
// or its logs: the reading fails with the system's reason, and nothing read
// before it passes for a complete answer.

#include "support/lab_session.h"

#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>

namespace mrv::test
{
namespace
{

constexpr const char* kLab = R"(
[System]
Kernel=Linux 6.1.0 x64
[PortAccess]
DriverFile=0
Restrict=refuse
[Drive n]
Type=ssd
Model=MRV NVME LOST
Serial=L1
Sectors=200000
OsNumber=1
OsVia=nvme
)";

class NvmeLostTest : public ::testing::Test, protected LabSession
{
  protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(LoadLab(kLab, error)) << error;
        StartProgram();
        fixture->impl().state.ApiDeviceIndex = 1;
        ASSERT_TRUE(fixture->impl().passport.TakePassport(true, true));
        ASSERT_TRUE(fixture->Logged("Model: MRV NVME LOST"));
        controller = lab->SimDevices().Nvme(1);
        ASSERT_NE(controller, nullptr);
        fixture->log.clear();
    }

    bool Logged(const std::string& text) const { return fixture->Logged(text); }

    sim::NvmeController* controller = nullptr;
};

TEST_F(NvmeLostTest, PassportFailsWhenALaterIdentifyOrFeatureRequestTimesOut)
{
    // 1: Identify Controller, 2: Identify Namespace, 3: Get Features (write cache).
    for (uint32_t lost_at : {2u, 3u}) {
        SCOPED_TRACE(lost_at);
        lab->PowerCycle();
        fixture->log.clear();
        controller->TimeoutAfterCommands(lost_at);
        EXPECT_FALSE(fixture->impl().passport.TakePassport(true, true));
        EXPECT_TRUE(Logged("Get NVMe passport... Error: system error 121"));
        EXPECT_FALSE(Logged("Get passport... OK"));
        EXPECT_FALSE(Logged("namespace identification unusable"));
        EXPECT_TRUE(controller->Removed());
    }
    // Gone: the next attempt cannot even open it.
    fixture->log.clear();
    fm().PasspBtn.Click();
    EXPECT_TRUE(Logged("Unable to open physical drive #1"));
    EXPECT_FALSE(Logged("Get passport... OK"));
}

TEST_F(NvmeLostTest, SmartFailsWhenTheSelfTestOrErrorLogTimesOut)
{
    // 1: the health log, 2: the self-test log, 3: the error log.
    for (const auto& [lost_at, reason] :
         {std::pair<uint32_t, const char*>{2, "NVMe self-test log: system error 121"},
          {3, "NVMe error log: system error 121"}}) {
        SCOPED_TRACE(lost_at);
        lab->PowerCycle();
        fixture->log.clear();
        controller->TimeoutAfterCommands(lost_at);
        fm().SmartBtn.Click();
        EXPECT_TRUE(Logged(reason));
        EXPECT_TRUE(Logged("Get S.M.A.R.T. command... Error reading S.M.A.R.T!"));
        EXPECT_FALSE(Logged("Get S.M.A.R.T. command... OK"));
        EXPECT_FALSE(Logged("SMART status = GOOD"));
        EXPECT_EQ(fm().SmrtStLabel.Caption(), "UNCN");
    }
    // Back after a reboot: the whole reading and its verdict.
    lab->PowerCycle();
    fixture->log.clear();
    fm().SmartBtn.Click();
    EXPECT_TRUE(Logged("Get S.M.A.R.T. command... OK"));
    EXPECT_TRUE(Logged("SMART status = GOOD"));
    EXPECT_GT(fm().SmartList.RowCount(), 0);
}

} // namespace
} // namespace mrv::test
