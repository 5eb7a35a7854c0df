#include "zkttrace/trace_target.h"

#include <cstring>

namespace {

// A looked-up address becomes a pointer to a function by copying its bytes,
// which every system that hands out symbols as object pointers allows.
template <typename Function>
bool Fill(Function *slot, TraceLookup lookup, void *context, const char *name) {
    void *address = lookup(context, name);
    static_assert(sizeof address == sizeof *slot, "function and object pointers differ in size");
    std::memcpy(slot, &address, sizeof address);
    return address != nullptr;
}

}  // namespace

const char *FillTraceTarget(TraceTarget *target, TraceLookup lookup, void *context) {
    if (!Fill(&target->displayMode, lookup, context, "ZKT_displayMode")) return "ZKT_displayMode";
    if (!Fill(&target->init, lookup, context, "ZKT_init")) return "ZKT_init";
    if (!Fill(&target->lidList, lookup, context, "ZKT_lidList")) return "ZKT_lidList";
    if (!Fill(&target->getInfo, lookup, context, "ZKT_getInfo")) return "ZKT_getInfo";
    if (!Fill(&target->open, lookup, context, "ZKT_open")) return "ZKT_open";
    if (!Fill(&target->puList, lookup, context, "ZKT_puList")) return "ZKT_puList";
    if (!Fill(&target->serviceList, lookup, context, "ZKT_serviceList")) return "ZKT_serviceList";
    if (!Fill(&target->capture, lookup, context, "ZKT_capture")) return "ZKT_capture";
    if (!Fill(&target->ctrl, lookup, context, "ZKT_ctrl")) return "ZKT_ctrl";
    if (!Fill(&target->release, lookup, context, "ZKT_release")) return "ZKT_release";
    if (!Fill(&target->close, lookup, context, "ZKT_close")) return "ZKT_close";
    if (!Fill(&target->cleanup, lookup, context, "ZKT_cleanup")) return "ZKT_cleanup";
    return nullptr;
}
