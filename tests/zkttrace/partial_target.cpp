// A board access library that lacks ZKT_ctrl: the tracing proxy must refuse
// it as a whole rather than forward eleven operations. Its operations only
// say that they were reached, which must never happen.
#include <cstdio>
#include <cstdlib>

#include "boardlib/zkt_api.h"

namespace {

int32_t Reached(const char *name) {
    std::fprintf(stderr, "partial target: %s reached\n", name);
    std::abort();
}

}  // namespace

int32_t ZKT_CALL ZKT_displayMode(int32_t) { return Reached("ZKT_displayMode"); }
int32_t ZKT_CALL ZKT_init(const char *, int32_t *) { return Reached("ZKT_init"); }
int32_t ZKT_CALL ZKT_lidList(uint32_t *, int32_t, int32_t *) { return Reached("ZKT_lidList"); }
int32_t ZKT_CALL ZKT_getInfo(uint32_t, BoardInfo *) { return Reached("ZKT_getInfo"); }
int32_t ZKT_CALL ZKT_open(uint32_t, int32_t, void *) { return Reached("ZKT_open"); }
int32_t ZKT_CALL ZKT_puList(int32_t, PuItem *, int32_t, int32_t *) { return Reached("ZKT_puList"); }
int32_t ZKT_CALL ZKT_serviceList(int32_t, int32_t, ServiceItem *, int32_t, int32_t *) {
    return Reached("ZKT_serviceList");
}
int32_t ZKT_CALL ZKT_capture(int32_t, int32_t, int32_t *, const char *, int32_t) {
    return Reached("ZKT_capture");
}
int32_t ZKT_CALL ZKT_release(int32_t, int32_t) { return Reached("ZKT_release"); }
int32_t ZKT_CALL ZKT_close(int32_t) { return Reached("ZKT_close"); }
int32_t ZKT_CALL ZKT_cleanup(void) { return Reached("ZKT_cleanup"); }
