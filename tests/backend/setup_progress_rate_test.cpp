// The progress file of a running game job is read at most every 250 ms, and once more when the
// job has ended. The fake script hangs after its first report, so only the test writes the file,
// and the pump's clock is the test's own, stepped by hand.
#include "backend/setup/setup_runner.h"
#include "tests/backend/setup_test_fixture.h"

#include <functional>

namespace qxlauncher {
namespace {

class SetupProgressRate : public SetupFixture {
protected:
    void SetUp() override {
        SetupFixture::SetUp();
        BackendProbe::stageSetupTickClock(backend(), [this] { return now; });
        collection("hang.qx1=verify\n");
        ready(0, romFolder({0}));
        ASSERT_TRUE(backend().requestSetup(0, false));
        const auto beat = testsupport::grandchildHeartbeat(root.path(), "qx1");
        ASSERT_TRUE(pumpUntil([&] { return std::filesystem::exists(beat); }));
        ASSERT_TRUE(backend().setupProcessRunning());
    }

    void TearDown() override {
        backend().cancelSetup();
        EXPECT_TRUE(runUntilIdle(std::chrono::seconds(20)));
    }

    void writeProgress(const std::string& json) {
        testsupport::writeFile(setupProgressPath(root.path(), 0), json);
    }

    // Pumps, a period apart on the test's clock, until the condition holds.
    bool pumpUntil(const std::function<bool()>& condition) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < deadline) {
            now += 250;
            backend().pumpSetup();
            if (condition()) {
                return true;
            }
            platform::sleepMilliseconds(10);
        }
        return false;
    }

    // Writes a report and pumps until a pump has read it; that read opens a period at `now`.
    void readFirstReport() {
        writeProgress(R"({"step": "stage", "message": "first report"})");
        ASSERT_TRUE(pumpUntil([&] { return job(0).message == "first report"; }));
    }

    std::uint64_t now = 1000;
};

TEST_F(SetupProgressRate, PumpWithinThePeriodKeepsTheLastReadAndALaterOneReadsAgain) {
    ASSERT_NO_FATAL_FAILURE(readFirstReport());
    writeProgress(
        R"({"step": "seed", "message": "second report", "units": {"done": 2, "total": 9}})");
    for (const std::uint64_t step : {0, 1, 248}) {
        now += step;
        backend().pumpSetup();
        EXPECT_EQ(job(0).message, "first report") << "read again " << step << " ms later";
        EXPECT_EQ(job(0).step, "stage");
        EXPECT_EQ(job(0).unitsTotal, 0);
    }

    now += 1; // 250 ms after the read
    backend().pumpSetup();
    EXPECT_EQ(job(0).message, "second report");
    EXPECT_EQ(job(0).step, "seed");
    EXPECT_EQ(job(0).unitsDone, 2);
    EXPECT_EQ(job(0).unitsTotal, 9);
}

TEST_F(SetupProgressRate, EndedJobIsReadOnceMoreWithinThePeriod) {
    ASSERT_NO_FATAL_FAILURE(readFirstReport());
    writeProgress(R"({"step": "install", "message": "last report", "detail": "the final read"})");
    now += 100;
    backend().pumpSetup();
    EXPECT_EQ(job(0).step, "stage");
    backend().cancelSetup();
    ASSERT_TRUE(runUntilIdle(std::chrono::seconds(20)));
    EXPECT_EQ(job(0).state, "cancelled");
    EXPECT_EQ(job(0).step, "install");
    EXPECT_EQ(job(0).detail, "the final read");
}

} // namespace
} // namespace qxlauncher
