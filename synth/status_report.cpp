#include "synth/status_report.h"

#include <cstdio>

#include "boardlib/zkt_api.h"

namespace {

const char *ErrorName(uint32_t maskedStatus) {
    switch (maskedStatus) {
        case ZKTerr_OK: return "ZKTerr_OK";
        case ZKTerr_BAD_MODE: return "ZKTerr_BAD_MODE";
        case ZKTerr_INSUFFICIENT_SERVICES: return "ZKTerr_INSUFFICIENT_SERVICES";
        case ZKTerr_DDS_INVALID_WRRDREG: return "ZKTerr_DDS_INVALID_WRRDREG";
        default: return "Unknown error";
    }
}

}  // namespace

void ReportStatus(const char *commandName, int32_t status) {
    std::printf("%s: %s\n", commandName,
                ErrorName(static_cast<uint32_t>(status) & ZKT_STATUS_MASK));
}
