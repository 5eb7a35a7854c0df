#include "calltrace/call_record.h"

#include <cstdarg>
#include <cstdio>

#include "textesc/text_escape.h"

namespace {

// Formatted text, whole: the pieces are short, but none is ever cut.
void Add(std::string *out, const char *format, ...) {
    char piece[256];
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int written = std::vsnprintf(piece, sizeof piece, format, args);
    va_end(args);
    if (written > 0 && static_cast<size_t>(written) < sizeof piece) {
        out->append(piece, static_cast<size_t>(written));
    } else if (written > 0) {
        std::string whole(static_cast<size_t>(written) + 1, '\0');
        std::vsnprintf(&whole[0], whole.size(), format, again);
        out->append(whole.c_str());
    }
    va_end(again);
}

// Text of at most maxLength bytes (up to a NUL) in its escaped form, whole.
void AddQuoted(std::string *out, const char *text, size_t maxLength) {
    std::string escaped(4 * maxLength + 3, '\0');
    EscapeQuoted(text, maxLength, &escaped[0], escaped.size());
    out->append(escaped.c_str());
}

void AddHex(std::string *out, const std::string &bytes) {
    static const char kDigits[] = "0123456789abcdef";
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out->push_back(kDigits[b >> 4]);
        out->push_back(kDigits[b & 0x0F]);
    }
}

const char *IfNull(bool isNull, const char *text) { return isNull ? text : ""; }

void AddPayload(std::string *out, const CallRecord &r) {
    switch (r.payloadForm) {
        case kPayloadNull: out->append("null"); break;
        case kPayloadNonNull: out->append("nonnull"); break;
        case kPayloadUnknownSize: out->append("(unknown size)"); break;
        case kPayloadBytes: AddHex(out, r.payloadSent); break;
    }
}

void AddLids(std::string *out, const CallRecord &r) {
    out->append(", lids=[");
    for (size_t i = 0; i < r.lids.size(); ++i) Add(out, i == 0 ? "0x%x" : ", 0x%x", r.lids[i]);
    out->append("]");
}

void AddUnits(std::string *out, const CallRecord &r) {
    out->append(", units=[");
    for (size_t i = 0; i < r.units.size(); ++i) {
        const PuItem &u = r.units[i];
        Add(out, "%s{id=%d, code=0x%x, attr=0x%x, description=", i == 0 ? "" : ", ", u.id, u.code,
            u.attr);
        AddQuoted(out, u.description, sizeof u.description);
        out->append("}");
    }
    out->append("]");
}

void AddServices(std::string *out, const CallRecord &r) {
    out->append(", services=[");
    for (size_t i = 0; i < r.services.size(); ++i) {
        const ServiceItem &s = r.services[i];
        out->append(i == 0 ? "{name=" : ", {name=");
        AddQuoted(out, s.name, sizeof s.name);
        Add(out, ", attr=0x%x}", s.attr);
    }
    out->append("]");
}

void AddInfo(std::string *out, const BoardInfo &info) {
    Add(out, ", info={idWord=0x%x, name=", info.idWord);
    AddQuoted(out, info.name, sizeof info.name);
    Add(out, ", bus=%d, dev=%d, slot=%d}", info.bus, info.dev, info.slot);
}

}  // namespace

void CallRecordStart(CallRecord *record, CallOperation operation) {
    *record = CallRecord{};
    record->operation = operation;
}

bool CallRecordShowsCount(const CallRecord &r) {
    switch (r.operation) {
        case kCallInit:
        case kCallLidList:
        case kCallPuList:
        case kCallServiceList: return r.result == 0 && !r.countNull;
        default: return false;
    }
}

size_t CallRecordListEntries(const CallRecord &r) {
    if (r.operation == kCallInit || !CallRecordShowsCount(r) || r.listNull) return 0;
    const int32_t held = ZktEntriesHeld(r.count, r.capacity);
    return held > 0 ? static_cast<size_t>(held) : 0;
}

void CallRecordAppendCall(const CallRecord &r, std::string *out) {
    switch (r.operation) {
        case kCallDisplayMode:
            Add(out, "ZKT_displayMode(mode=0x%x)", static_cast<uint32_t>(r.mode));
            break;
        case kCallInit:
            out->append("ZKT_init(configFile=");
            if (r.textNull) {
                out->append("null");
            } else {
                AddQuoted(out, r.text.c_str(), kCallShownPathBytes);
            }
            Add(out, "%s)", IfNull(r.countNull, ", count=null"));
            break;
        case kCallLidList:
            Add(out, "ZKT_lidList(%scapacity=%d%s)", IfNull(r.listNull, "lids=null, "), r.capacity,
                IfNull(r.countNull, ", count=null"));
            break;
        case kCallGetInfo:
            if (r.infoNull) {
                Add(out, "ZKT_getInfo(lid=0x%x, info=null)", r.lid);
            } else {
                Add(out, "ZKT_getInfo(lid=0x%x, size=%u)", r.lid, r.infoSize);
            }
            break;
        case kCallOpen:
            Add(out, "ZKT_open(lid=0x%x, mode=%d, reserved=%s)", r.lid, r.mode,
                r.reservedNonNull ? "nonnull" : "null");
            break;
        case kCallPuList:
            Add(out, "ZKT_puList(device=%d, %scapacity=%d%s)", r.device,
                IfNull(r.listNull, "items=null, "), r.capacity,
                IfNull(r.countNull, ", count=null"));
            break;
        case kCallServiceList:
            Add(out, "ZKT_serviceList(device=%d, reserved=%d, %scapacity=%d%s)", r.device,
                r.reserved, IfNull(r.listNull, "items=null, "), r.capacity,
                IfNull(r.countNull, ", count=null"));
            break;
        case kCallCapture:
            Add(out, "ZKT_capture(device=%d, reserved=%d, mode=", r.device, r.reserved);
            if (r.modeNull) {
                out->append("null");
            } else {
                Add(out, "%d", r.mode);
            }
            out->append(", name=");
            if (r.textNull) {
                out->append("null");
            } else {
                AddQuoted(out, r.text.c_str(), ZKT_SERVICE_NAME_SIZE);
            }
            Add(out, ", timeout=%d)", r.timeout);
            break;
        case kCallCtrl:
            Add(out, "ZKT_ctrl(service=%d, reserved=%d, code=0x%x, payload=", r.service, r.reserved,
                static_cast<uint32_t>(r.code));
            AddPayload(out, r);
            out->append(")");
            break;
        case kCallRelease:
            Add(out, "ZKT_release(service=%d, reserved=%d)", r.service, r.reserved);
            break;
        case kCallClose: Add(out, "ZKT_close(device=%d)", r.device); break;
        case kCallCleanup: out->append("ZKT_cleanup()"); break;
    }
}

void CallRecordAppendResult(const CallRecord &r, std::string *out) {
    if (r.operation == kCallCtrl) {
        Add(out, " = 0x%08x", static_cast<uint32_t>(r.result));
        if (r.payloadForm == kPayloadBytes) {
            out->append(", payload=");
            AddHex(out, r.payloadBack);
        }
        return;
    }
    Add(out, " = %d", r.result);
    if (CallRecordShowsCount(r)) Add(out, ", count=%d", r.count);
    if (CallRecordShowsCount(r) && !r.listNull) {
        if (r.operation == kCallLidList) AddLids(out, r);
        if (r.operation == kCallPuList) AddUnits(out, r);
        if (r.operation == kCallServiceList) AddServices(out, r);
    }
    if (r.operation == kCallGetInfo && r.infoShown) AddInfo(out, r.info);
    if (r.operation == kCallCapture && !r.modeNull) Add(out, ", mode=%d", r.modeBack);
}
