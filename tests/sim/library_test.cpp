// The library's operations as a caller meets them: counts and capacities,
// handles and their misuse, the synthesizer behind a captured service, and
// the overrides of zkt.ini.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "boardlib/zkt_api.h"
#include "tests/support/sim_test_support.h"

namespace {

const char kTwoBoards[] =
    "[Board]\n"
    "Name = Alpha\n"
    "DevID = 0x4D2\n"
    "RevID = 3\n"
    "Bus = 2\n"
    "Dev = -4\n"
    "Slot = 9\n"
    "Unit = 7, 0x11, 0x22, First unit\n"
    "Unit = 8, 0x33, 0x44, Second unit\n"
    "Unit = 9, 0x55, 0x66, Third unit\n"
    "Service = TIMER, 0x5\n"
    "Service = BASEDDS0, 0x1\n"
    "[Board]\n"
    "Name = Beta\n"
    "Lid = 0x77\n"
    "Service = BASEDDS0, 0x2\n";

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

class LibraryTest : public SimLibraryTest {
protected:
    // Starts on kTwoBoards (or text), opens the first board, captures its
    // synthesizer service exclusively.
    void OpenAndCapture(const char *text = kTwoBoards) {
        ASSERT_EQ(Init(text), 0);
        device = ZKT_open(0x1001, 1, nullptr);
        ASSERT_EQ(device, 0x101);
        int32_t mode = 0;
        service = ZKT_capture(device, 0, &mode, "BASEDDS0", 10000);
    }

    int32_t device = 0;
    int32_t service = 0;
};

TEST_F(LibraryTest, WithoutZktIniThereAreNoDevicesAndOneMessage) {
    CaptureStderr();
    int32_t count = -1;
    EXPECT_EQ(ZKT_init("zkt.ini", &count), 0);
    EXPECT_EQ(count, 0);
    uint32_t lids[10];
    count = -1;
    EXPECT_EQ(ZKT_lidList(lids, 10, &count), 0);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(ZKT_cleanup(), 0);
    EXPECT_EQ(GetCapturedStderr(),
              "zkt: zkt.ini: cannot open (No such file or directory); no simulated devices\n");
}

TEST_F(LibraryTest, MalformedZktIniFailsInitWithOneMessageAndNoDevices) {
    CaptureStderr();
    int32_t count = -1;
    EXPECT_EQ(Init("[Board]\nName = A\n[Board]\nNmae = B\n", &count), kBadMode);
    EXPECT_EQ(count, 0);
    uint32_t lids[10];
    EXPECT_EQ(ZKT_lidList(lids, 10, &count), 0);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(ZKT_open(0x1001, 1, nullptr), kBadMode);
    EXPECT_EQ(ZKT_cleanup(), 0);
    EXPECT_EQ(GetCapturedStderr(), "zkt.ini:4: unknown key 'Nmae' in [Board]\n");
}

TEST_F(LibraryTest, ListsFillAtMostTheCapacityAndReportTheFullCount) {
    int32_t count = -1;
    ASSERT_EQ(Init(kTwoBoards, &count), 0);
    EXPECT_EQ(count, 2);

    uint32_t lids[3] = {0xAAAA, 0xAAAA, 0xAAAA};
    EXPECT_EQ(ZKT_lidList(lids, 1, &count), 0);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(lids[0], 0x1001u);
    EXPECT_EQ(lids[1], 0xAAAAu);
    EXPECT_EQ(ZKT_lidList(lids, 3, &count), 0);
    EXPECT_EQ(lids[1], 0x77u);
    EXPECT_EQ(lids[2], 0xAAAAu);
    // A count query with no array at all.
    count = -1;
    EXPECT_EQ(ZKT_lidList(nullptr, 0, &count), 0);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(ZKT_lidList(nullptr, -3, &count), 0);

    const int32_t board = ZKT_open(0x1001, 1, nullptr);
    PuItem units[3];
    std::memset(units, 0x5A, sizeof units);
    EXPECT_EQ(ZKT_puList(board, units, 2, &count), 0);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(units[1].id, 8);
    EXPECT_EQ(units[1].code, 0x33u);
    EXPECT_EQ(units[1].attr, 0x44u);
    EXPECT_STREQ(units[1].description, "Second unit");
    EXPECT_EQ(units[2].id, 0x5A5A5A5A) << "written beyond the capacity";
    EXPECT_EQ(ZKT_puList(board, nullptr, 0, &count), 0);
    EXPECT_EQ(count, 3);

    ServiceItem services[2];
    std::memset(services, 0x5A, sizeof services);
    EXPECT_EQ(ZKT_serviceList(board, 0, services, 1, &count), 0);
    EXPECT_EQ(count, 2);
    EXPECT_STREQ(services[0].name, "TIMER");
    EXPECT_EQ(services[0].attr, 5u);
    EXPECT_EQ(services[1].attr, 0x5A5A5A5Au);
    EXPECT_EQ(ZKT_close(board), 0);
}

TEST_F(LibraryTest, ConfiguredCountsAreReportedAsTheyAre) {
    ASSERT_EQ(Init("[Library]\nDeviceCount = 12\n"
                   "[Board]\nUnit = 1, 1, 1, only\nUnitCount = -1\nService = S, 1\n"
                   "ServiceCount = 11\n"),
              0);
    uint32_t lids[10];
    std::memset(lids, 0, sizeof lids);
    int32_t count = 0;
    EXPECT_EQ(ZKT_lidList(lids, 10, &count), 0);
    EXPECT_EQ(count, 12);
    EXPECT_EQ(lids[1], 0u) << "only the boards that exist are listed";
    const int32_t board = ZKT_open(lids[0], 1, nullptr);
    PuItem units[5];
    EXPECT_EQ(ZKT_puList(board, units, 5, &count), 0);
    EXPECT_EQ(count, -1);
    ServiceItem services[10];
    std::memset(services, 0, sizeof services);
    EXPECT_EQ(ZKT_serviceList(board, 0, services, 10, &count), 0);
    EXPECT_EQ(count, 11);
    EXPECT_EQ(services[1].name[0], '\0');
    ZKT_close(board);
}

TEST_F(LibraryTest, BoardInfoCarriesTheBoardAndCutNamesHaveNoNul) {
    const std::string longName(150, 'L');
    ASSERT_EQ(Init(std::string(kTwoBoards) + "[Board]\nName = " + longName +
                   "\nInfo = fail\n"
                   "[Board]\nName = " +
                   longName + "\nIdWord = 0xFFFFFF01\n"),
              0);
    BoardInfo info;
    std::memset(&info, 0x5A, sizeof info);
    info.size = sizeof info;
    EXPECT_EQ(ZKT_getInfo(0x1001, &info), 0);
    EXPECT_EQ(info.size, 280u);
    EXPECT_EQ(info.idWord, 0x04D20003u);
    EXPECT_STREQ(info.name, "Alpha");
    EXPECT_EQ(info.bus, 2);
    EXPECT_EQ(info.dev, -4);
    EXPECT_EQ(info.slot, 9);

    EXPECT_EQ(ZKT_getInfo(0x1004, &info), 0);
    EXPECT_EQ(std::string(info.name, sizeof info.name), std::string(136, 'L'));
    EXPECT_EQ(info.idWord, 0xFFFFFF01u);

    // A failing board leaves the record as it was.
    BoardInfo before = info;
    EXPECT_EQ(ZKT_getInfo(0x1003, &info), kBadMode);
    EXPECT_EQ(std::memcmp(&before, &info, sizeof info), 0);
    EXPECT_EQ(ZKT_getInfo(0x1005, &info), kBadMode);
    EXPECT_EQ(std::memcmp(&before, &info, sizeof info), 0);
    info.size = 279;
    EXPECT_EQ(ZKT_getInfo(0x1001, &info), kBadMode);
    EXPECT_EQ(std::string(info.name, 5), "LLLLL");
    EXPECT_EQ(ZKT_getInfo(0x1001, nullptr), kBadMode);
}

TEST_F(LibraryTest, DevicesOpenOnceUnderTheirOwnHandle) {
    ASSERT_EQ(Init(kTwoBoards), 0);
    EXPECT_EQ(ZKT_open(0x1001, 1, nullptr), 0x101);
    EXPECT_EQ(ZKT_open(0x1001, 1, nullptr), kBadMode) << "already open";
    EXPECT_EQ(ZKT_open(0x77, 1, nullptr), 0x102);
    EXPECT_EQ(ZKT_open(0x1002, 1, nullptr), kBadMode) << "no such LID";
    EXPECT_EQ(ZKT_close(0x101), 0);
    EXPECT_EQ(ZKT_close(0x101), kBadMode) << "closed twice";
    int32_t count = 0;
    EXPECT_EQ(ZKT_puList(0x101, nullptr, 0, &count), kBadMode) << "stale device handle";
    EXPECT_EQ(ZKT_open(0x1001, 1, nullptr), 0x101) << "opens again once closed";
    int32_t reserved = 0;
    EXPECT_EQ(ZKT_open(0x77, 1, &reserved), kBadMode);
    EXPECT_EQ(ZKT_close(0), kBadMode);
    EXPECT_EQ(ZKT_close(-1), kBadMode);
    EXPECT_EQ(ZKT_close(0x101), 0);
    EXPECT_EQ(ZKT_close(0x102), 0);
}

TEST_F(LibraryTest, ConfiguredOpenResultsStandForFailingDevices) {
    ASSERT_EQ(Init("[Board]\nOpen = fail\n[Board]\nOpenHandle = 0\n[Board]\nOpenHandle = 5\n"
                   "[Board]\nOpenHandle = 5\n"),
              0);
    int32_t count = 0;
    EXPECT_EQ(ZKT_open(0x1001, 1, nullptr), kBadMode);
    EXPECT_EQ(ZKT_open(0x1002, 1, nullptr), 0);
    EXPECT_EQ(ZKT_puList(0, nullptr, 0, &count), kBadMode);
    EXPECT_EQ(ZKT_open(0x1003, 1, nullptr), 5);
    EXPECT_EQ(ZKT_puList(5, nullptr, 0, &count), 0);
    EXPECT_EQ(ZKT_open(0x1004, 1, nullptr), kBadMode) << "handle 5 is taken";
    EXPECT_EQ(ZKT_close(5), 0);
    EXPECT_EQ(ZKT_open(0x1004, 1, nullptr), 5);
    EXPECT_EQ(ZKT_close(5), 0);
}

TEST_F(LibraryTest, ServicesAreCapturedExclusivelyOnceAndSpiesShare) {
    OpenAndCapture();
    EXPECT_EQ(service, 0x201);
    int32_t mode = 0;
    EXPECT_EQ(ZKT_capture(device, 0, &mode, "BASEDDS0", 10000), kNoService);
    mode = ZKT_CAPTURE_SPY;
    EXPECT_EQ(ZKT_capture(device, 0, &mode, "BASEDDS0", 10000), 0x202);
    EXPECT_EQ(mode, ZKT_CAPTURE_SPY);
    mode = ZKT_CAPTURE_SPY;
    EXPECT_EQ(ZKT_capture(device, 0, &mode, "BASEDDS0", 10000), 0x203);
    mode = 0;
    EXPECT_EQ(ZKT_capture(device, 0, &mode, "TIMER", 10000), 0x204);
    EXPECT_EQ(ZKT_capture(device, 0, &mode, "NOSUCH", 10000), kNoService);
    EXPECT_EQ(ZKT_capture(device, 0, &mode, "BASEDDS", 10000), kNoService);

    // Released, the service can be captured again, under a new handle.
    EXPECT_EQ(ZKT_release(0x201, 0), 0);
    EXPECT_EQ(ZKT_release(0x201, 0), kBadMode) << "released twice";
    EXPECT_EQ(ZKT_capture(device, 0, &mode, "BASEDDS0", 10000), 0x205);
    MasterParam master{1};
    EXPECT_EQ(ZKT_ctrl(0x201, 0, ZKTctrl_DDS_SETMASTER, &master), kBadMode) << "stale handle";
    for (int32_t handle : {0x202, 0x203, 0x204, 0x205}) EXPECT_EQ(ZKT_release(handle, 0), 0);
    EXPECT_EQ(ZKT_close(device), 0);
}

TEST_F(LibraryTest, CaptureReadsTheNameNoFurtherThanSixteenBytes) {
    ASSERT_EQ(Init("[Board]\nService = ABCDEFGHIJKLMNOPQRS, 1\n"), 0);
    const int32_t board = ZKT_open(0x1001, 1, nullptr);
    // Sixteen bytes without a NUL, as a cut name comes back in the list.
    ServiceItem item;
    int32_t count = 0;
    ASSERT_EQ(ZKT_serviceList(board, 0, &item, 1, &count), 0);
    ASSERT_EQ(std::string(item.name, 16), "ABCDEFGHIJKLMNOP");
    int32_t mode = 0;
    const int32_t captured = ZKT_capture(board, 0, &mode, item.name, 10000);
    EXPECT_EQ(captured, 0x201);
    ZKT_release(captured, 0);
    ZKT_close(board);
}

// A capture takes the service of exactly that name: not one that the name
// begins, nor one that begins the name, even when it comes first in the list.
TEST_F(LibraryTest, CaptureMatchesWholeNamesOnly) {
    ASSERT_EQ(Init("[Board]\nService = BASEDDS0X, 1\nService = TIMER2, 1\n"
                   "Service = BASEDDS0, 1\n"),
              0);
    device = ZKT_open(0x1001, 1, nullptr);
    const struct {
        const char *name;
        int32_t result;
    } rows[] = {
        {"BASEDDS", kNoService},  {"TIMER", kNoService}, {"TIMER23", kNoService},
        {"BASEDDS0", 0x201},      {"BASEDDS0X", 0x202},  {"TIMER2", 0x203},
        {"BASEDDS0", kNoService},  // each is now held exclusively
    };
    for (const auto &row : rows) {
        int32_t mode = 0;
        EXPECT_EQ(ZKT_capture(device, 0, &mode, row.name, 10000), row.result) << row.name;
    }
    for (int32_t handle : {0x201, 0x202, 0x203}) EXPECT_EQ(ZKT_release(handle, 0), 0);
    EXPECT_EQ(ZKT_close(device), 0);
}

TEST_F(LibraryTest, ConfiguredCaptureOutcomesWriteTheConfiguredMode) {
    ASSERT_EQ(Init("[Board]\nService = BASEDDS0, 1\nCapture = fail\nCaptureMode = 5\n"
                   "[Board]\nService = BASEDDS0, 1\nCaptureHandle = 0\nCaptureMode = spy\n"
                   "[Board]\nService = BASEDDS0, 1\nCaptureHandle = 77\n"),
              0);
    int32_t mode = 0;
    const int32_t first = ZKT_open(0x1001, 1, nullptr);
    EXPECT_EQ(ZKT_capture(first, 0, &mode, "BASEDDS0", 10000), kBadMode);
    EXPECT_EQ(mode, 5);
    mode = 0;
    const int32_t second = ZKT_open(0x1002, 1, nullptr);
    EXPECT_EQ(ZKT_capture(second, 0, &mode, "BASEDDS0", 10000), 0);
    EXPECT_EQ(mode, ZKT_CAPTURE_SPY);
    mode = 0;
    const int32_t third = ZKT_open(0x1003, 1, nullptr);
    EXPECT_EQ(ZKT_capture(third, 0, &mode, "BASEDDS0", 10000), 77);
    EXPECT_EQ(mode, 0);
    MasterParam master{1};
    EXPECT_EQ(ZKT_ctrl(77, 0, ZKTctrl_DDS_SETMASTER, &master), 0);
    EXPECT_EQ(ZKT_close(first), 0) << "failed captures hold nothing";
    EXPECT_EQ(ZKT_close(second), 0);
    EXPECT_EQ(ZKT_release(77, 0), 0);
    EXPECT_EQ(ZKT_close(third), 0);
}

TEST_F(LibraryTest, EveryOperationRefusesWhenNotStartedOrGivenNull) {
    uint32_t lids[2];
    int32_t count = 0;
    BoardInfo info{};
    info.size = sizeof info;
    int32_t mode = 0;
    MasterParam master{1};
    EXPECT_EQ(ZKT_displayMode(0x8F), 0) << "no start needed";
    EXPECT_EQ(ZKT_lidList(lids, 2, &count), kBadMode);
    EXPECT_EQ(ZKT_getInfo(0x1001, &info), kBadMode);
    EXPECT_EQ(ZKT_open(0x1001, 1, nullptr), kBadMode);
    EXPECT_EQ(ZKT_puList(0x101, nullptr, 0, &count), kBadMode);
    EXPECT_EQ(ZKT_serviceList(0x101, 0, nullptr, 0, &count), kBadMode);
    EXPECT_EQ(ZKT_capture(0x101, 0, &mode, "BASEDDS0", 10000), kBadMode);
    EXPECT_EQ(ZKT_ctrl(0x201, 0, ZKTctrl_DDS_SETMASTER, &master), kBadMode);
    EXPECT_EQ(ZKT_release(0x201, 0), kBadMode);
    EXPECT_EQ(ZKT_close(0x101), kBadMode);
    EXPECT_EQ(ZKT_cleanup(), kBadMode);
    EXPECT_EQ(ZKT_init(nullptr, &count), kBadMode);
    EXPECT_EQ(ZKT_init("zkt.ini", nullptr), kBadMode);

    OpenAndCapture();
    ASSERT_GT(service, 0);
    EXPECT_EQ(ZKT_init("zkt.ini", &count), kBadMode) << "already started";
    count = 99;
    EXPECT_EQ(ZKT_lidList(nullptr, 1, &count), kBadMode);
    EXPECT_EQ(ZKT_lidList(lids, 2, nullptr), kBadMode);
    EXPECT_EQ(count, 99);
    PuItem units[1];
    EXPECT_EQ(ZKT_puList(device, nullptr, 1, &count), kBadMode);
    EXPECT_EQ(ZKT_puList(device, units, 1, nullptr), kBadMode);
    ServiceItem services[1];
    EXPECT_EQ(ZKT_serviceList(device, 0, nullptr, 1, &count), kBadMode);
    EXPECT_EQ(ZKT_serviceList(device, 0, services, 1, nullptr), kBadMode);
    EXPECT_EQ(ZKT_serviceList(device, 1, services, 1, &count), kBadMode) << "reserved not 0";
    EXPECT_EQ(count, 99);
    EXPECT_EQ(ZKT_capture(device, 0, nullptr, "TIMER", 10000), kBadMode);
    EXPECT_EQ(ZKT_capture(device, 0, &mode, nullptr, 10000), kBadMode);
    EXPECT_EQ(ZKT_capture(device, 1, &mode, "TIMER", 10000), kBadMode);
    EXPECT_EQ(ZKT_capture(0x102, 0, &mode, "TIMER", 10000), kBadMode) << "device not open";
    EXPECT_EQ(ZKT_ctrl(service, 0, ZKTctrl_DDS_SETMASTER, nullptr), kBadMode);
    EXPECT_EQ(ZKT_ctrl(service, 1, ZKTctrl_DDS_SETMASTER, &master), kBadMode);
    EXPECT_EQ(ZKT_ctrl(0, 0, ZKTctrl_DDS_SETMASTER, &master), kBadMode);
    EXPECT_EQ(ZKT_ctrl(device, 0, ZKTctrl_DDS_SETMASTER, &master), kBadMode)
        << "a device handle is no service handle";
    EXPECT_EQ(ZKT_release(service, 1), kBadMode);
    EXPECT_EQ(ZKT_release(service, 0), 0);
    EXPECT_EQ(ZKT_close(device), 0);
    EXPECT_EQ(ZKT_cleanup(), 0);
    EXPECT_EQ(ZKT_close(device), kBadMode) << "after cleanup";
}

TEST_F(LibraryTest, CleanupReportsWhatIsStillHeldAndForgetsIt) {
    OpenAndCapture();
    ASSERT_EQ(service, 0x201);
    EXPECT_EQ(ZKT_close(device), kBadMode) << "its service is still captured";
    CaptureStderr();
    EXPECT_EQ(ZKT_cleanup(), 0);
    EXPECT_EQ(GetCapturedStderr(),
              "zkt: ZKT_cleanup: device 257 (lid 0x1001) still open\n"
              "zkt: ZKT_cleanup: service \"BASEDDS0\" (handle 513) of device 257 still captured\n");

    // A new start begins afresh: nothing open, handles counted anew, the
    // synthesizer back at its starting state.
    ASSERT_EQ(Init(kTwoBoards), 0);
    EXPECT_EQ(ZKT_open(0x1001, 1, nullptr), 0x101);
    int32_t mode = 0;
    EXPECT_EQ(ZKT_capture(0x101, 0, &mode, "BASEDDS0", 10000), 0x201);
    EXPECT_EQ(ZKT_ctrl(0x201, 0, ZKTctrl_DDS_START, nullptr), kBadMode);
    ZKT_release(0x201, 0);
    ZKT_close(0x101);
    CaptureStderr();
    EXPECT_EQ(ZKT_cleanup(), 0);
    EXPECT_EQ(GetCapturedStderr(), "");
}

TEST_F(LibraryTest, CapturedSynthesizerRunsTheModel) {
    OpenAndCapture();
    ClockModeParam clock{1, 100e6};
    EXPECT_EQ(ZKT_ctrl(service, 0, ZKTctrl_DDS_SETCLKMODE, &clock), 0);
    OutFreqParam frequency{1e6, 1, 1};
    EXPECT_EQ(static_cast<uint32_t>(ZKT_ctrl(service, 0, ZKTctrl_DDS_SETOUTFREQ, &frequency)),
              0x00020000u);
    EXPECT_NE(Value(frequency.frequency), 1e6);
    EXPECT_EQ(ZKT_ctrl(service, 0, ZKTctrl_DDS_START, nullptr), kBadMode) << "no strobe mode yet";
    StrobeModeParam strobe{10, 0, 0, 100, 1, 0};
    EXPECT_EQ(ZKT_ctrl(service, 0, ZKTctrl_DDS_SETSTBMODE, &strobe), 0);
    int32_t ignored = 0;
    EXPECT_EQ(ZKT_ctrl(service, 0, ZKTctrl_DDS_START, &ignored), 0) << "payload not used";
    EXPECT_EQ(ZKT_ctrl(service, 0, 0x1234, &ignored), kBadMode);

    // Each board's synthesizer has its own state: the second one starts unset.
    const int32_t other = ZKT_open(0x77, 1, nullptr);
    int32_t mode = 0;
    const int32_t otherService = ZKT_capture(other, 0, &mode, "BASEDDS0", 10000);
    ASSERT_EQ(otherService, 0x202);
    EXPECT_EQ(ZKT_ctrl(otherService, 0, ZKTctrl_DDS_START, nullptr), kBadMode);
    ZKT_release(otherService, 0);
    ZKT_close(other);
    ZKT_release(service, 0);
    ZKT_close(device);
}

TEST_F(LibraryTest, SpiesAndOtherServicesCannotCommand) {
    ASSERT_EQ(Init("[Board]\nService = BASEDDS0, 1\nService = BASEDDS1, 1\n"), 0);
    const int32_t board = ZKT_open(0x1001, 1, nullptr);
    int32_t mode = ZKT_CAPTURE_SPY;
    const int32_t spy = ZKT_capture(board, 0, &mode, "BASEDDS0", 10000);
    mode = 0;
    const int32_t other = ZKT_capture(board, 0, &mode, "BASEDDS1", 10000);
    MasterParam master{1};
    EXPECT_EQ(ZKT_ctrl(spy, 0, ZKTctrl_DDS_SETMASTER, &master), kBadMode);
    EXPECT_EQ(ZKT_ctrl(other, 0, ZKTctrl_DDS_SETMASTER, &master), kBadMode);
    ZKT_release(spy, 0);
    ZKT_release(other, 0);
    ZKT_close(board);
}

TEST_F(LibraryTest, OverridesApplyAfterTheModel) {
    OpenAndCapture(
        "[Board]\nService = BASEDDS0, 1\n"
        "Status.0x1800 = 0xC004010A\n"
        "Write.0x1800 = 0:i32:0\n"
        "Write.0x1802 = 4:f64:12.5, 0:i32:3\n"
        "Status.0x1806 = 0\n"
        "Status.0x4321 = 0x00050000\n");
    ASSERT_GT(service, 0);
    MasterParam master{1};
    EXPECT_EQ(static_cast<uint32_t>(ZKT_ctrl(service, 0, ZKTctrl_DDS_SETMASTER, &master)),
              0xC004010Au);
    EXPECT_EQ(master.master, 0);
    // The model rejects the clock (source 7) yet the payload is written and
    // the status, not overridden, stays the model's.
    ClockModeParam clock{7, 1.0};
    EXPECT_EQ(ZKT_ctrl(service, 0, ZKTctrl_DDS_SETCLKMODE, &clock), kBadMode);
    EXPECT_EQ(clock.src, 3);
    EXPECT_EQ(Value(clock.value), 12.5);
    // Start would fail with nothing set; the board says it succeeded.
    EXPECT_EQ(ZKT_ctrl(service, 0, ZKTctrl_DDS_START, nullptr), 0);
    EXPECT_EQ(ZKT_ctrl(service, 0, 0x4321, nullptr), 0x00050000);
    EXPECT_EQ(ZKT_ctrl(service, 0, ZKTctrl_DDS_SETMASTER, nullptr),
              static_cast<int32_t>(0xC004010A))
        << "null payload: no writes, status still forced";
    ZKT_release(service, 0);
    ZKT_close(device);
}

}  // namespace
