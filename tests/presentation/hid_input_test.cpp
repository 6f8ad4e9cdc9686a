// The HID pad reader over scripted devices (tests/presentation/scripted_hid_devices.h).
#include "presentation/hid_input.h"
#include "tests/presentation/scripted_hid_devices.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

using hidtest::handle;
using hidtest::Report;
using hidtest::ScriptedDevice;
using lumenark::HidInput;
using lumenark::HidPadState;
using platform::HidValueCapability;

constexpr HidValueCapability xAxis{1, 0x30, 0, 255};
constexpr HidValueCapability yAxis{1, 0x31, 0, 255};
constexpr HidValueCapability hat{1, 0x39, 0, 7};

class HidInputTest : public testing::Test {
protected:
    void addDevice(std::uintptr_t device, ScriptedDevice scripted = {}) {
        script_.devices[handle(device)] = std::move(scripted);
    }

    // Delivers a block of reports from the device as one WM_INPUT.
    void send(std::uintptr_t device, const std::vector<Report>& reports) {
        reader_.onRawInput(script_.addInput(device, reports));
    }
    void send(std::uintptr_t device, const Report& report) { send(device, std::vector{report}); }

    static std::uint32_t buttonsOf(HidPadState state) { return static_cast<std::uint32_t>(state); }
    static std::uint32_t directionsOf(HidPadState state) {
        return static_cast<std::uint32_t>(state >> 32);
    }

    hidtest::Script script_;
    HidInput reader_{std::make_unique<hidtest::ScriptedHidDevices>(script_)};
};

// ---- the tables ----

struct ButtonCase {
    std::uint32_t usage;
    std::uint32_t bit;
    friend void PrintTo(const ButtonCase& c, std::ostream* out) { *out << "usage " << c.usage; }
};

class HidButtonMap : public testing::TestWithParam<ButtonCase> {};

TEST_P(HidButtonMap, PlacesEachButtonInThePadLayout) {
    EXPECT_EQ(lumenark::hidButtonMap(GetParam().usage), GetParam().bit);
}

INSTANTIATE_TEST_SUITE_P(
    Usages, HidButtonMap,
    testing::Values(ButtonCase{0, 0}, ButtonCase{1, 0x4000}, ButtonCase{2, 0x1000},
                    ButtonCase{3, 0x2000}, ButtonCase{4, 0x8000}, ButtonCase{5, 0x100},
                    ButtonCase{6, 0x200}, ButtonCase{7, 0x10000}, ButtonCase{8, 0x20000},
                    ButtonCase{9, 0x20}, ButtonCase{10, 0x10}, ButtonCase{11, 0x40000},
                    ButtonCase{24, 0x80000000u}, ButtonCase{25, 0}, ButtonCase{0x10B, 0}),
    [](const auto& info) { return "Usage" + std::to_string(info.param.usage); });

TEST(HatDirections, EightPositionsClockwiseFromUpAndNothingForTheNullState) {
    const std::uint32_t expected[] = {1, 9, 8, 10, 2, 6, 4, 5};
    for (int position = 0; position < 8; ++position) {
        EXPECT_EQ(lumenark::hatDirections(position), expected[position]) << position;
    }
    EXPECT_EQ(lumenark::hatDirections(8), 0u);
    EXPECT_EQ(lumenark::hatDirections(-1), 0u);
}

// ---- reports ----

TEST_F(HidInputTest, ButtonsBecomeThePadMask) {
    addDevice(0x10);
    send(0x10, Report{0b11});
    EXPECT_EQ(reader_.snapshot(), (std::vector<HidPadState>{0x5000}));
    send(0x10, Report{1u << 23});
    EXPECT_EQ(reader_.snapshot(), (std::vector<HidPadState>{0x80000000u}));
    send(0x10, Report{1u << 24}); // button 25
    EXPECT_EQ(reader_.snapshot(), (std::vector<HidPadState>{0}));
}

struct AxisCase {
    const char* name;
    HidValueCapability cap;
    std::uint32_t value;
    std::uint32_t directions;
    friend void PrintTo(const AxisCase& c, std::ostream* out) { *out << c.name; }
};

class HidAxisTest : public HidInputTest, public testing::WithParamInterface<AxisCase> {};

TEST_P(HidAxisTest, ValueGivesDirections) {
    addDevice(0x20, {.valueCaps = {GetParam().cap}});
    send(0x20, Report{0, {GetParam().value}});
    const auto states = reader_.snapshot();
    ASSERT_EQ(states.size(), 1u);
    EXPECT_EQ(directionsOf(states[0]), GetParam().directions);
    EXPECT_EQ(buttonsOf(states[0]), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Axes, HidAxisTest,
    testing::Values(AxisCase{"x_63_left", xAxis, 63, 4}, AxisCase{"x_64_centre", xAxis, 64, 0},
                    AxisCase{"x_191_centre", xAxis, 191, 0}, AxisCase{"x_192_right", xAxis, 192, 8},
                    AxisCase{"y_0_up", yAxis, 0, 1}, AxisCase{"y_255_down", yAxis, 255, 2},
                    AxisCase{"x_offset_range_left", {1, 0x30, 100, 200}, 124, 4},
                    AxisCase{"x_offset_range_centre", {1, 0x30, 100, 200}, 126, 0},
                    AxisCase{"hat_3_down_right", hat, 3, 10}, AxisCase{"hat_8_null", hat, 8, 0},
                    AxisCase{"hat_minimum_1", {1, 0x39, 1, 8}, 4, 10},
                    AxisCase{"no_range_skipped", {1, 0x30, 5, 5}, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HidInputTest, AxesKeepTheirOrderAndOtherValuesAreLeftOut) {
    // A throttle on page 2 and a Z axis carry usages the reader does not use.
    addDevice(0x30, {.valueCaps = {{2, 0x30, 0, 255}, xAxis, {1, 0x32, 0, 255}, yAxis, hat}});
    send(0x30, Report{0b100, {0, 255, 0, 0, 4}});
    const auto states = reader_.snapshot();
    ASSERT_EQ(states.size(), 1u);
    // X right, Y up, hat down (2): the page-2 value (0) would have read as left.
    EXPECT_EQ(directionsOf(states[0]), 8u | 1u | 2u);
    EXPECT_EQ(buttonsOf(states[0]), 0x2000u);
    EXPECT_EQ(states[0], (HidPadState{8u | 1u | 2u} << 32) | 0x2000u);
}

TEST_F(HidInputTest, OnlyTheLastReportOfABlockCounts) {
    addDevice(0x40, {.valueCaps = {xAxis}});
    send(0x40, std::vector<Report>{{0b1, {0}}, {0b10, {255}}, {0b100, {128}}});
    EXPECT_EQ(reader_.snapshot(), (std::vector<HidPadState>{0x2000}));
}

TEST_F(HidInputTest, BlockClaimingMoreThanItHoldsIsDropped) {
    addDevice(0x41);
    send(0x41, Report{0b1});
    auto block = script_.inputs.rbegin()->second;
    block.reportCount = 2;
    script_.inputs[handle(0x7000)] = block;
    reader_.onRawInput(handle(0x7000));
    EXPECT_EQ(reader_.snapshot(), (std::vector<HidPadState>{0x4000}));
}

TEST_F(HidInputTest, FailedReadsClearTheirPartOnly) {
    addDevice(0x50, {.buttonsSucceed = false, .valueCaps = {xAxis}});
    send(0x50, Report{0b1, {0}});
    EXPECT_EQ(reader_.snapshot(), (std::vector<HidPadState>{HidPadState{4} << 32}));

    addDevice(0x51, {.valuesSucceed = false, .valueCaps = {xAxis}});
    send(0x51, Report{0b1, {0}});
    EXPECT_EQ(reader_.snapshot()[1], HidPadState{0x4000});
}

// A pad that sends its buttons in report 1 and its battery or motion in report 2.
TEST_F(HidInputTest, AReportOfAnotherIdKeepsTheButtonsAndDirections) {
    addDevice(0x53, {.valueCaps = {xAxis}});
    send(0x53, Report{0b10, {0}}); // A, stick left
    const HidPadState held = (HidPadState{4} << 32) | 0x1000;
    ASSERT_EQ(reader_.snapshot(), (std::vector<HidPadState>{held}));
    send(0x53, Report{.values = {128}, .id = 2});
    EXPECT_EQ(reader_.snapshot(), (std::vector<HidPadState>{held}));
    send(0x53, std::vector<Report>{{.id = 2}, {.id = 3}});
    EXPECT_EQ(reader_.snapshot(), (std::vector<HidPadState>{held}));
    // The next button report releases A and centres the stick.
    send(0x53, Report{0, {128}});
    EXPECT_EQ(reader_.snapshot(), (std::vector<HidPadState>{0}));
}

TEST_F(HidInputTest, InABlockTheNewestButtonReportCountsOverLaterReportsOfAnotherId) {
    addDevice(0x54, {.valueCaps = {xAxis}});
    send(0x54, std::vector<Report>{{0b1, {0}}, {0b10, {255}}, {.id = 2}});
    EXPECT_EQ(reader_.snapshot(), (std::vector<HidPadState>{(HidPadState{8} << 32) | 0x1000}));
}

TEST_F(HidInputTest, AnyOtherFailedButtonReadClearsAHeldButton) {
    addDevice(0x55);
    send(0x55, Report{0b10});
    ASSERT_EQ(reader_.snapshot(), (std::vector<HidPadState>{0x1000}));
    script_.devices[handle(0x55)].buttonsSucceed = false;
    send(0x55, Report{0b10});
    EXPECT_EQ(reader_.snapshot(), (std::vector<HidPadState>{0}));
}

TEST_F(HidInputTest, AxisWithoutRangeIsNotRead) {
    addDevice(0x52, {.valueCaps = {{1, 0x30, 7, 3}}});
    send(0x52, Report{0, {0}});
    EXPECT_EQ(script_.valueReads, 0);
}

TEST_F(HidInputTest, DeviceWithoutValueCapabilitiesHasButtonsOnly) {
    addDevice(0x60, {.valueCapsSucceed = false});
    send(0x60, Report{0b1000000000});
    EXPECT_EQ(reader_.snapshot(), (std::vector<HidPadState>{0x10}));
}

// ---- refusals ----

struct RefusalCase {
    const char* name;
    ScriptedDevice device;
    friend void PrintTo(const RefusalCase& c, std::ostream* out) { *out << c.name; }
};

class HidRefusal : public HidInputTest, public testing::WithParamInterface<RefusalCase> {};

TEST_P(HidRefusal, DeviceIsIgnoredForGoodAfterOneProbe) {
    addDevice(0x70, GetParam().device);
    for (int i = 0; i < 3; ++i) {
        send(0x70, Report{0b11});
    }
    EXPECT_TRUE(reader_.snapshot().empty());
    EXPECT_EQ(script_.nameLookups, 1);
    // Other pads are read as before.
    addDevice(0x71);
    send(0x71, Report{0b1});
    EXPECT_EQ(reader_.snapshot(), (std::vector<HidPadState>{0x4000}));
}

INSTANTIATE_TEST_SUITE_P(
    Devices, HidRefusal,
    testing::Values(
        RefusalCase{"xinput", {.name = L"\\\\?\\HID#VID_045E&PID_028E&IG_00#8&2b&0&0000"}},
        RefusalCase{"no_name", {.name = std::nullopt}}, RefusalCase{"empty_name", {.name = L""}},
        RefusalCase{"no_preparsed_data", {.hasPreparsed = false}},
        RefusalCase{"capabilities_fail", {.capsSucceed = false}},
        RefusalCase{"value_capabilities_fail", {.valueCapsSucceed = false, .valueCaps = {xAxis}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HidInputTest, RemovedRefusedDeviceIsProbedAgain) {
    addDevice(0x72, {.hasPreparsed = false});
    send(0x72, Report{0b1});
    reader_.removeDevice(handle(0x72));
    script_.devices[handle(0x72)].hasPreparsed = true;
    send(0x72, Report{0b1});
    EXPECT_EQ(reader_.snapshot(), (std::vector<HidPadState>{0x4000}));
}

// ---- arrival order ----

TEST_F(HidInputTest, SnapshotFollowsFirstReportsNotHandles) {
    addDevice(0x100);
    addDevice(0x200);
    send(0x200, Report{0b1});  // X
    send(0x100, Report{0b10}); // A
    EXPECT_EQ(reader_.snapshot(), (std::vector<HidPadState>{0x4000, 0x1000}));

    reader_.removeDevice(handle(0x200));
    EXPECT_EQ(reader_.snapshot(), (std::vector<HidPadState>{0x1000}));
    send(0x200, Report{0b100}); // B, plugged in again
    EXPECT_EQ(reader_.snapshot(), (std::vector<HidPadState>{0x1000, 0x2000}));
}

TEST_F(HidInputTest, InputThatCannotBeReadChangesNothing) {
    reader_.onRawInput(handle(0x5555));
    EXPECT_TRUE(reader_.snapshot().empty());
    EXPECT_EQ(script_.nameLookups, 0);
}

TEST(HidInputOff, WithoutTheHidLibraryReportsAreIgnored) {
    HidInput reader(nullptr);
    EXPECT_FALSE(reader.available());
    reader.onRawInput(handle(1));
    reader.removeDevice(handle(1));
    EXPECT_TRUE(reader.snapshot().empty());
}

TEST(HidInputInstance, IsOneObjectWithNoDevicesYet) {
    HidInput& first = HidInput::instance();
    EXPECT_EQ(&first, &HidInput::instance());
    EXPECT_TRUE(first.snapshot().empty());
#ifndef _WIN32
    EXPECT_FALSE(first.available()); // the Linux build reads no HID pads
#endif
}

} // namespace
