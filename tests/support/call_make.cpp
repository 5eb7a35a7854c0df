#include "tests/support/call_make.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "boardlib/zkt_api.h"

namespace {

// A heap buffer of exactly n elements (at least one byte, so that a
// pointer the recording shows as not null is not null).
template <typename T>
std::vector<unsigned char> Buffer(int32_t n) {
    const size_t count = n > 0 ? static_cast<size_t>(n) : 0;
    std::vector<unsigned char> bytes(count * sizeof(T) + (count == 0 ? 1 : 0), kCallMakeFill);
    return bytes;
}

}  // namespace

int32_t CallMake(const CallRecord &c) {
    int32_t count = kCallMakeCount;
    int32_t *countPointer = c.countNull ? nullptr : &count;
    switch (c.operation) {
        case kZktDisplayMode: return ZKT_displayMode(c.mode);
        case kZktInit: return ZKT_init(c.textNull ? nullptr : c.text.c_str(), countPointer);
        case kZktLidList: {
            std::vector<unsigned char> lids = Buffer<uint32_t>(c.capacity);
            return ZKT_lidList(c.listNull ? nullptr : reinterpret_cast<uint32_t *>(lids.data()),
                               c.capacity, countPointer);
        }
        case kZktGetInfo: {
            BoardInfo *info = static_cast<BoardInfo *>(std::malloc(sizeof(BoardInfo)));
            std::memset(info, kCallMakeFill, sizeof *info);
            info->size = c.infoSize;
            const int32_t result = ZKT_getInfo(c.lid, c.infoNull ? nullptr : info);
            std::free(info);
            return result;
        }
        case kZktOpen: {
            int reserved = 0;
            return ZKT_open(c.lid, c.mode, c.reservedNonNull ? &reserved : nullptr);
        }
        case kZktPuList: {
            std::vector<unsigned char> items = Buffer<PuItem>(c.capacity);
            return ZKT_puList(c.device,
                              c.listNull ? nullptr : reinterpret_cast<PuItem *>(items.data()),
                              c.capacity, countPointer);
        }
        case kZktServiceList: {
            std::vector<unsigned char> items = Buffer<ServiceItem>(c.capacity);
            return ZKT_serviceList(
                c.device, c.reserved,
                c.listNull ? nullptr : reinterpret_cast<ServiceItem *>(items.data()), c.capacity,
                countPointer);
        }
        case kZktCapture: {
            int32_t mode = c.mode;
            return ZKT_capture(c.device, c.reserved, c.modeNull ? nullptr : &mode,
                               c.textNull ? nullptr : c.text.c_str(), c.timeout);
        }
        case kZktCtrl: {
            // The record's own bytes and not one more, so that a library
            // reading or writing past the code's record is caught.
            std::vector<unsigned char> payload =
                Buffer<char>(static_cast<int32_t>(c.payloadSent.size()));
            std::memcpy(payload.data(), c.payloadSent.data(), c.payloadSent.size());
            return ZKT_ctrl(c.service, c.reserved, c.code,
                            c.payloadForm == kPayloadNull ? nullptr : payload.data());
        }
        case kZktRelease: return ZKT_release(c.service, c.reserved);
        case kZktClose: return ZKT_close(c.device);
        case kZktCleanup: return ZKT_cleanup();
        case kZktOperationCount: break;
    }
    return 0;
}
