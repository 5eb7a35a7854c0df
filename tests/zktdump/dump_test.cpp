// zktdump's collection and text against a scripted library: which calls it
// makes, and that the text it writes reads back through the simulator's
// reader into the same records, counts and open results.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "scripted_zkt.h"
#include "sim/sim_config.h"
#include "zktdump/inventory.h"
#include "zktdump/render_ini.h"

namespace {

const int32_t kBadMode = static_cast<int32_t>(ZKTerr_BAD_MODE);

BoardInfo Info(const std::string &name, uint32_t idWord, int32_t bus, int32_t dev, int32_t slot) {
    BoardInfo info{};
    std::memcpy(info.name, name.data(), std::min(name.size(), sizeof info.name));
    info.idWord = idWord;
    info.bus = bus;
    info.dev = dev;
    info.slot = slot;
    return info;
}

PuItem Unit(int32_t id, uint32_t code, uint32_t attr, const std::string &description) {
    PuItem unit{};
    unit.id = id;
    unit.code = code;
    unit.attr = attr;
    std::memcpy(unit.description, description.data(),
                std::min(description.size(), sizeof unit.description));
    return unit;
}

ServiceItem Service(const std::string &name, uint32_t attr) {
    ServiceItem service{};
    std::memcpy(service.name, name.data(), std::min(name.size(), sizeof service.name));
    service.attr = attr;
    return service;
}

ScriptedBoard Board(uint32_t lid, int32_t handle, const std::string &name) {
    ScriptedBoard b;
    b.lid = lid;
    b.openResult = handle;
    b.info = Info(name, 0x5a210003u, 1, 2, 3);
    return b;
}

struct DumpResult {
    std::string text;
    std::string notes;
};

class DumpTest : public ::testing::Test {
protected:
    DumpResult Dump(const Script &s) {
        SetScript(s);
        CollectInventory(inventory.get());
        DumpResult result;
        RenderZktIni(*inventory, &result.text, &result.notes);
        return result;
    }

    // The simulator's reader must take every dump.
    const SimConfig &Read(const std::string &text) {
        char message[512] = "";
        const bool ok = SimParseConfigText("dump", text.data(), text.size(), config.get(), message,
                                           sizeof message);
        EXPECT_TRUE(ok) << message << "\n" << text;
        return *config;
    }

    std::unique_ptr<Inventory> inventory = std::make_unique<Inventory>();
    std::unique_ptr<SimConfig> config = std::make_unique<SimConfig>();
};

TEST_F(DumpTest, WritesEachBoardAsReportedAndCallsOnlyTheInventory) {
    Script s;
    s.initCount = 3;
    s.deviceCount = 3;
    s.lids = {0x1001, 0x2002, 0x77};
    ScriptedBoard a = Board(0x1001, 5, "ZK-DDS-PCI");
    a.unitCount = 2;
    a.units = {Unit(0, 0x7a01, 0x11, "FPGA main logic"), Unit(-1, 0xFFFFFFFFu, 0, "")};
    a.serviceCount = 2;
    a.services = {Service("BASEDDS0", 1), Service("BASECMP0", 0x80000000u)};
    ScriptedBoard b = Board(0x2002, 0, "ZK-HELD");
    ScriptedBoard c = Board(0x77, -5, "ZK-REFUSED");
    c.info.bus = -2147483647 - 1;
    s.boards = {a, b, c};

    const DumpResult dump = Dump(s);
    EXPECT_EQ(dump.text,
              "; zkt.ini written by zktdump: the boards that the board access library reported.\n"
              "; ZKT_init returned 0, count 3.\n"
              "\n[Board]\nLid = 0x1001\nName = ZK-DDS-PCI\nIdWord = 0x5a210003\n"
              "Bus = 1\nDev = 2\nSlot = 3\n"
              "Unit = 0, 0x7a01, 0x11, FPGA main logic\n"
              "Unit = -1, 0xffffffff, 0x0,\n"
              "Service = BASEDDS0, 0x1\n"
              "Service = BASECMP0, 0x80000000\n"
              "\n[Board]\nLid = 0x2002\nName = ZK-HELD\nIdWord = 0x5a210003\n"
              "Bus = 1\nDev = 2\nSlot = 3\nOpenHandle = 0\n"
              "\n[Board]\nLid = 0x77\nName = ZK-REFUSED\nIdWord = 0x5a210003\n"
              "Bus = -2147483648\nDev = 2\nSlot = 3\nOpenHandle = -5\n");
    EXPECT_EQ(dump.notes, "");
    const std::vector<std::string> expectedCalls = {"displayMode 0x8f",
                                                    "init zkt.ini",
                                                    "lidList cap 64",
                                                    "getInfo 0x1001 size 280",
                                                    "open 0x1001 -> 5",
                                                    "puList 5 cap 32",
                                                    "serviceList 5 cap 32",
                                                    "close 5",
                                                    "getInfo 0x2002 size 280",
                                                    "open 0x2002 -> 0",
                                                    "getInfo 0x77 size 280",
                                                    "open 0x77 -> -5",
                                                    "cleanup"};
    EXPECT_EQ(CallLog(), expectedCalls);

    const SimConfig &c2 = Read(dump.text);
    ASSERT_EQ(c2.boardCount, 3);
    EXPECT_FALSE(c2.reportedDeviceCount.set);
    EXPECT_EQ(c2.boards[0].unitCount, 2);
    EXPECT_EQ(c2.boards[0].units[1].code, 0xFFFFFFFFu);
    EXPECT_FALSE(c2.boards[0].openResult.set);
    EXPECT_EQ(c2.boards[1].openResult.value, 0);
    EXPECT_EQ(c2.boards[2].lid, 0x77u);
    EXPECT_EQ(c2.boards[2].bus, -2147483647 - 1);
}

// Every troublesome text, read back by the simulator, gives the very bytes
// of the record: up to the NUL, or the whole field when there is none.
TEST_F(DumpTest, TextReadsBackIntoTheSameBytes) {
    const std::string names[] = {
        std::string(136, 'N'),            // fills the field, no NUL
        " leading and trailing blanks ",  // trimmed when plain
        "trailing blank ",                // at the end only
        "; looks like a comment",         // and so on
        "# looks like a comment",
        "\"starts with a quote",
        "tab\there, CR\rLF\n, DEL\x7f, high \xc3\xa4\xff",
        "back\\slash \"quotes\" inside",
        "plain = with; commas, and # inside",  // stays plain
    };
    const std::string services[] = {
        "A,B", "SERVICE-NAME-L16", " SP",     "SP ", "BASEDDS0", ";x", "#x",
        "\"q", "ok=fine",          "\x01\x80"};

    Script s;
    for (size_t i = 0; i < sizeof names / sizeof names[0]; ++i) {
        ScriptedBoard b =
            Board(0x1001 + static_cast<uint32_t>(i), 5 + static_cast<int32_t>(i), names[i]);
        b.unitCount = 1;
        b.units = {Unit(1, 2, 3, names[i] + std::string(130, 'd'))};
        b.serviceCount = static_cast<int32_t>(sizeof services / sizeof services[0]);
        for (const std::string &service : services) b.services.push_back(Service(service, 9));
        s.lids.push_back(b.lid);
        s.boards.push_back(b);
    }
    // Descriptions: the same texts within their field.
    s.boards[1].units[0] = Unit(1, 2, 3, names[1]);
    s.boards[8].units[0] = Unit(1, 2, 3, "a, description, with commas");
    s.boards[2].units[0] = Unit(1, 2, 3, names[2]);
    s.deviceCount = static_cast<int32_t>(s.lids.size());

    const DumpResult dump = Dump(s);
    EXPECT_NE(dump.text.find("\nName = plain = with; commas, and # inside\n"), std::string::npos);
    EXPECT_NE(dump.text.find(", 0x3, a, description, with commas\n"), std::string::npos);
    EXPECT_NE(dump.text.find("\nService = ok=fine, 0x9\n"), std::string::npos);
    EXPECT_NE(dump.text.find("\nService = \"A,B\", 0x9\n"), std::string::npos);
    EXPECT_NE(dump.text.find("\nName = \"tab\\x09here, CR\\x0dLF\\x0a, DEL\\x7f, high "
                             "\\xc3\\xa4\\xff\"\n"),
              std::string::npos);

    const SimConfig &c = Read(dump.text);
    ASSERT_EQ(c.boardCount, static_cast<int32_t>(s.boards.size()));
    for (int32_t i = 0; i < c.boardCount; ++i) {
        const ScriptedBoard &want = s.boards[i];
        const SimBoard &got = c.boards[i];
        EXPECT_EQ(std::string(got.name, sizeof got.name),
                  std::string(want.info.name, sizeof want.info.name))
            << "board " << i;
        ASSERT_EQ(got.unitCount, 1);
        EXPECT_EQ(std::string(got.units[0].description, ZKT_UNIT_DESCRIPTION_SIZE),
                  std::string(want.units[0].description, ZKT_UNIT_DESCRIPTION_SIZE))
            << "board " << i;
        ASSERT_EQ(got.serviceCount, static_cast<int32_t>(want.services.size()));
        for (int32_t k = 0; k < got.serviceCount; ++k) {
            EXPECT_EQ(std::string(got.services[k].name, ZKT_SERVICE_NAME_SIZE),
                      std::string(want.services[k].name, ZKT_SERVICE_NAME_SIZE))
                << "board " << i << " service " << k;
        }
    }
}

TEST_F(DumpTest, CountsThatDifferFromTheEntriesBecomeCountKeys) {
    Script s;
    s.deviceCount = 5;  // three LIDs written: two entries keep the 0 they were cleared to
    s.lids = {0x1001, 0x1002};
    ScriptedBoard a = Board(0x1001, 5, "A");
    a.unitCount = -1;
    a.units = {Unit(1, 2, 3, "never listed")};
    a.serviceCount = 3;  // one written: two cleared entries follow
    a.services = {Service("ONLY", 1)};
    ScriptedBoard b = Board(0x1002, 6, "B");
    b.unitCount = 100;  // beyond the capacity: 32 entries held, 20 written
    for (int j = 0; j < 20; ++j) b.units.push_back(Unit(j, 1, 1, "u" + std::to_string(j)));
    b.serviceCount = -7;
    // As many as the simulator holds: all kept, no count key, no note.
    ScriptedBoard full = Board(0x1003, 7, "C");
    full.unitCount = 16;
    full.serviceCount = 16;
    for (int j = 0; j < 16; ++j) {
        full.units.push_back(Unit(j, 2, 2, "c" + std::to_string(j)));
        full.services.push_back(Service("S" + std::to_string(j), 3));
    }
    s.lids.push_back(0x1003);
    s.boards = {a, b, full};

    const DumpResult dump = Dump(s);
    EXPECT_NE(dump.text.find("\n[Library]\nDeviceCount = 5\n"), std::string::npos);
    EXPECT_NE(dump.text.find("\nUnitCount = -1\nService = ONLY, 0x1\nServiceCount = 3\n"),
              std::string::npos);
    EXPECT_NE(dump.text.find("\nUnit = 15, 0x1, 0x1, u15\nUnitCount = 100\nServiceCount = -7\n"),
              std::string::npos);
    EXPECT_EQ(dump.text.find("u16"), std::string::npos);
    EXPECT_EQ(dump.notes, "board 2: 20 units; the simulator holds 16, the rest are left out\n");
    EXPECT_NE(
        dump.text.find("\n; board 2: 20 units; the simulator holds 16, the rest are left out\n"),
        std::string::npos);
    // The two unwritten entries are visited like the others.
    EXPECT_EQ(std::count(CallLog().begin(), CallLog().end(), "open 0x0 -> -1073741558"), 2);

    EXPECT_NE(dump.text.find("\nUnit = 15, 0x2, 0x2, c15\nService = S0, 0x3\n"), std::string::npos);
    EXPECT_NE(dump.text.find("\nService = S15, 0x3\n"), std::string::npos);

    const SimConfig &c = Read(dump.text);
    ASSERT_EQ(c.boardCount, 3);
    EXPECT_EQ(c.reportedDeviceCount.value, 5);
    EXPECT_EQ(c.boards[0].reportedUnitCount.value, -1);
    EXPECT_EQ(c.boards[0].unitCount, 0);
    EXPECT_EQ(c.boards[0].reportedServiceCount.value, 3);
    EXPECT_EQ(c.boards[1].unitCount, 16);
    EXPECT_EQ(c.boards[1].reportedUnitCount.value, 100);
    EXPECT_EQ(c.boards[2].unitCount, 16);
    EXPECT_EQ(c.boards[2].serviceCount, 16);
    EXPECT_FALSE(c.boards[2].reportedUnitCount.set);
    EXPECT_FALSE(c.boards[2].reportedServiceCount.set);
}

TEST_F(DumpTest, NegativeAndHugeDeviceCounts) {
    Script s;
    s.deviceCount = -3;
    s.lids = {0x1001};
    s.boards = {Board(0x1001, 5, "never visited")};
    DumpResult dump = Dump(s);
    EXPECT_EQ(dump.text,
              "; zkt.ini written by zktdump: the boards that the board access library reported.\n"
              "; ZKT_init returned 0, count 0.\n"
              "\n[Library]\nDeviceCount = -3\n");
    EXPECT_EQ(CallLog().size(), 4u);  // display mode, init, list, cleanup
    EXPECT_EQ(Read(dump.text).reportedDeviceCount.value, -3);

    s.deviceCount = 2147483647;
    dump = Dump(s);
    EXPECT_NE(dump.text.find("\nDeviceCount = 2147483647\n"), std::string::npos);
    EXPECT_EQ(dump.notes, "the library reported 2147483647 devices; the first 64 were read\n");
    EXPECT_EQ(Read(dump.text).boardCount, 1);
}

TEST_F(DumpTest, WhatTheSimulatorCannotHoldIsSaid) {
    Script s;
    for (uint32_t i = 0; i < 40; ++i) {
        s.lids.push_back(0x100 + i);
        s.boards.push_back(Board(0x100 + i, 5, "B"));
    }
    s.lids[3] = 0x101;  // the LID of entry 2 again
    s.deviceCount = 40;
    const DumpResult dump = Dump(s);
    EXPECT_EQ(dump.notes,
              "list entry 4 repeats the LID 0x101 of entry 2; the simulator lists each LID once\n"
              "7 more boards than the simulator holds (32) are left out\n");
    const SimConfig &c = Read(dump.text);
    EXPECT_EQ(c.boardCount, 32);
    EXPECT_EQ(c.reportedDeviceCount.value, 40);
    EXPECT_EQ(c.boards[3].lid, 0x104u);
}

TEST_F(DumpTest, FailingQueriesKeepWhatTheyWrote) {
    Script s;
    s.deviceCount = 3;
    s.lids = {0x1001, 0x1002, 0x1003};
    ScriptedBoard wrote = Board(0x1001, -1, "WROTE ANYWAY");
    wrote.infoResult = kBadMode;
    ScriptedBoard silent = Board(0x1002, -1, "NOT SEEN");
    silent.infoResult = kBadMode;
    silent.infoWrites = false;
    ScriptedBoard odd = Board(0x1003, -1, "ODD STATUS");
    odd.infoResult = 7;
    odd.infoWrites = false;
    s.boards = {wrote, silent, odd};

    const DumpResult dump = Dump(s);
    EXPECT_NE(dump.text.find("Lid = 0x1001\nName = WROTE ANYWAY\nIdWord = 0x5a210003\nBus = 1\n"
                             "Dev = 2\nSlot = 3\nInfo = fail\nInfoRecord = written\n"
                             "OpenHandle = -1\n"),
              std::string::npos);
    EXPECT_NE(dump.text.find("Lid = 0x1002\nInfo = fail\nOpenHandle = -1\n"), std::string::npos);
    EXPECT_NE(dump.text.find("Lid = 0x1003\nInfo = fail\nOpenHandle = -1\n"), std::string::npos);
    EXPECT_EQ(dump.notes,
              "board 3: ZKT_getInfo returned 7; the simulator's failing query returns "
              "-1073741558\n");
    const SimConfig &c = Read(dump.text);
    EXPECT_TRUE(c.boards[0].infoFails);
    EXPECT_TRUE(c.boards[0].infoWritesOnFailure);
    EXPECT_STREQ(c.boards[0].name, "WROTE ANYWAY");
    EXPECT_TRUE(c.boards[1].infoFails);
    EXPECT_FALSE(c.boards[1].infoWritesOnFailure);
}

// A ZKT_init that fails leaves nothing to list: the library is cleaned up
// at once. A status with warning bits alone is a success, and a list that
// fails after it is only a note of the dump.
TEST_F(DumpTest, AFailedStartListsNothingAndAFailedListIsANote) {
    Script s;
    s.result = kBadMode;
    s.initResult = kBadMode;
    s.deviceCount = 4;
    s.lids = {1, 2};
    Dump(s);
    EXPECT_FALSE(ZktSucceeded(inventory->initResult));
    const std::vector<std::string> failedStart = {"displayMode 0x8f", "init zkt.ini", "cleanup"};
    EXPECT_EQ(CallLog(), failedStart);

    s.initResult = 0x00070000;  // warning bits only
    s.writesCounts = false;
    const DumpResult dump = Dump(s);
    EXPECT_TRUE(ZktSucceeded(inventory->initResult));
    EXPECT_EQ(dump.text,
              "; zkt.ini written by zktdump: the boards that the board access library reported.\n"
              "; ZKT_init returned 458752, count 0.\n"
              "; ZKT_lidList returned -1073741558; the simulator's list returns 0\n");
    EXPECT_EQ(Read(dump.text).boardCount, 0);
    const std::vector<std::string> expectedCalls = {"displayMode 0x8f", "init zkt.ini",
                                                    "lidList cap 64", "cleanup"};
    EXPECT_EQ(CallLog(), expectedCalls);
}

}  // namespace
