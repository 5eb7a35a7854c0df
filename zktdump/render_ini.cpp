#include "zktdump/render_ini.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "zktdump/text_value.h"
#include "zktini/zkt_ini_limits.h"

namespace {

const int32_t kBadMode = static_cast<int32_t>(ZKTerr_BAD_MODE);

void Appendf(std::string *out, const char *format, ...) {
    char line[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    out->append(line);
}

bool AllZero(const void *bytes, size_t size) {
    const unsigned char *p = static_cast<const unsigned char *>(bytes);
    return std::all_of(p, p + size, [](unsigned char byte) { return byte == 0; });
}

// Whether the library wrote anything quilmar shows into the cleared record.
bool InfoWritten(const BoardInfo &info) {
    return info.idWord != 0 || info.bus != 0 || info.dev != 0 || info.slot != 0 ||
           !AllZero(info.name, sizeof info.name);
}

// A list entry that answers as an unknown LID does in the simulator: a LID
// of 0 (an entry the library did not write keeps the 0 it was cleared to),
// a query that fails without writing, an open refused as misuse.
bool AnswersAsUnknown(const DumpDevice &d) {
    return d.lid == 0 && d.infoResult == kBadMode && !InfoWritten(d.info) &&
           d.openResult == kBadMode;
}

struct Renderer {
    const Inventory *inventory;
    std::string body;
    std::string notes;
};

// Entries the library held beyond what it wrote read as cleared ones: they
// go out as the count alone, and the simulator leaves them as the caller
// cleared them.
// At most limit of the kept entries (units, services) go out: a note says
// that the rest are left out.
template <typename Item, size_t held>
int32_t EntriesKept(Renderer &r, int32_t board, const Item (&items)[held], int32_t count,
                    int32_t limit, const char *what) {
    int32_t kept = ZktEntriesHeld(count, static_cast<int32_t>(held));
    while (kept > 0 && AllZero(&items[kept - 1], sizeof(Item))) --kept;
    if (kept <= limit) return kept;
    Appendf(&r.notes, "board %d: %d %s; the simulator holds %d, the rest are left out\n",
            static_cast<int>(board), static_cast<int>(kept), what, static_cast<int>(limit));
    return limit;
}

// The count a list's entries do not tell, and a list call's result other
// than the simulator's.
void RenderListEnd(Renderer &r, int32_t board, const char *countKey, int32_t count, int32_t kept,
                   const char *call, int32_t result) {
    if (count != kept) Appendf(&r.body, "%s = %d\n", countKey, count);
    if (result != 0) {
        Appendf(&r.notes, "board %d: %s returned %d; the simulator's list returns 0\n",
                static_cast<int>(board), call, result);
    }
}

void RenderUnits(Renderer &r, int32_t board, const DumpDevice &d) {
    const int32_t kept = EntriesKept(r, board, d.units, d.unitCount, kZktIniMaxUnits, "units");
    for (int32_t j = 0; j < kept; ++j) {
        const PuItem &unit = d.units[j];
        Appendf(&r.body, "Unit = %d, 0x%x, 0x%x,", unit.id, unit.code, unit.attr);
        if (unit.description[0] != '\0') {
            r.body.push_back(' ');
            AppendTextValue(&r.body, unit.description, sizeof unit.description, kTextToLineEnd);
        }
        r.body.push_back('\n');
    }
    RenderListEnd(r, board, "UnitCount", d.unitCount, kept, "ZKT_puList", d.unitResult);
}

void RenderServices(Renderer &r, int32_t board, const DumpDevice &d) {
    const int32_t kept =
        EntriesKept(r, board, d.services, d.serviceCount, kZktIniMaxServices, "services");
    for (int32_t k = 0; k < kept; ++k) {
        const ServiceItem &service = d.services[k];
        r.body.append("Service = ");
        AppendTextValue(&r.body, service.name, sizeof service.name, kTextBeforeComma);
        Appendf(&r.body, ", 0x%x\n", service.attr);
    }
    RenderListEnd(r, board, "ServiceCount", d.serviceCount, kept, "ZKT_serviceList",
                  d.serviceResult);
}

void RenderBoard(Renderer &r, int32_t board, const DumpDevice &d) {
    Appendf(&r.body, "\n[Board]\nLid = 0x%x\n", d.lid);
    const bool infoFails = d.infoResult != 0;
    // A failed query that wrote nothing leaves the caller's cleared record,
    // which the simulator's failing query leaves too.
    if (!infoFails || InfoWritten(d.info)) {
        r.body.append(d.info.name[0] != '\0' ? "Name = " : "Name =");
        AppendTextValue(&r.body, d.info.name, sizeof d.info.name, kTextToLineEnd);
        Appendf(&r.body, "\nIdWord = 0x%08x\nBus = %d\nDev = %d\nSlot = %d\n", d.info.idWord,
                d.info.bus, d.info.dev, d.info.slot);
    }
    if (infoFails) {
        r.body.append("Info = fail\n");
        if (InfoWritten(d.info)) r.body.append("InfoRecord = written\n");
        if (d.infoResult != kBadMode) {
            Appendf(&r.notes,
                    "board %d: ZKT_getInfo returned %d; the simulator's failing query returns %d\n",
                    static_cast<int>(board), d.infoResult, kBadMode);
        }
    }
    // A handle above 0 is the simulator's own: a configured one could
    // collide with another board's.
    if (d.openResult <= 0) {
        Appendf(&r.body, "OpenHandle = %d\n", d.openResult);
        return;
    }
    RenderUnits(r, board, d);
    RenderServices(r, board, d);
}

// The simulator lists its boards' LIDs in order and reports DeviceCount; a
// caller's entries past the boards keep the 0 it cleared them to. So the
// boards are the entries up to the last one that does not answer as such a
// cleared entry, each LID once.
void RenderBoards(Renderer &r) {
    const Inventory &inv = *r.inventory;
    int32_t listed = inv.devicesVisited;
    bool unknownTrimmed = false;
    while (listed > 0 && inv.devices[listed - 1].lid == 0) {
        const bool unknown = AnswersAsUnknown(inv.devices[listed - 1]);
        const bool zeroLidBefore = std::any_of(inv.devices, inv.devices + listed - 1,
                                               [](const DumpDevice &d) { return d.lid == 0; });
        if (!unknown && !zeroLidBefore) break;
        unknownTrimmed = unknownTrimmed || unknown;
        --listed;
    }

    int32_t boards[kZktIniMaxBoards];
    int32_t boardCount = 0;
    int32_t leftOut = 0;
    bool zeroLidBoard = false;
    for (int32_t i = 0; i < listed; ++i) {
        const DumpDevice &d = inv.devices[i];
        const int32_t *earlier = std::find_if(
            boards, boards + boardCount, [&](int32_t b) { return inv.devices[b].lid == d.lid; });
        if (earlier != boards + boardCount) {
            Appendf(&r.notes,
                    "list entry %d repeats the LID 0x%x of entry %d; the simulator lists each LID "
                    "once\n",
                    static_cast<int>(i + 1), d.lid, static_cast<int>(*earlier + 1));
            continue;
        }
        if (boardCount == kZktIniMaxBoards) {
            ++leftOut;
            continue;
        }
        boards[boardCount++] = i;
        zeroLidBoard = zeroLidBoard || (d.lid == 0 && !AnswersAsUnknown(d));
    }
    if (leftOut > 0) {
        Appendf(&r.notes, "%d more boards than the simulator holds (%d) are left out\n",
                static_cast<int>(leftOut), static_cast<int>(kZktIniMaxBoards));
    }
    if (zeroLidBoard && unknownTrimmed) {
        Appendf(&r.notes,
                "list entries %d to %d answer as unknown LIDs; in the simulator they reach the "
                "board of LID 0\n",
                static_cast<int>(listed + 1), static_cast<int>(inv.devicesVisited));
    }
    if (inv.deviceCount > kDumpMaxDevices) {
        Appendf(&r.notes, "the library reported %d devices; the first %d were read\n",
                static_cast<int>(inv.deviceCount), static_cast<int>(kDumpMaxDevices));
    }
    if (inv.listResult != 0) {
        Appendf(&r.notes, "ZKT_lidList returned %d; the simulator's list returns 0\n",
                static_cast<int>(inv.listResult));
    }

    if (inv.deviceCount != boardCount) {
        Appendf(&r.body, "\n[Library]\nDeviceCount = %d\n", inv.deviceCount);
    }
    for (int32_t b = 0; b < boardCount; ++b) RenderBoard(r, b + 1, inv.devices[boards[b]]);
}

}  // namespace

void AppendPrefixedLines(std::string *out, const char *prefix, const std::string &lines) {
    for (size_t at = 0; at < lines.size();) {
        const size_t end = lines.find('\n', at);
        out->append(prefix);
        out->append(lines, at, end - at + 1);
        at = end + 1;
    }
}

void RenderZktIni(const Inventory &inventory, std::string *text, std::string *notes) {
    Renderer r{&inventory, {}, {}};
    RenderBoards(r);

    text->clear();
    text->append(
        "; zkt.ini written by zktdump: the boards that the board access library "
        "reported.\n");
    Appendf(text, "; ZKT_init returned %d, count %d.\n", inventory.initResult, inventory.initCount);
    text->append(inventory.formLine);
    AppendPrefixedLines(text, "; ", r.notes);
    text->append(r.body);
    *notes = r.notes;
}
