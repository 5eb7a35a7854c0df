// Interface of the board access library ZKT: its twelve operations, the
// records they exchange, the control codes and payloads of the synthesizer
// service, and the status words.
//
// Every record here crosses the library boundary, so its bytes are fixed:
// integers 32-bit little-endian, doubles IEEE 754 on a 4-byte boundary with
// no gap before them, text single-byte and NUL-terminated when it fits. The
// static_asserts pin each size and offset, so a 64-bit Linux build and a
// 32-bit Windows build agree byte for byte.
#ifndef QUILMAR_BOARDLIB_ZKT_API_H
#define QUILMAR_BOARDLIB_ZKT_API_H

#include <cstddef>
#include <cstdint>

// The build defines ZKT_API for the library itself (export attribute); users
// of the library see plain declarations and link through the import library
// or the shared object.
#ifndef ZKT_API
#define ZKT_API
#endif

// The calling convention of the twelve operations: empty (the compiler's
// default, cdecl) unless the build sets it, for example to __stdcall, to
// match a 32-bit library that passes arguments that way. Everything that
// declares, defines or calls the operations goes through this one macro.
#ifndef ZKT_CALL
#define ZKT_CALL
#endif

// ---------------------------------------------------------------------------
// Status words
// ---------------------------------------------------------------------------

// Bits 16 to 18 of a status carry no verdict (warnings); a command succeeded
// when every other bit is clear.
constexpr uint32_t ZKT_STATUS_MASK = 0xFFF8FFFFu;

constexpr uint32_t ZKTerr_OK = 0x00000000u;
constexpr uint32_t ZKTerr_BAD_MODE = 0xC000010Au;
constexpr uint32_t ZKTerr_INSUFFICIENT_SERVICES = 0xC000010Bu;
constexpr uint32_t ZKTerr_DDS_INVALID_WRRDREG = 0x00001800u;

inline bool ZktSucceeded(int32_t status) {
    return (static_cast<uint32_t>(status) & ZKT_STATUS_MASK) == 0;
}

// ---------------------------------------------------------------------------
// Fixed values of a run
// ---------------------------------------------------------------------------

constexpr int32_t ZKT_DISPLAY_MODE_MASK = 0x8F;
constexpr int32_t ZKT_OPEN_MODE = 1;
constexpr int32_t ZKT_CAPTURE_TIMEOUT = 10000;

// Capture modes written back by ZKT_capture.
constexpr int32_t ZKT_CAPTURE_EXCLUSIVE = 0;
constexpr int32_t ZKT_CAPTURE_SPY = 2;

constexpr int32_t ZKT_MAX_LIDS = 10;
constexpr int32_t ZKT_MAX_UNITS = 5;
constexpr int32_t ZKT_MAX_SERVICES = 10;

// ---------------------------------------------------------------------------
// Records of the inventory
// ---------------------------------------------------------------------------

constexpr size_t ZKT_BOARD_NAME_SIZE = 136;
constexpr size_t ZKT_UNIT_DESCRIPTION_SIZE = 128;
constexpr size_t ZKT_SERVICE_NAME_SIZE = 16;

// Offsets not named here belong to the library.
struct BoardInfo {
    uint32_t size;  // the caller stores sizeof(BoardInfo) here
    uint32_t reserved4;
    uint32_t idWord;  // DevID in bits 16..31, RevID in bits 0..7
    char name[ZKT_BOARD_NAME_SIZE];
    int32_t bus;
    int32_t dev;
    int32_t slot;
    uint8_t reserved160[120];
};
static_assert(sizeof(BoardInfo) == 280, "BoardInfo size");
static_assert(offsetof(BoardInfo, size) == 0, "BoardInfo.size");
static_assert(offsetof(BoardInfo, idWord) == 8, "BoardInfo.idWord");
static_assert(offsetof(BoardInfo, name) == 12, "BoardInfo.name");
static_assert(offsetof(BoardInfo, bus) == 148, "BoardInfo.bus");
static_assert(offsetof(BoardInfo, dev) == 152, "BoardInfo.dev");
static_assert(offsetof(BoardInfo, slot) == 156, "BoardInfo.slot");

struct PuItem {
    int32_t id;
    uint32_t code;
    uint32_t attr;
    char description[ZKT_UNIT_DESCRIPTION_SIZE];
};
static_assert(sizeof(PuItem) == 140, "PuItem size");
static_assert(offsetof(PuItem, id) == 0, "PuItem.id");
static_assert(offsetof(PuItem, code) == 4, "PuItem.code");
static_assert(offsetof(PuItem, attr) == 8, "PuItem.attr");
static_assert(offsetof(PuItem, description) == 12, "PuItem.description");

struct ServiceItem {
    char name[ZKT_SERVICE_NAME_SIZE];
    uint32_t attr;
};
static_assert(sizeof(ServiceItem) == 20, "ServiceItem size");
static_assert(offsetof(ServiceItem, name) == 0, "ServiceItem.name");
static_assert(offsetof(ServiceItem, attr) == 16, "ServiceItem.attr");

// ---------------------------------------------------------------------------
// Control codes and payloads of the synthesizer service
// ---------------------------------------------------------------------------

constexpr int32_t ZKTctrl_DDS_SETMASTER = 0x1800;
constexpr int32_t ZKTctrl_DDS_SETCLKMODE = 0x1802;
constexpr int32_t ZKTctrl_DDS_SETOUTFREQ = 0x1804;
// Sent after ZKTctrl_DDS_SETOUTFREQ with the same payload; it has no name of
// its own in the library's documentation.
constexpr int32_t ZKTctrl_DDS_OUTFREQ_1805 = 0x1805;
constexpr int32_t ZKTctrl_DDS_START = 0x1806;  // payload: none (null)
constexpr int32_t ZKTctrl_DDS_SETSTBMODE = 0x1808;
constexpr int32_t ZKTctrl_DDS_SETSTARTMODE = 0x180C;
constexpr int32_t ZKTctrl_CMPSC_SET = 0x0900;

// Doubles sit on 4-byte boundaries in these payloads; pack(4) gives the same
// layout on every compiler and word size.
#pragma pack(push, 4)

struct MasterParam {
    int32_t master;
};

struct ClockModeParam {
    int32_t src;
    double value;
};

struct OutFreqParam {
    double frequency;
    int32_t word2;
    int32_t word3;
};

struct StartModeParam {
    int32_t startSrc;
    int32_t startInv;
    int32_t word3;
    int32_t word4;
    int32_t word5;
    int32_t word6;
};

struct ComparatorParam {
    int32_t src;
    double thr[2];
};

struct StrobeModeParam {
    int32_t LengthStb;
    int32_t PolarityStb;
    int32_t DelayStb;
    int32_t PeriodStb;
    int32_t NumberStb;
    int32_t ContStb;
};

#pragma pack(pop)

static_assert(sizeof(double) == 8, "IEEE 754 double");
static_assert(sizeof(MasterParam) == 4, "MasterParam size");
static_assert(offsetof(MasterParam, master) == 0, "MasterParam.master");
static_assert(sizeof(ClockModeParam) == 12, "ClockModeParam size");
static_assert(offsetof(ClockModeParam, src) == 0, "ClockModeParam.src");
static_assert(offsetof(ClockModeParam, value) == 4, "ClockModeParam.value");
static_assert(sizeof(OutFreqParam) == 16, "OutFreqParam size");
static_assert(offsetof(OutFreqParam, frequency) == 0, "OutFreqParam.frequency");
static_assert(offsetof(OutFreqParam, word2) == 8, "OutFreqParam.word2");
static_assert(offsetof(OutFreqParam, word3) == 12, "OutFreqParam.word3");
static_assert(sizeof(StartModeParam) == 24, "StartModeParam size");
static_assert(offsetof(StartModeParam, startSrc) == 0, "StartModeParam.startSrc");
static_assert(offsetof(StartModeParam, startInv) == 4, "StartModeParam.startInv");
static_assert(offsetof(StartModeParam, word3) == 8, "StartModeParam.word3");
static_assert(offsetof(StartModeParam, word6) == 20, "StartModeParam.word6");
static_assert(sizeof(ComparatorParam) == 20, "ComparatorParam size");
static_assert(offsetof(ComparatorParam, src) == 0, "ComparatorParam.src");
static_assert(offsetof(ComparatorParam, thr) == 4, "ComparatorParam.thr");
static_assert(sizeof(StrobeModeParam) == 24, "StrobeModeParam size");
static_assert(offsetof(StrobeModeParam, LengthStb) == 0, "StrobeModeParam.LengthStb");
static_assert(offsetof(StrobeModeParam, PolarityStb) == 4, "StrobeModeParam.PolarityStb");
static_assert(offsetof(StrobeModeParam, DelayStb) == 8, "StrobeModeParam.DelayStb");
static_assert(offsetof(StrobeModeParam, PeriodStb) == 12, "StrobeModeParam.PeriodStb");
static_assert(offsetof(StrobeModeParam, NumberStb) == 16, "StrobeModeParam.NumberStb");
static_assert(offsetof(StrobeModeParam, ContStb) == 20, "StrobeModeParam.ContStb");

// How many entries of a list a caller may read: the count the library
// reported, but none for a negative count and never more than the capacity
// passed (the library fills at most that many).
inline int32_t ZktEntriesHeld(int32_t reported, int32_t capacity) {
    if (reported < 0) return 0;
    return reported < capacity ? reported : capacity;
}

// Size of a control code's payload record: > 0 for a record, 0 for a code
// that takes none (start), -1 for a code this interface does not define.
// Whoever shows or checks a payload (the simulator's model, the call trace)
// sizes it here.
inline int32_t ZktPayloadSize(int32_t code) {
    switch (code) {
        case ZKTctrl_DDS_SETMASTER: return static_cast<int32_t>(sizeof(MasterParam));
        case ZKTctrl_DDS_SETCLKMODE: return static_cast<int32_t>(sizeof(ClockModeParam));
        case ZKTctrl_DDS_SETOUTFREQ:
        case ZKTctrl_DDS_OUTFREQ_1805: return static_cast<int32_t>(sizeof(OutFreqParam));
        case ZKTctrl_DDS_START: return 0;
        case ZKTctrl_DDS_SETSTBMODE: return static_cast<int32_t>(sizeof(StrobeModeParam));
        case ZKTctrl_DDS_SETSTARTMODE: return static_cast<int32_t>(sizeof(StartModeParam));
        case ZKTctrl_CMPSC_SET: return static_cast<int32_t>(sizeof(ComparatorParam));
        default: return -1;
    }
}

// ---------------------------------------------------------------------------
// Operations
// ---------------------------------------------------------------------------

extern "C" {

ZKT_API int32_t ZKT_CALL ZKT_displayMode(int32_t mode);
ZKT_API int32_t ZKT_CALL ZKT_init(const char *configFile, int32_t *count);
ZKT_API int32_t ZKT_CALL ZKT_lidList(uint32_t *lids, int32_t capacity, int32_t *count);
ZKT_API int32_t ZKT_CALL ZKT_getInfo(uint32_t lid, BoardInfo *info);
ZKT_API int32_t ZKT_CALL ZKT_open(uint32_t lid, int32_t mode, void *reserved);
ZKT_API int32_t ZKT_CALL ZKT_puList(int32_t device, PuItem *items, int32_t capacity,
                                    int32_t *count);
ZKT_API int32_t ZKT_CALL ZKT_serviceList(int32_t device, int32_t reserved, ServiceItem *items,
                                         int32_t capacity, int32_t *count);
ZKT_API int32_t ZKT_CALL ZKT_capture(int32_t device, int32_t reserved, int32_t *mode,
                                     const char *name, int32_t timeout);
ZKT_API int32_t ZKT_CALL ZKT_ctrl(int32_t service, int32_t reserved, int32_t code, void *payload);
ZKT_API int32_t ZKT_CALL ZKT_release(int32_t service, int32_t reserved);
ZKT_API int32_t ZKT_CALL ZKT_close(int32_t device);
ZKT_API int32_t ZKT_CALL ZKT_cleanup(void);

}  // extern "C"

#endif  // QUILMAR_BOARDLIB_ZKT_API_H
