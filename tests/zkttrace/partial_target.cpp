// A board access library of four operations only, ZKT_init, ZKT_lidList,
// ZKT_getInfo and ZKT_cleanup, as a lab's own small library may be: two
// boards that cannot be opened. The tracing proxy in front of it must serve
// a program that calls those four as the library itself does, and answer
// an operation it lacks with ZKTerr_BAD_MODE, that one alone.
#include <cstdio>

#include "boardlib/zkt_api.h"

namespace {

constexpr int32_t kBoards = 2;

}  // namespace

int32_t ZKT_CALL ZKT_init(const char *, int32_t *count) {
    if (count != nullptr) *count = kBoards;
    return 0;
}

int32_t ZKT_CALL ZKT_lidList(uint32_t *lids, int32_t capacity, int32_t *count) {
    for (int32_t i = 0; i < kBoards && i < capacity; ++i)
        lids[i] = 0x2001u + static_cast<uint32_t>(i);
    *count = kBoards;
    return 0;
}

int32_t ZKT_CALL ZKT_getInfo(uint32_t lid, BoardInfo *info) {
    info->idWord = 0x12340001u;
    std::snprintf(info->name, sizeof info->name, "PART-%x", lid);
    info->bus = 1;
    info->dev = static_cast<int32_t>(lid & 0xFu);
    info->slot = 0;
    return 0;
}

int32_t ZKT_CALL ZKT_cleanup(void) { return 0; }
