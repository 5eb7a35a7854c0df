/* zkt_api.h as a program in another language includes it: compiled as C99,
   C11 and C++17 by header_languages.cmake, which fails on any warning. The
   constants must keep the types quilmar's comparisons and printf formats
   rely on, and a layout check that fails must stop the compiler in every
   language (ZKT_HEADER_CHECK_FAILS). */
#include "boardlib/zkt_api.h"

#if defined(__cplusplus)
#include <type_traits>
#define HAS_TYPE(expr, type) \
    static_assert(std::is_same<decltype(expr), type>::value, #expr " is not " #type)
#elif defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
#define HAS_TYPE(expr, type) _Static_assert(_Generic((expr), type : 1, default : 0), #expr)
#else
#define HAS_TYPE(expr, type) ZKT_STATIC_ASSERT(sizeof(expr) == sizeof(type), #expr)
#endif

HAS_TYPE(ZKT_STATUS_MASK, uint32_t);
HAS_TYPE(ZKTerr_OK, uint32_t);
HAS_TYPE(ZKTerr_BAD_MODE, uint32_t);
HAS_TYPE(ZKTerr_INSUFFICIENT_SERVICES, uint32_t);
HAS_TYPE(ZKTerr_DDS_INVALID_WRRDREG, uint32_t);
HAS_TYPE(ZKT_DISPLAY_MODE_MASK, int32_t);
HAS_TYPE(ZKT_OPEN_MODE, int32_t);
HAS_TYPE(ZKT_CAPTURE_TIMEOUT, int32_t);
HAS_TYPE(ZKT_CAPTURE_EXCLUSIVE, int32_t);
HAS_TYPE(ZKT_CAPTURE_SPY, int32_t);
HAS_TYPE(ZKT_MAX_LIDS, int32_t);
HAS_TYPE(ZKT_MAX_UNITS, int32_t);
HAS_TYPE(ZKT_MAX_SERVICES, int32_t);
HAS_TYPE(ZKT_BOARD_NAME_SIZE, size_t);
HAS_TYPE(ZKT_UNIT_DESCRIPTION_SIZE, size_t);
HAS_TYPE(ZKT_SERVICE_NAME_SIZE, size_t);
HAS_TYPE(ZKTctrl_DDS_SETMASTER, int32_t);
HAS_TYPE(ZKTctrl_DDS_SETCLKMODE, int32_t);
HAS_TYPE(ZKTctrl_DDS_SETOUTFREQ, int32_t);
HAS_TYPE(ZKTctrl_DDS_OUTFREQ_1805, int32_t);
HAS_TYPE(ZKTctrl_DDS_START, int32_t);
HAS_TYPE(ZKTctrl_DDS_SETSTBMODE, int32_t);
HAS_TYPE(ZKTctrl_DDS_SETSTARTMODE, int32_t);
HAS_TYPE(ZKTctrl_CMPSC_SET, int32_t);

/* The constants are constant expressions: array sizes and case labels. */
typedef char BoardName[ZKT_BOARD_NAME_SIZE];
ZKT_STATIC_ASSERT(sizeof(BoardName) == sizeof(((BoardInfo *)0)->name), "name size");

int header_languages_use(int32_t code);
int header_languages_use(int32_t code) {
    BoardInfo info;
    switch (code) {
        case ZKTctrl_DDS_START: return ZktPayloadSize(code);
        default: break;
    }
    info.size = (uint32_t)sizeof info;
    return ZktSucceeded((int32_t)ZKTerr_BAD_MODE) ? -1 : ZktEntriesHeld((int32_t)info.size, 1);
}

#if defined(ZKT_HEADER_CHECK_FAILS)
ZKT_STATIC_ASSERT(sizeof(BoardInfo) == 281, "a failed layout check stops the compiler");
#endif
