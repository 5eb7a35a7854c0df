// The call trace, compared byte for byte: the line of every operation, held
// back lines before ZKT_init, and on past ZKT_cleanup.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "boardlib/zkt_api.h"
#include "calltrace/call_record.h"
#include "calltrace/trace_file.h"
#include "calltrace/traced_ops.h"
#include "platform/platform.h"
#include "tests/support/sim_test_support.h"
#include "textesc/text_escape.h"

namespace {

class TraceTest : public SimLibraryTest {};

// One pass as the tool makes it over a board with a synthesizer and a board
// that does not open.
TEST_F(TraceTest, ToolRunIsTracedLineByLine) {
    WriteFile("trace.log", "ZKT_init(configFile=\"old.ini\") = 0, count=9\n");
    WriteFile("zkt.ini",
              "[Library]\nTrace = trace.log\n"
              "[Board]\nName = Alpha\nUnit = 1, 2, 3, FPGA\nUnit = 2, 3, 4, DAC\n"
              "Service = TIMER, 1\nService = BASEDDS0, 1\n"
              "[Board]\nName = Beta\nOpen = fail\n");
    EXPECT_EQ(ZKT_displayMode(0x8F), 0);
    int32_t count = 0;
    EXPECT_EQ(ZKT_init("zkt.ini", &count), 0);
    uint32_t lids[10];
    ZKT_lidList(lids, 10, &count);
    BoardInfo info{};
    info.size = sizeof info;
    for (int32_t i = 0; i < count; ++i) {
        ZKT_getInfo(lids[i], &info);
        const int32_t device = ZKT_open(lids[i], 1, nullptr);
        if (device <= 0) continue;
        PuItem units[5];
        int32_t unitCount = 0;
        ZKT_puList(device, units, 5, &unitCount);
        ServiceItem services[10];
        int32_t serviceCount = 0;
        ZKT_serviceList(device, 0, services, 10, &serviceCount);
        int32_t mode = 0;
        const int32_t service = ZKT_capture(device, 0, &mode, "BASEDDS0", 10000);
        MasterParam master{1};
        ZKT_ctrl(service, 0, ZKTctrl_DDS_SETMASTER, &master);
        ClockModeParam clock{1, 100e6};
        ZKT_ctrl(service, 0, ZKTctrl_DDS_SETCLKMODE, &clock);
        OutFreqParam frequency{1e6, 1, 1};
        ZKT_ctrl(service, 0, ZKTctrl_DDS_SETOUTFREQ, &frequency);
        ZKT_ctrl(service, 0, ZKTctrl_DDS_OUTFREQ_1805, &frequency);
        StartModeParam start{0, 0, 1, 0, 0, 0};
        ZKT_ctrl(service, 0, ZKTctrl_DDS_SETSTARTMODE, &start);
        ComparatorParam comparator{0, {1.5, 1.5}};
        ZKT_ctrl(service, 0, ZKTctrl_CMPSC_SET, &comparator);
        StrobeModeParam strobe{10, 0, 0, 100, 1, 0};
        ZKT_ctrl(service, 0, ZKTctrl_DDS_SETSTBMODE, &strobe);
        ZKT_ctrl(service, 0, ZKTctrl_DDS_SETSTBMODE, &strobe);
        ZKT_ctrl(service, 0, ZKTctrl_DDS_START, nullptr);
        ZKT_release(service, 0);
        ZKT_close(device);
    }
    EXPECT_EQ(ZKT_cleanup(), 0);

    EXPECT_EQ(ReadFile("trace.log"),
              "ZKT_displayMode(mode=0x8f) = 0\n"
              "ZKT_init(configFile=\"zkt.ini\") = 0, count=2\n"
              "ZKT_lidList(capacity=10) = 0, count=2, lids=[0x1001, 0x1002]\n"
              "ZKT_getInfo(lid=0x1001, size=280) = 0,"
              " info={idWord=0x0, name=\"Alpha\", bus=0, dev=0, slot=0}\n"
              "ZKT_open(lid=0x1001, mode=1, reserved=null) = 257\n"
              "ZKT_puList(device=257, capacity=5) = 0, count=2, units=["
              "{id=1, code=0x2, attr=0x3, description=\"FPGA\"}, "
              "{id=2, code=0x3, attr=0x4, description=\"DAC\"}]\n"
              "ZKT_serviceList(device=257, reserved=0, capacity=10) = 0, count=2, services=["
              "{name=\"TIMER\", attr=0x1}, {name=\"BASEDDS0\", attr=0x1}]\n"
              "ZKT_capture(device=257, reserved=0, mode=0, name=\"BASEDDS0\", timeout=10000)"
              " = 513, mode=0\n"
              "ZKT_ctrl(service=513, reserved=0, code=0x1800, payload=01000000)"
              " = 0x00000000, payload=01000000\n"
              "ZKT_ctrl(service=513, reserved=0, code=0x1802, payload=010000000000000084d79741)"
              " = 0x00000000, payload=010000000000000084d79741\n"
              "ZKT_ctrl(service=513, reserved=0, code=0x1804,"
              " payload=0000000080842e410100000001000000)"
              " = 0x00020000, payload=00127a0080842e410100000001000000\n"
              "ZKT_ctrl(service=513, reserved=0, code=0x1805,"
              " payload=00127a0080842e410100000001000000)"
              " = 0x00000000, payload=00127a0080842e410100000001000000\n"
              "ZKT_ctrl(service=513, reserved=0, code=0x180c,"
              " payload=000000000000000001000000000000000000000000000000)"
              " = 0x00000000, payload=000000000000000001000000000000000000000000000000\n"
              "ZKT_ctrl(service=513, reserved=0, code=0x900,"
              " payload=00000000000000000000f83f000000000000f83f)"
              " = 0x00000000, payload=00000000000000000000f83f000000000000f83f\n"
              "ZKT_ctrl(service=513, reserved=0, code=0x1808,"
              " payload=0a0000000000000000000000640000000100000000000000)"
              " = 0x00000000, payload=0a0000000000000000000000640000000100000000000000\n"
              "ZKT_ctrl(service=513, reserved=0, code=0x1808,"
              " payload=0a0000000000000000000000640000000100000000000000)"
              " = 0x00000000, payload=0a0000000000000000000000640000000100000000000000\n"
              "ZKT_ctrl(service=513, reserved=0, code=0x1806, payload=null) = 0x00000000\n"
              "ZKT_release(service=513, reserved=0) = 0\n"
              "ZKT_close(device=257) = 0\n"
              "ZKT_getInfo(lid=0x1002, size=280) = 0,"
              " info={idWord=0x0, name=\"Beta\", bus=0, dev=0, slot=0}\n"
              "ZKT_open(lid=0x1002, mode=1, reserved=null) = -1073741558\n"
              "ZKT_cleanup() = 0\n");
}

TEST_F(TraceTest, MisuseNullsAndOddPayloadsAreTracedToo) {
    // Held back until ZKT_init has read where the trace goes.
    ZKT_displayMode(-1);
    ZKT_close(257);
    WriteFile("zkt.ini",
              "[Library]\nTrace = misuse.log\n"
              "[Board]\nName = Alpha\nService = BASEDDS0, 1\nService = \"\\\"q\\\\\\x01\", 1\n"
              "Service = SERVICE-NAME-L16, 1\nCaptureMode = spy\n");
    int32_t count = 0;
    ZKT_init("zkt.ini", &count);
    // Each line reaches the file at once, before cleanup closes it.
    EXPECT_EQ(ReadFile("misuse.log"),
              "ZKT_displayMode(mode=0xffffffff) = 0\n"
              "ZKT_close(device=257) = -1073741558\n"
              "ZKT_init(configFile=\"zkt.ini\") = 0, count=1\n");
    ZKT_init("zkt.ini", nullptr);
    ZKT_lidList(nullptr, 0, nullptr);
    ZKT_getInfo(0x1001, nullptr);
    int32_t reserved = 0;
    ZKT_open(0x1001, 0, &reserved);
    const int32_t device = ZKT_open(0x1001, 1, nullptr);
    ZKT_puList(device, nullptr, 3, &count);
    ZKT_serviceList(device, 2, nullptr, 0, nullptr);
    ZKT_capture(device, 0, nullptr, nullptr, -1);
    int32_t mode = 0;
    ZKT_capture(device, 0, &mode, "\"q\\\x01", 0);
    const int32_t spy = ZKT_capture(device, 0, &mode, "BASEDDS0", 5);
    // A name that fills its 16 bytes, without a NUL, as the list hands it back.
    const char fullName[ZKT_SERVICE_NAME_SIZE] = {'S', 'E', 'R', 'V', 'I', 'C', 'E', '-',
                                                  'N', 'A', 'M', 'E', '-', 'L', '1', '6'};
    const int32_t full = ZKT_capture(device, 0, &mode, fullName, 5);
    MasterParam master{1};
    ZKT_ctrl(spy, 0, ZKTctrl_DDS_SETMASTER, &master);
    ZKT_ctrl(spy, 0, 0x1801, &master);
    ZKT_ctrl(spy, 0, ZKTctrl_DDS_START, &master);
    ZKT_ctrl(999, 3, ZKTctrl_DDS_SETMASTER, nullptr);
    ZKT_release(spy, 0);
    ZKT_release(full, 0);
    ZKT_close(device);
    testing::internal::CaptureStderr();
    ZKT_cleanup();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "zkt: ZKT_cleanup: device 257 (lid 0x1001) still open\n"
              "zkt: ZKT_cleanup: service \"\\\"q\\\\\\x01\" (handle 513) of device 257 still"
              " captured\n");
    // The trace covers the process: calls after cleanup reach it too.
    ZKT_displayMode(0x8F);
    ZKT_cleanup();

    EXPECT_EQ(ReadFile("misuse.log"),
              "ZKT_displayMode(mode=0xffffffff) = 0\n"
              "ZKT_close(device=257) = -1073741558\n"
              "ZKT_init(configFile=\"zkt.ini\") = 0, count=1\n"
              "ZKT_init(configFile=\"zkt.ini\", count=null) = -1073741558\n"
              "ZKT_lidList(lids=null, capacity=0, count=null) = -1073741558\n"
              "ZKT_getInfo(lid=0x1001, info=null) = -1073741558\n"
              "ZKT_open(lid=0x1001, mode=0, reserved=nonnull) = -1073741558\n"
              "ZKT_open(lid=0x1001, mode=1, reserved=null) = 257\n"
              "ZKT_puList(device=257, items=null, capacity=3) = -1073741558\n"
              "ZKT_serviceList(device=257, reserved=2, items=null, capacity=0, count=null)"
              " = -1073741558\n"
              "ZKT_capture(device=257, reserved=0, mode=null, name=null, timeout=-1)"
              " = -1073741558\n"
              "ZKT_capture(device=257, reserved=0, mode=0, name=\"\\\"q\\\\\\x01\", timeout=0)"
              " = 513, mode=2\n"
              "ZKT_capture(device=257, reserved=0, mode=2, name=\"BASEDDS0\", timeout=5)"
              " = 514, mode=2\n"
              "ZKT_capture(device=257, reserved=0, mode=2, name=\"SERVICE-NAME-L16\", timeout=5)"
              " = 515, mode=2\n"
              "ZKT_ctrl(service=514, reserved=0, code=0x1800, payload=01000000)"
              " = 0xc000010a, payload=01000000\n"
              "ZKT_ctrl(service=514, reserved=0, code=0x1801, payload=(unknown size))"
              " = 0xc000010a\n"
              "ZKT_ctrl(service=514, reserved=0, code=0x1806, payload=nonnull) = 0xc000010a\n"
              "ZKT_ctrl(service=999, reserved=3, code=0x1800, payload=null) = 0xc000010a\n"
              "ZKT_release(service=514, reserved=0) = 0\n"
              "ZKT_release(service=515, reserved=0) = 0\n"
              "ZKT_close(device=257) = -1073741558\n"
              "ZKT_cleanup() = 0\n"
              "ZKT_displayMode(mode=0x8f) = 0\n"
              "ZKT_cleanup() = -1073741558\n");
}

TEST_F(TraceTest, NoTraceKeyMeansNoFileAndHeldBackLinesAreDropped) {
    ZKT_displayMode(0x8F);
    ASSERT_EQ(Init("[Board]\n"), 0);
    ZKT_cleanup();
    // The next session's trace starts with its own calls only.
    WriteFile("zkt.ini", "[Library]\nTrace = second.log\n");
    int32_t count = 0;
    ZKT_init("zkt.ini", &count);
    ZKT_cleanup();
    EXPECT_EQ(ReadFile("second.log"),
              "ZKT_init(configFile=\"zkt.ini\") = 0, count=0\n"
              "ZKT_cleanup() = 0\n");
}

// The trace covers the process: a later session that names it goes on in
// it, after the calls between; one that names another file starts that one
// with its own calls before ZKT_init, which the first file has too.
TEST_F(TraceTest, ALaterSessionGoesOnInItsTraceOrStartsAnother) {
    WriteFile("a.ini", "[Library]\nTrace = a.log\n");
    WriteFile("b.ini", "[Library]\nTrace = b.log\n");
    int32_t count = 0;
    for (const char *config : {"a.ini", "a.ini", "b.ini"}) {
        ZKT_displayMode(config[0]);
        ZKT_init(config, &count);
        ZKT_cleanup();
    }
    const std::string session =
        " = 0\nZKT_init(configFile=\"a.ini\") = 0, count=0\nZKT_cleanup() = 0\n";
    EXPECT_EQ(ReadFile("a.log"), "ZKT_displayMode(mode=0x61)" + session +
                                     "ZKT_displayMode(mode=0x61)" + session +
                                     "ZKT_displayMode(mode=0x62) = 0\n");
    EXPECT_EQ(ReadFile("b.log"),
              "ZKT_displayMode(mode=0x62) = 0\nZKT_init(configFile=\"b.ini\") = 0, count=0\n"
              "ZKT_cleanup() = 0\n");
}

// The backend is picked at a session's first call and kept to ZKT_cleanup:
// the replay of the recording ./zkt.ini names, or else the model. A
// ZKT_init naming another recording takes over from its own ZKT_init on,
// and the calls before it stand as answered.
TEST_F(TraceTest, BackendIsPickedAtTheFirstCallAndAZktInitElsewhereTakesOver) {
    const std::string recording =
        "ZKT_displayMode(mode=0x8f) = -1073741823\n"
        "ZKT_init(configFile=\"lab.ini\") = 0, count=0\n"
        "ZKT_cleanup() = 5\n";
    WriteFile("recording.log", recording);
    WriteFile("lab.ini", "[Library]\nReplay = recording.log\nTrace = lab.log\n");

    // No ./zkt.ini: the model answers the first call.
    EXPECT_EQ(ZKT_displayMode(0x8F), 0);
    int32_t count = -1;
    EXPECT_EQ(ZKT_init("lab.ini", &count), 0);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(ZKT_cleanup(), 5);
    EXPECT_EQ(ReadFile("lab.log"),
              "ZKT_displayMode(mode=0x8f) = 0\n"
              "# 1 call before ZKT_init answered by the simulated boards stand; from ZKT_init"
              " on, the recording 'recording.log' answers\n"
              "ZKT_init(configFile=\"lab.ini\") = 0, count=0\n"
              "ZKT_cleanup() = 5\n");

    // ./zkt.ini names the recording: it answers from the first call on.
    ResetLibrary();
    WriteFile("zkt.ini", "[Library]\nReplay = recording.log\n");
    EXPECT_EQ(ZKT_displayMode(0x8F), -1073741823);
    EXPECT_EQ(ZKT_init("lab.ini", &count), 0);
    EXPECT_EQ(ZKT_cleanup(), 5);
    EXPECT_EQ(ReadFile("lab.log"), recording);
}

// The held-back lines fill their bound exactly, or would overrun it by one
// byte: the line that does not fit whole is left out, every earlier one kept.
TEST_F(TraceTest, HeldBackLinesFillTheirBufferToTheLastByte) {
    static_assert(kTracePendingBytes == 28339 * 37 + 33, "the rows below add up to 1 MiB");
    // 28339 lines of 37 bytes, then one of 33 (1 MiB in all) or 34.
    const struct {
        int32_t lastMode;
        size_t linesKept;
    } rows[] = {{0x1000, 28340}, {0x10000, 28339}};
    for (const auto &row : rows) {
        ResetLibrary();
        std::vector<int32_t> modes(28339, -1);
        modes.push_back(row.lastMode);
        std::string expected;
        for (size_t i = 0; i < modes.size(); ++i) {
            ZKT_displayMode(modes[i]);
            char text[64];
            std::snprintf(text, sizeof text, "ZKT_displayMode(mode=0x%x) = 0\n",
                          static_cast<uint32_t>(modes[i]));
            if (i < row.linesKept) expected += text;
        }
        testing::internal::CaptureStderr();
        ASSERT_EQ(Init("[Library]\nTrace = held.log\n"), 0);
        ZKT_cleanup();
        // A call that did not fit is said, at the trace's top and once on
        // standard error.
        const std::string said =
            row.linesKept < modes.size() ? "1 call made before the trace started is not in it" : "";
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  said.empty() ? "" : "zkt: " + said + "\n");
        if (!said.empty()) expected = "# " + said + "\n" + expected;
        expected += "ZKT_init(configFile=\"zkt.ini\") = 0, count=0\nZKT_cleanup() = 0\n";
        EXPECT_EQ(ReadFile("held.log"), expected) << "last mode 0x" << std::hex << row.lastMode;
    }
}

// A run on a broken file must not leave the last good run's trace looking
// current: the file is replaced, the error comes first as a note, then the
// calls as usual.
TEST_F(TraceTest, MalformedFileStillReplacesItsTraceWithTheErrorOnTop) {
    WriteFile("trace.log", "ZKT_init(configFile=\"zkt.ini\") = 0, count=4\n");
    ZKT_displayMode(0x8F);
    testing::internal::CaptureStderr();
    int32_t count = -1;
    EXPECT_EQ(Init("[Board]\nNmae = x\n[Library]\nTrace = trace.log\n", &count), kBadMode);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "zkt.ini:2: unknown key 'Nmae' in [Board]\n");
    EXPECT_EQ(ZKT_lidList(nullptr, 0, &count), 0);
    EXPECT_EQ(ZKT_cleanup(), 0);
    EXPECT_EQ(ReadFile("trace.log"),
              "ZKT_displayMode(mode=0x8f) = 0\n"
              "# zkt.ini:2: unknown key 'Nmae' in [Board]\n"
              "ZKT_init(configFile=\"zkt.ini\") = -1073741558, count=0\n"
              "ZKT_lidList(lids=null, capacity=0) = 0, count=0\n"
              "ZKT_cleanup() = 0\n");
}

TEST_F(TraceTest, TraceFileThatCannotBeOpenedIsReportedWithTheReason) {
    std::filesystem::create_directory("folder.log");
    // The path is the file's text: its bytes reach the terminal escaped.
    const struct {
        const char *path;
        const char *shown;
    } cases[] = {{"folder.log", "folder.log"}, {"missing\x1b[2J/t.log", "missing\\x1b[2J/t.log"}};
    for (const auto &c : cases) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(Init(std::string("[Library]\nTrace = ") + c.path + "\n"), 0);
        const std::string message = testing::internal::GetCapturedStderr();
        const std::string head = std::string("zkt: cannot open trace file '") + c.shown + "' (";
        const std::string tail = "); no trace\n";
        EXPECT_EQ(message.substr(0, head.size()), head);
        // The system's reason stands between them.
        ASSERT_GT(message.size(), head.size() + tail.size()) << message;
        EXPECT_EQ(message.substr(message.size() - tail.size()), tail);
        EXPECT_EQ(ZKT_cleanup(), 0);
    }
}

// What a failed call left behind a pointer shows by what the pointer holds,
// as the caller (and a tracing proxy) can see it: a count only where the
// call changed it, a capture mode whenever its pointer is there.
TEST_F(TraceTest, OutputsOfFailedCallsShowWhatTheCallerSees) {
    WriteFile("zkt.ini", "[Library]\nTrace = t.log\n[Board]\nService = OTHER, 1\n");
    int32_t count = 0;
    ZKT_init("zkt.ini", &count);
    count = 7;
    ZKT_init("zkt.ini", &count);
    const int32_t device = ZKT_open(0x1001, 1, nullptr);
    int32_t mode = 5;
    EXPECT_EQ(ZKT_capture(device, 0, &mode, "BASEDDS0", 1), kNoService);
    ZKT_close(device);
    ZKT_cleanup();
    EXPECT_EQ(ReadFile("t.log"),
              "ZKT_init(configFile=\"zkt.ini\") = 0, count=1\n"
              "ZKT_init(configFile=\"zkt.ini\") = -1073741558\n"
              "ZKT_open(lid=0x1001, mode=1, reserved=null) = 257\n"
              "ZKT_capture(device=257, reserved=0, mode=5, name=\"BASEDDS0\", timeout=1)"
              " = -1073741557, mode=5\n"
              "ZKT_close(device=257) = 0\n"
              "ZKT_cleanup() = 0\n");
}

// A failing query shows the record where it changed a field the line shows,
// and only there: a replay writes those fields alone, so a change elsewhere
// (here the reserved word the simulator clears) would give a line that the
// replay could not make again.
TEST_F(TraceTest, FailingQueryShowsTheRecordWhereItChangedAShownField) {
    WriteFile("zkt.ini",
              "[Library]\nTrace = t.log\n[Board]\nName = B\nInfo = fail\nInfoRecord = written\n");
    int32_t count = 0;
    ZKT_init("zkt.ini", &count);
    BoardInfo info{};
    info.size = sizeof info;
    EXPECT_EQ(ZKT_getInfo(0x1001, &info), kBadMode);
    info.reserved4 = 5;
    EXPECT_EQ(ZKT_getInfo(0x1001, &info), kBadMode);
    EXPECT_EQ(info.reserved4, 0u);
    ZKT_cleanup();
    EXPECT_EQ(ReadFile("t.log"),
              "ZKT_init(configFile=\"zkt.ini\") = 0, count=1\n"
              "ZKT_getInfo(lid=0x1001, size=280) = -1073741558, info={idWord=0x0, name=\"B\", "
              "bus=0, dev=0, slot=0}\n"
              "ZKT_getInfo(lid=0x1001, size=280) = -1073741558\n"
              "ZKT_cleanup() = 0\n");
}

// A recording is read back only in the writer's own spelling: any other
// text, however close, is no trace line and the replay refuses it.
TEST(TraceFormatTest, OnlyTheWritersLinesAreReadBack) {
    const struct {
        const char *line;
        bool read;
    } cases[] = {
        {"ZKT_lidList(capacity=10) = 0, count=2, lids=[0x1001, 0x1002]", true},
        {"ZKT_lidList(capacity=10) = 0, count=2, lids=[0x1001]", false},
        {"ZKT_lidList(capacity=10) = 0, count=2, lids=[0x1001, 0x1002, 0x1003]", false},
        {"ZKT_lidList(capacity=1) = 0, count=2, lids=[0x1001]", true},
        {"ZKT_lidList(capacity=10) = 0, count=2", false},
        {"ZKT_lidList(capacity=10) = 5, count=2", false},
        {"ZKT_lidList(capacity=10) = 0", false},
        {"ZKT_lidList(capacity=10) = -1073741558", true},
        {"ZKT_lidList(capacity=10) = -1073741558, count=2, lids=[0x1001, 0x1002]", true},
        {"ZKT_lidList(capacity=10) = -1073741558, count=2, lids=[0x1001]", false},
        {"ZKT_lidList(capacity=1) = -1073741558, count=2, lids=[0x1001]", true},
        {"ZKT_lidList(capacity=10) = -1073741558, count=-3, lids=[]", true},
        {"ZKT_lidList(lids=null, capacity=10) = -1073741558, count=2", true},
        {"ZKT_lidList(capacity=10, count=null) = -1073741558, count=2, lids=[0x1001, 0x1002]",
         false},
        {"ZKT_lidList(capacity=10) = -1073741558, lids=[]", false},
        {"ZKT_puList(device=1, capacity=5) = -1, count=1, units=[{id=0, code=0x1, attr=0x1, "
         "description=\"U\"}]",
         true},
        {"ZKT_serviceList(device=1, reserved=0, capacity=1) = -1, count=3, services=[{name=\"A\", "
         "attr=0x1}]",
         true},
        {"ZKT_init(configFile=\"zkt.ini\") = 0", false},
        {"ZKT_init(configFile=\"zkt.ini\") = 0-1", false},
        {"ZKT_lidList(capacity=10) = 0-3, lids=[]", false},
        {"ZKT_init(configFile=\"zkt.ini\") = 0, count=2", true},
        {"ZKT_init(configFile=\"zkt.ini\") = -1073741558", true},
        {"ZKT_init(configFile=\"zkt.ini\") = 7, count=0", true},
        {"ZKT_init(configFile=\"zkt.ini\", count=null) = 7, count=0", false},
        {"ZKT_open(lid=0x1001, mode=1, reserved=null) = -1, count=0", false},
        {"ZKT_lidList(capacity=10) = 0, count=-3, lids=[]", true},
        {"ZKT_lidList(capacity=010) = 0, count=0, lids=[]", false},
        {"ZKT_lidList(capacity=10) = -0, count=0, lids=[]", false},
        {"ZKT_lidList(capacity=10) = 0, count=1, lids=[0x01001]", false},
        {"ZKT_lidList(capacity=10) = 0, count=1, lids=[0xABC]", false},
        {"ZKT_lidList(capacity=2147483648) = 0, count=0, lids=[]", false},
        {"ZKT_lidList(capacity=-2147483648) = 0, count=0, lids=[]", true},
        {"ZKT_lidList(capacity=-2147483649) = 0, count=0, lids=[]", false},
        {"ZKT_getInfo(lid=0x1001, size=0) = -1", true},
        {"ZKT_getInfo(lid=0x1001, size=0280) = -1", false},
        {"ZKT_getInfo(lid=0x1001, size=4294967295) = -1", true},
        {"ZKT_getInfo(lid=0x1001, size=4294967296) = -1", false},
        {"ZKT_getInfo(lid=0x1001, size=280) = 0", false},
        {"ZKT_getInfo(lid=0x1001, size=280) = 0, info={idWord=0x5a010002, name=\"B\", bus=1, "
         "dev=2, slot=3}",
         true},
        {"ZKT_getInfo(lid=0x1001, info=null) = 0", true},
        {"ZKT_getInfo(lid=0x1001, size=280) = -1, info={idWord=0x0, name=\"a\\x01\", bus=0, "
         "dev=0, slot=0}",
         true},
        {"ZKT_getInfo(lid=0x1001, size=280) = -1, info={idWord=0x0, name=\"a\\x41\", bus=0, "
         "dev=0, slot=0}",
         false},
        {"ZKT_getInfo(lid=0x1001, size=280) = -1, info={idWord=0x0, name=\"a\\x0A\", bus=0, "
         "dev=0, slot=0}",
         false},
        {"ZKT_getInfo(lid=0x1001, info=null) = -1, info={idWord=0x0, name=\"\", bus=0, dev=0, "
         "slot=0}",
         false},
        {"ZKT_ctrl(service=1, reserved=0, code=0x1800, payload=01000000) = 0x00000000, "
         "payload=01000000",
         true},
        {"ZKT_ctrl(service=1, reserved=0, code=0x1800, payload=01000000) = 0x0, payload=01000000",
         false},
        {"ZKT_ctrl(service=1, reserved=0, code=0x1800, payload=01000000) = 0x00000000, "
         "payload=0100000000",
         false},
        {"ZKT_ctrl(service=1, reserved=0, code=0x1800, payload=0100000A) = 0x00000000, "
         "payload=01000000",
         false},
        {"ZKT_ctrl(service=1, reserved=0, code=0x1806, payload=nonnull) = 0x00000000", true},
        {"ZKT_ctrl(service=1, reserved=0, code=0x1806, payload=01) = 0x00000000", false},
        {"ZKT_capture(device=1, reserved=0, mode=0, name=\"0123456789abcdef\", timeout=1) = 2, "
         "mode=0",
         true},
        {"ZKT_capture(device=1, reserved=0, mode=0, name=\"0123456789abcdefg\", timeout=1) = 2, "
         "mode=0",
         false},
        {"ZKT_capture(device=1, reserved=0, mode=0, name=\"A\", timeout=1) = 2", false},
        {"ZKT_capture(device=1, reserved=0, mode=0, name=\"A\", timeout=1) = -1073741557, mode=5",
         true},
        {"ZKT_capture(device=1, reserved=0, mode=0, name=\"A\", timeout=1) = -1073741557", false},
        {"ZKT_capture(device=1, reserved=0, mode=null, name=\"A\", timeout=1) = -1073741557", true},
        {"ZKT_capture(device=1, reserved=0, mode=null, name=\"A\", timeout=1) = -1073741557, "
         "mode=5",
         false},
        {"ZKT_capture(device=1, reserved=0, mode=0, name=\"a\\\"b\\\\c\", timeout=1) = 2, mode=0",
         true},
        {"ZKT_capture(device=1, reserved=0, mode=0, name=\"\\x7f\\x80\\xff\\x1b\", timeout=1) = 2, "
         "mode=0",
         true},
        {"ZKT_capture(device=1, reserved=0, mode=0, name=\"a\\x00\", timeout=1) = 2, mode=0",
         false},
        {"ZKT_capture(device=1, reserved=0, mode=0, name=\"\\x22\", timeout=1) = 2, mode=0", false},
        {"ZKT_capture(device=1, reserved=0, mode=0, name=\"\\x20\", timeout=1) = 2, mode=0", false},
        {"ZKT_capture(device=1, reserved=0, mode=0, name=\"\\x7e\", timeout=1) = 2, mode=0", false},
        {"ZKT_capture(device=1, reserved=0, mode=0, name=\"\\x1f\", timeout=1) = 2, mode=0", true},
        {"ZKT_capture(device=1, reserved=0, mode=0, name=\"\x1f\", timeout=1) = 2, mode=0", false},
        {"ZKT_capture(device=1, reserved=0, mode=0, name=\"\x20~\", timeout=1) = 2, mode=0", true},
        {"ZKT_capture(device=1, reserved=0, mode=0, name=\"\\x5c\", timeout=1) = 2, mode=0", false},
        {"ZKT_capture(device=1, reserved=0, mode=0, name=\"\\q\", timeout=1) = 2, mode=0", false},
        {"ZKT_capture(device=1, reserved=0, mode=0, name=\"a\\x4\", timeout=1) = 2, mode=0", false},
        {"ZKT_capture(device=1, reserved=0, mode=0, name=\"a\xc3\xa9\", timeout=1) = 2, mode=0",
         false},
        {"ZKT_capture(device=1, reserved=0, mode=0, name=\"a\tb\", timeout=1) = 2, mode=0", false},
        {"ZKT_capture(device=1, reserved=0, mode=0, name=\"a\x7f\", timeout=1) = 2, mode=0", false},
        {"ZKT_capture(device=1, reserved=0, mode=0, "
         "name="
         "\"\\x01\\x02\\x03\\x04\\x05\\x06\\x07\\x08\\x09\\x0a\\x0b\\x0c\\x0d\\x0e\\x0f\\x10\", "
         "timeout=1) = 2, mode=0",
         true},
        {"ZKT_capture(device=1, reserved=0, mode=0, "
         "name="
         "\"\\x01\\x02\\x03\\x04\\x05\\x06\\x07\\x08\\x09\\x0a\\x0b\\x0c\\x0d\\x0e\\x0f\\x10\\x11\""
         ", timeout=1) = 2, mode=0",
         false},
        {"ZKT_capture(device=1, reserved=0, mode=0, name=\"abc", false},
        {"ZKT_capture(device=1, reserved=0, mode=0, name=\"abc\\", false},
        {"ZKT_ctrl(service=1, reserved=0, code=0x1800, payload=01000000) = 0x00000000, "
         "payload=010000",
         false},
        {"ZKT_ctrl(service=1, reserved=0, code=0x1800, payload=01000000) = 0x00000000, "
         "payload=0100000",
         false},
        {"ZKT_lidList(capacity=2147483647) = 0, count=2147483647, lids=[0x1]", false},
        {"ZKT_puList(device=1, capacity=2147483647) = 0, count=2147483647, units=[]", false},
        {"ZKT_serviceList(device=1, reserved=0, capacity=2147483647) = 0, count=2147483647, "
         "services=[{name=\"A\", attr=0x1}]",
         false},
        {"ZKT_cleanup() = 0", true},
        {"ZKT_cleanup() = 0 ", false},
        {"ZKT_cleanup()", false},
        {"# a note", false},
        {"", false},
    };
    for (const auto &c : cases) {
        CallRecord record;
        size_t callLength = 0;
        EXPECT_EQ(CallRecordRead(c.line, std::strlen(c.line), &record, &callLength), c.read)
            << c.line;
        if (!c.read) continue;
        std::string again;
        CallRecordAppendCall(record, &again);
        EXPECT_EQ(again.size(), callLength) << c.line;
        CallRecordAppendResult(record, &again);
        EXPECT_EQ(again, c.line);
    }
}

TEST(TraceFormatTest, QuotedTextIsBoundedAndEscaped) {
    char out[64];
    EXPECT_STREQ(EscapeQuoted("ABCDEFGH", 4, out, sizeof out), "\"ABCD\"");
    EXPECT_STREQ(EscapeQuoted("a\tb\xff", 16, out, sizeof out), "\"a\\x09b\\xff\"");
    EXPECT_STREQ(EscapeQuoted(nullptr, 16, out, sizeof out), "null");
    // Cut at whole characters when the output is short, still closed.
    EXPECT_STREQ(EscapeQuoted("abcdefgh", 16, out, 6), "\"abc\"");
}

// Two runs, one trace: the run that finds the file locked by another leaves
// it alone and says so; its calls go on. Once the lock is let go, the next
// run writes its trace there.
// The wrapper itself, in this program's own copy of the trace (the library's
// is its own), around a table whose capture reads the trace while it runs.
std::string traceDuringCall;

int32_t CaptureReadingTheTrace(int32_t, int32_t, int32_t *mode, const char *, int32_t) {
    std::ifstream in("wrapper.log", std::ios::binary);
    traceDuringCall.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    *mode = 1;
    return 513;
}

int32_t DisplayModeAnswered(int32_t) { return 0; }

// A backend that looks at the call part before it is written, as a replay
// does: what it sees, and its note.
std::string seenBeforeCall;

void NoteTheCallPart() {
    seenBeforeCall = TracedCallPart();
    TraceFileNote(("about to answer " + seenBeforeCall).c_str());
}

TEST_F(TraceTest, CallPartIsWrittenBeforeTheCallAndLinesOnlyWhereTheyGo) {
    ZktOps ops{};
    ops.capture = CaptureReadingTheTrace;
    ops.displayMode = DisplayModeAnswered;
    std::string reason;
    const char capturePart[] =
        "ZKT_capture(device=257, reserved=0, mode=0, name=\"BASEDDS0\", "
        "timeout=10000)";
    int32_t mode = 0;

    // No trace and nothing that matches: no line is made.
    ASSERT_TRUE(TraceFileStart("", nullptr, 0, &reason));
    TracedThrough(ops);
    EXPECT_EQ(TracedCapture(257, 0, &mode, "BASEDDS0", 10000), 513);
    EXPECT_EQ(TracedCallPart(), "");
    // A backend that matches calls gets the call part all the same.
    TracedThrough(ops, NoteTheCallPart);
    mode = 0;
    EXPECT_EQ(TracedCapture(257, 0, &mode, "BASEDDS0", 10000), 513);
    EXPECT_EQ(seenBeforeCall, capturePart);

    // Held back before the trace starts: whole lines only, at its top.
    TraceFileStop();
    TracedThrough(ops);
    EXPECT_EQ(TracedDisplayMode(0x8f), 0);
    ASSERT_TRUE(TraceFileStart("wrapper.log", nullptr, 0, &reason)) << reason;
    mode = 0;
    EXPECT_EQ(TracedCapture(257, 0, &mode, "BASEDDS0", 10000), 513);
    EXPECT_EQ(traceDuringCall, std::string("ZKT_displayMode(mode=0x8f) = 0\n") + capturePart);
    // The backend's note comes before the call part.
    TracedThrough(ops, NoteTheCallPart);
    mode = 0;
    EXPECT_EQ(TracedCapture(257, 0, &mode, "BASEDDS0", 10000), 513);
    TraceFileStart("", nullptr, 0, &reason);
    TracedThrough(ops);
    EXPECT_EQ(ReadFile("wrapper.log"), std::string("ZKT_displayMode(mode=0x8f) = 0\n") +
                                           capturePart + " = 513, mode=1\n# about to answer " +
                                           capturePart + "\n" + capturePart + " = 513, mode=1\n");
    EXPECT_EQ(traceDuringCall, std::string("ZKT_displayMode(mode=0x8f) = 0\n") + capturePart +
                                   " = 513, mode=1\n# about to answer " + capturePart + "\n" +
                                   capturePart);
}

TEST_F(TraceTest, TraceLockedByAnotherRunIsLeftAsItWas) {
    const std::string older = "ZKT_cleanup() = 0\n";
    WriteFile("shared.log", older);
    FILE *otherRun = std::fopen("shared.log", "a+b");
    ASSERT_NE(otherRun, nullptr);
    ASSERT_EQ(PlatformLockFile(otherRun), kFileLockTaken);
    testing::internal::CaptureStderr();
    int32_t count = -1;
    EXPECT_EQ(Init("[Library]\nTrace = shared.log\n[Board]\nName = A\n", &count), 0);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(ZKT_cleanup(), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "zkt: cannot open trace file 'shared.log' (in use by another run); no trace\n");
    std::fclose(otherRun);
    EXPECT_EQ(ReadFile("shared.log"), older);

    EXPECT_EQ(Init("[Library]\nTrace = shared.log\n"), 0);
    EXPECT_EQ(ZKT_cleanup(), 0);
    EXPECT_EQ(ReadFile("shared.log"), "ZKT_init(configFile=\"zkt.ini\") = 0, count=0\n" + older);
}

// A trace is written over an older trace (its first line past the notes a
// call, whole or cut short), a file of notes only, or an empty file; never
// over anything else, though it start with a note as a commented settings
// file does. That file stays as it was, and the calls go on.
TEST_F(TraceTest, TraceGoesOnlyOverATraceOrAnEmptyFile) {
    // Notes that fill the 64 KiB looked at: 1024 lines of 64 bytes.
    std::string sniffed;
    for (int i = 0; i < 1024; ++i) sniffed += "# " + std::string(61, 'n') + "\n";
    const struct {
        std::string older;
        bool replaced;
    } rows[] = {
        {sniffed, true},
        {sniffed + "[Option]\n", false},
        {"", true},
        {"ZKT_cleanup() = 0\n", true},
        {"# a note\nZKT_cleanup() = 0\n", true},
        {"ZKT_", true},
        {"# a note\n# another\n", true},
        {"# a note\nZKT_capture(device=257, res", true},
        {"# a note\nZKT_cap", true},
        {"# Lab settings, do not lose\n[Option]\nOutputFreq = 1\n", false},
        {"# Boards of lab 2\n[Board]\nName = A\n", false},
        {"# a note\nOutputFreq = 1\n", false},
        {"# a note\n; a comment\n", false},
        {"# a note\nZKT_cap\n", false},
        {"ZKT_unknown()\n", false},
        {"[Option]\nOutputFreq = 1\n", false},
        {"ZKT\n", false},
        {"#note\n", false},
        {"\xEF\xBB\xBFZKT_cleanup() = 0\n", false},
        {"\nZKT_cleanup() = 0\n", false},
    };
    const std::string written =
        "ZKT_init(configFile=\"zkt.ini\") = 0, count=0\nZKT_cleanup() = 0\n";
    for (const auto &row : rows) {
        ResetLibrary();
        WriteFile("other.txt", row.older);
        testing::internal::CaptureStderr();
        EXPECT_EQ(Init("[Library]\nTrace = other.txt\n"), 0);
        EXPECT_EQ(ZKT_cleanup(), 0);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(ReadFile("other.txt"), row.replaced ? written : row.older)
            << row.older.substr(row.older.size() > 40 ? row.older.size() - 40 : 0);
        EXPECT_EQ(err, row.replaced ? ""
                                    : "zkt: cannot open trace file 'other.txt' (a file that is "
                                      "not a trace); no trace\n")
            << row.older;
    }
}

}  // namespace
