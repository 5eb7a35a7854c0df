#include "calltrace/call_line.h"

#include <cstdarg>
#include <cstdio>

#include "textesc/text_escape.h"

namespace {

// A config file name is shown up to 256 bytes, its escaped form up to 300.
constexpr size_t kShownPathBytes = 256;
constexpr size_t kShownPathSize = 300;
// Widest payload record, as hex digits and NUL.
constexpr size_t kHexSize = 2 * 64 + 1;

void Start(CallLine *line) {
    line->text[0] = '\0';
    line->length = 0;
}

void Append(CallLine *line, const char *format, ...) {
    const size_t room = sizeof line->text - line->length;
    if (room <= 1) return;
    va_list args;
    va_start(args, format);
    const int written = std::vsnprintf(line->text + line->length, room, format, args);
    va_end(args);
    if (written < 0) {
        line->text[line->length] = '\0';
        return;
    }
    const size_t added = static_cast<size_t>(written);
    line->length += added < room ? added : room - 1;
}

// The text of a pointer argument that is shown only when it is null.
const char *IfNull(const void *pointer, const char *text) { return pointer == nullptr ? text : ""; }

}  // namespace

void CallLineDisplayMode(CallLine *line, int32_t mode) {
    Start(line);
    Append(line, "ZKT_displayMode(mode=0x%x)", static_cast<uint32_t>(mode));
}

void CallLineInit(CallLine *line, const char *configFile, const int32_t *count) {
    char file[kShownPathSize];
    EscapeQuoted(configFile, kShownPathBytes, file, sizeof file);
    Start(line);
    Append(line, "ZKT_init(configFile=%s%s)", file, IfNull(count, ", count=null"));
}

void CallLineLidList(CallLine *line, const uint32_t *lids, int32_t capacity, const int32_t *count) {
    Start(line);
    Append(line, "ZKT_lidList(%scapacity=%d%s)", IfNull(lids, "lids=null, "), capacity,
           IfNull(count, ", count=null"));
}

void CallLineGetInfo(CallLine *line, uint32_t lid, const BoardInfo *info) {
    Start(line);
    if (info == nullptr) {
        Append(line, "ZKT_getInfo(lid=0x%x, info=null)", lid);
    } else {
        Append(line, "ZKT_getInfo(lid=0x%x, size=%u)", lid, info->size);
    }
}

void CallLineOpen(CallLine *line, uint32_t lid, int32_t mode, const void *reserved) {
    Start(line);
    Append(line, "ZKT_open(lid=0x%x, mode=%d, reserved=%s)", lid, mode,
           reserved == nullptr ? "null" : "nonnull");
}

void CallLinePuList(CallLine *line, int32_t device, const PuItem *items, int32_t capacity,
                    const int32_t *count) {
    Start(line);
    Append(line, "ZKT_puList(device=%d, %scapacity=%d%s)", device, IfNull(items, "items=null, "),
           capacity, IfNull(count, ", count=null"));
}

void CallLineServiceList(CallLine *line, int32_t device, int32_t reserved, const ServiceItem *items,
                         int32_t capacity, const int32_t *count) {
    Start(line);
    Append(line, "ZKT_serviceList(device=%d, reserved=%d, %scapacity=%d%s)", device, reserved,
           IfNull(items, "items=null, "), capacity, IfNull(count, ", count=null"));
}

void CallLineCapture(CallLine *line, int32_t device, int32_t reserved, const int32_t *mode,
                     const char *name, int32_t timeout) {
    char modeText[16];
    if (mode == nullptr) {
        std::snprintf(modeText, sizeof modeText, "null");
    } else {
        std::snprintf(modeText, sizeof modeText, "%d", *mode);
    }
    char nameText[4 * ZKT_SERVICE_NAME_SIZE + 3];
    EscapeQuoted(name, ZKT_SERVICE_NAME_SIZE, nameText, sizeof nameText);
    Start(line);
    Append(line, "ZKT_capture(device=%d, reserved=%d, mode=%s, name=%s, timeout=%d)", device,
           reserved, modeText, nameText, timeout);
}

void CallLineCtrl(CallLine *line, int32_t service, int32_t reserved, int32_t code,
                  const void *payload) {
    const int32_t size = ZktPayloadSize(code);
    char shown[kHexSize];
    if (payload == nullptr) {
        std::snprintf(shown, sizeof shown, "null");
    } else if (size < 0) {
        std::snprintf(shown, sizeof shown, "(unknown size)");
    } else if (size == 0) {
        std::snprintf(shown, sizeof shown, "nonnull");
    } else {
        CallTraceHex(payload, static_cast<size_t>(size), shown, sizeof shown);
    }
    Start(line);
    Append(line, "ZKT_ctrl(service=%d, reserved=%d, code=0x%x, payload=%s)", service, reserved,
           static_cast<uint32_t>(code), shown);
}

void CallLineRelease(CallLine *line, int32_t service, int32_t reserved) {
    Start(line);
    Append(line, "ZKT_release(service=%d, reserved=%d)", service, reserved);
}

void CallLineClose(CallLine *line, int32_t device) {
    Start(line);
    Append(line, "ZKT_close(device=%d)", device);
}

void CallLineCleanup(CallLine *line) {
    Start(line);
    Append(line, "ZKT_cleanup()");
}

void CallLineResult(CallLine *line, int32_t result) { Append(line, " = %d", result); }

void CallLineResultCount(CallLine *line, int32_t result, const int32_t *count) {
    Append(line, " = %d", result);
    if (result == 0 && count != nullptr) Append(line, ", count=%d", *count);
}

void CallLineResultMode(CallLine *line, int32_t result, const int32_t *mode) {
    Append(line, " = %d", result);
    if (mode != nullptr) Append(line, ", mode=%d", *mode);
}

void CallLineResultCtrl(CallLine *line, int32_t status, int32_t code, const void *payload) {
    Append(line, " = 0x%08x", static_cast<uint32_t>(status));
    const int32_t size = ZktPayloadSize(code);
    if (payload != nullptr && size > 0) {
        char hex[kHexSize];
        Append(line, ", payload=%s",
               CallTraceHex(payload, static_cast<size_t>(size), hex, sizeof hex));
    }
}

const char *CallTraceHex(const void *bytes, size_t size, char *out, size_t outSize) {
    static const char kDigits[] = "0123456789abcdef";
    const unsigned char *b = static_cast<const unsigned char *>(bytes);
    size_t at = 0;
    for (size_t i = 0; i < size && at + 2 < outSize; ++i) {
        out[at++] = kDigits[b[i] >> 4];
        out[at++] = kDigits[b[i] & 0x0F];
    }
    if (outSize > 0) out[at] = '\0';
    return out;
}
