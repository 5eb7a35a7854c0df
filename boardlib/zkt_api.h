// Interface of the board access library ZKT: its twelve operations, the
// records they exchange, the control codes and payloads of the synthesizer
// service, and the status words.
//
// Every record here crosses the library boundary, so its bytes are fixed:
// integers 32-bit little-endian, doubles IEEE 754 on a 4-byte boundary with
// no gap before them, text single-byte and NUL-terminated when it fits. The
// checks below pin each size and offset, so a 64-bit Linux build and a
// 32-bit Windows build agree byte for byte.
//
// The header is C99 and C++ alike, so that any program, not only quilmar,
// can be written against the library and run on the simulated boards: the
// constants are macros of a fixed type (0xC000010A fits no C enum), the
// helpers static inline, the operations declared with C linkage.
#ifndef QUILMAR_BOARDLIB_ZKT_API_H
#define QUILMAR_BOARDLIB_ZKT_API_H

#include <stddef.h>
#include <stdint.h>
#ifndef __cplusplus
#include <stdbool.h>
#endif

// A check of the records' layout made by the compiler. C11 and C++ have a
// declaration for it; in C99 an array whose size is negative when the check
// fails does the same, with the compiler's own message naming the line; it
// is a declaration, to be written where declarations stand outside functions.
#if defined(__cplusplus)
#define ZKT_STATIC_ASSERT(condition, message) static_assert(condition, message)
#elif defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
#define ZKT_STATIC_ASSERT(condition, message) _Static_assert(condition, message)
#else
#define ZKT_STATIC_ASSERT_NAME2(line) zkt_static_assert_failed_at_line_##line
#define ZKT_STATIC_ASSERT_NAME(line) ZKT_STATIC_ASSERT_NAME2(line)
#define ZKT_STATIC_ASSERT(condition, message) \
    extern char ZKT_STATIC_ASSERT_NAME(__LINE__)[(condition) ? 1 : -1]
#endif

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
#define ZKT_STATUS_MASK ((uint32_t)0xFFF8FFFFu)

#define ZKTerr_OK ((uint32_t)0x00000000u)
#define ZKTerr_BAD_MODE ((uint32_t)0xC000010Au)
#define ZKTerr_INSUFFICIENT_SERVICES ((uint32_t)0xC000010Bu)
#define ZKTerr_DDS_INVALID_WRRDREG ((uint32_t)0x00001800u)

static inline bool ZktSucceeded(int32_t status) {
    return ((uint32_t)status & ZKT_STATUS_MASK) == 0;
}

// ---------------------------------------------------------------------------
// Fixed values of a run
// ---------------------------------------------------------------------------

#define ZKT_DISPLAY_MODE_MASK ((int32_t)0x8F)
#define ZKT_OPEN_MODE ((int32_t)1)
#define ZKT_CAPTURE_TIMEOUT ((int32_t)10000)

// Capture modes written back by ZKT_capture.
#define ZKT_CAPTURE_EXCLUSIVE ((int32_t)0)
#define ZKT_CAPTURE_SPY ((int32_t)2)

#define ZKT_MAX_LIDS ((int32_t)10)
#define ZKT_MAX_UNITS ((int32_t)5)
#define ZKT_MAX_SERVICES ((int32_t)10)

// ---------------------------------------------------------------------------
// Records of the inventory
// ---------------------------------------------------------------------------

#define ZKT_BOARD_NAME_SIZE ((size_t)136)
#define ZKT_UNIT_DESCRIPTION_SIZE ((size_t)128)
#define ZKT_SERVICE_NAME_SIZE ((size_t)16)

// Offsets not named here belong to the library.
typedef struct BoardInfo {
    uint32_t size;  // the caller stores sizeof(BoardInfo) here
    uint32_t reserved4;
    uint32_t idWord;  // DevID in bits 16..31, RevID in bits 0..7
    char name[ZKT_BOARD_NAME_SIZE];
    int32_t bus;
    int32_t dev;
    int32_t slot;
    uint8_t reserved160[120];
} BoardInfo;
ZKT_STATIC_ASSERT(sizeof(BoardInfo) == 280, "BoardInfo size");
ZKT_STATIC_ASSERT(offsetof(BoardInfo, size) == 0, "BoardInfo.size");
ZKT_STATIC_ASSERT(offsetof(BoardInfo, idWord) == 8, "BoardInfo.idWord");
ZKT_STATIC_ASSERT(offsetof(BoardInfo, name) == 12, "BoardInfo.name");
ZKT_STATIC_ASSERT(offsetof(BoardInfo, bus) == 148, "BoardInfo.bus");
ZKT_STATIC_ASSERT(offsetof(BoardInfo, dev) == 152, "BoardInfo.dev");
ZKT_STATIC_ASSERT(offsetof(BoardInfo, slot) == 156, "BoardInfo.slot");

typedef struct PuItem {
    int32_t id;
    uint32_t code;
    uint32_t attr;
    char description[ZKT_UNIT_DESCRIPTION_SIZE];
} PuItem;
ZKT_STATIC_ASSERT(sizeof(PuItem) == 140, "PuItem size");
ZKT_STATIC_ASSERT(offsetof(PuItem, id) == 0, "PuItem.id");
ZKT_STATIC_ASSERT(offsetof(PuItem, code) == 4, "PuItem.code");
ZKT_STATIC_ASSERT(offsetof(PuItem, attr) == 8, "PuItem.attr");
ZKT_STATIC_ASSERT(offsetof(PuItem, description) == 12, "PuItem.description");

typedef struct ServiceItem {
    char name[ZKT_SERVICE_NAME_SIZE];
    uint32_t attr;
} ServiceItem;
ZKT_STATIC_ASSERT(sizeof(ServiceItem) == 20, "ServiceItem size");
ZKT_STATIC_ASSERT(offsetof(ServiceItem, name) == 0, "ServiceItem.name");
ZKT_STATIC_ASSERT(offsetof(ServiceItem, attr) == 16, "ServiceItem.attr");

// ---------------------------------------------------------------------------
// Control codes and payloads of the synthesizer service
// ---------------------------------------------------------------------------

#define ZKTctrl_DDS_SETMASTER ((int32_t)0x1800)
#define ZKTctrl_DDS_SETCLKMODE ((int32_t)0x1802)
#define ZKTctrl_DDS_SETOUTFREQ ((int32_t)0x1804)
// Sent after ZKTctrl_DDS_SETOUTFREQ with the same payload; it has no name of
// its own in the library's documentation.
#define ZKTctrl_DDS_OUTFREQ_1805 ((int32_t)0x1805)
#define ZKTctrl_DDS_START ((int32_t)0x1806)  // payload: none (null)
#define ZKTctrl_DDS_SETSTBMODE ((int32_t)0x1808)
#define ZKTctrl_DDS_SETSTARTMODE ((int32_t)0x180C)
#define ZKTctrl_CMPSC_SET ((int32_t)0x0900)

// Doubles sit on 4-byte boundaries in these payloads; pack(4) gives the same
// layout on every compiler and word size.
#pragma pack(push, 4)

typedef struct MasterParam {
    int32_t master;
} MasterParam;

typedef struct ClockModeParam {
    int32_t src;
    double value;
} ClockModeParam;

typedef struct OutFreqParam {
    double frequency;
    int32_t word2;
    int32_t word3;
} OutFreqParam;

typedef struct StartModeParam {
    int32_t startSrc;
    int32_t startInv;
    int32_t word3;
    int32_t word4;
    int32_t word5;
    int32_t word6;
} StartModeParam;

typedef struct ComparatorParam {
    int32_t src;
    double thr[2];
} ComparatorParam;

typedef struct StrobeModeParam {
    int32_t LengthStb;
    int32_t PolarityStb;
    int32_t DelayStb;
    int32_t PeriodStb;
    int32_t NumberStb;
    int32_t ContStb;
} StrobeModeParam;

#pragma pack(pop)

ZKT_STATIC_ASSERT(sizeof(double) == 8, "IEEE 754 double");
ZKT_STATIC_ASSERT(sizeof(MasterParam) == 4, "MasterParam size");
ZKT_STATIC_ASSERT(offsetof(MasterParam, master) == 0, "MasterParam.master");
ZKT_STATIC_ASSERT(sizeof(ClockModeParam) == 12, "ClockModeParam size");
ZKT_STATIC_ASSERT(offsetof(ClockModeParam, src) == 0, "ClockModeParam.src");
ZKT_STATIC_ASSERT(offsetof(ClockModeParam, value) == 4, "ClockModeParam.value");
ZKT_STATIC_ASSERT(sizeof(OutFreqParam) == 16, "OutFreqParam size");
ZKT_STATIC_ASSERT(offsetof(OutFreqParam, frequency) == 0, "OutFreqParam.frequency");
ZKT_STATIC_ASSERT(offsetof(OutFreqParam, word2) == 8, "OutFreqParam.word2");
ZKT_STATIC_ASSERT(offsetof(OutFreqParam, word3) == 12, "OutFreqParam.word3");
ZKT_STATIC_ASSERT(sizeof(StartModeParam) == 24, "StartModeParam size");
ZKT_STATIC_ASSERT(offsetof(StartModeParam, startSrc) == 0, "StartModeParam.startSrc");
ZKT_STATIC_ASSERT(offsetof(StartModeParam, startInv) == 4, "StartModeParam.startInv");
ZKT_STATIC_ASSERT(offsetof(StartModeParam, word3) == 8, "StartModeParam.word3");
ZKT_STATIC_ASSERT(offsetof(StartModeParam, word6) == 20, "StartModeParam.word6");
ZKT_STATIC_ASSERT(sizeof(ComparatorParam) == 20, "ComparatorParam size");
ZKT_STATIC_ASSERT(offsetof(ComparatorParam, src) == 0, "ComparatorParam.src");
ZKT_STATIC_ASSERT(offsetof(ComparatorParam, thr) == 4, "ComparatorParam.thr");
ZKT_STATIC_ASSERT(sizeof(StrobeModeParam) == 24, "StrobeModeParam size");
ZKT_STATIC_ASSERT(offsetof(StrobeModeParam, LengthStb) == 0, "StrobeModeParam.LengthStb");
ZKT_STATIC_ASSERT(offsetof(StrobeModeParam, PolarityStb) == 4, "StrobeModeParam.PolarityStb");
ZKT_STATIC_ASSERT(offsetof(StrobeModeParam, DelayStb) == 8, "StrobeModeParam.DelayStb");
ZKT_STATIC_ASSERT(offsetof(StrobeModeParam, PeriodStb) == 12, "StrobeModeParam.PeriodStb");
ZKT_STATIC_ASSERT(offsetof(StrobeModeParam, NumberStb) == 16, "StrobeModeParam.NumberStb");
ZKT_STATIC_ASSERT(offsetof(StrobeModeParam, ContStb) == 20, "StrobeModeParam.ContStb");

// How many entries of a list a caller may read: the count the library
// reported, but none for a negative count and never more than the capacity
// passed (the library fills at most that many).
static inline int32_t ZktEntriesHeld(int32_t reported, int32_t capacity) {
    if (reported < 0) return 0;
    return reported < capacity ? reported : capacity;
}

// Size of a control code's payload record: > 0 for a record, 0 for a code
// that takes none (start), -1 for a code this interface does not define.
// Whoever shows or checks a payload (the simulator's model, the call trace)
// sizes it here.
static inline int32_t ZktPayloadSize(int32_t code) {
    switch (code) {
        case ZKTctrl_DDS_SETMASTER: return (int32_t)sizeof(MasterParam);
        case ZKTctrl_DDS_SETCLKMODE: return (int32_t)sizeof(ClockModeParam);
        case ZKTctrl_DDS_SETOUTFREQ:
        case ZKTctrl_DDS_OUTFREQ_1805: return (int32_t)sizeof(OutFreqParam);
        case ZKTctrl_DDS_START: return 0;
        case ZKTctrl_DDS_SETSTBMODE: return (int32_t)sizeof(StrobeModeParam);
        case ZKTctrl_DDS_SETSTARTMODE: return (int32_t)sizeof(StartModeParam);
        case ZKTctrl_CMPSC_SET: return (int32_t)sizeof(ComparatorParam);
        default: return -1;
    }
}

// ---------------------------------------------------------------------------
// Operations
// ---------------------------------------------------------------------------

#ifdef __cplusplus
extern "C" {
#endif

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

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // QUILMAR_BOARDLIB_ZKT_API_H
