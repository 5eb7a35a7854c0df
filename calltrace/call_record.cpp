#include "calltrace/call_record.h"

#include <cstring>

#include "textesc/text_escape.h"

namespace {

// Numbers are appended by hand rather than through printf: a replay reads
// and rewrites every line of its recording, and printf's cost showed.
void Decimal(std::string *out, uint32_t value) {
    char digits[10];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    char text[10];
    for (int i = 0; i < n; ++i) text[i] = digits[n - 1 - i];
    out->append(text, static_cast<size_t>(n));
}

// "0x", then at least minimum lower-case hex digits.
void Hex(std::string *out, uint32_t value, int minimum) {
    static const char kDigits[] = "0123456789abcdef";
    char text[10] = {'0', 'x'};
    int n = 1;
    while (n < 8 && (value >> (4 * n)) != 0) ++n;
    if (n < minimum) n = minimum;
    for (int i = 0; i < n; ++i) text[2 + i] = kDigits[(value >> (4 * (n - 1 - i))) & 0x0F];
    out->append(text, static_cast<size_t>(n) + 2);
}

// %d
void Dec(std::string *out, int32_t value) {
    if (value < 0) out->push_back('-');
    Decimal(out, value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value));
}

// %u
void Unsigned(std::string *out, uint32_t value) { Decimal(out, value); }

// 0x%x
void Word(std::string *out, uint32_t value) { Hex(out, value, 1); }

// 0x%08x
void Status(std::string *out, uint32_t value) { Hex(out, value, 8); }

// Text of at most maxLength bytes (up to a NUL) in its escaped form, whole.
void AddQuoted(std::string *out, const char *text, size_t maxLength) {
    char escaped[4 * kCallShownPathBytes + 3];
    EscapeQuoted(text, maxLength, escaped, sizeof escaped);
    out->append(escaped);
}

void AddHex(std::string *out, const std::string &bytes) {
    static const char kDigits[] = "0123456789abcdef";
    size_t at = out->size();
    out->resize(at + 2 * bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        (*out)[at++] = kDigits[b >> 4];
        (*out)[at++] = kDigits[b & 0x0F];
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

// "[lids=null, |items=null, ]capacity=N[, count=null])"
void AddListArguments(std::string *out, const CallRecord &r, const char *listNull) {
    out->append(IfNull(r.listNull, listNull));
    out->append("capacity=");
    Dec(out, r.capacity);
    out->append(IfNull(r.countNull, ", count=null"));
    out->append(")");
}

void AddLids(std::string *out, const CallRecord &r) {
    out->append(", lids=[");
    for (size_t i = 0; i < r.lids.size(); ++i) {
        if (i > 0) out->append(", ");
        Word(out, r.lids[i]);
    }
    out->append("]");
}

void AddUnits(std::string *out, const CallRecord &r) {
    out->append(", units=[");
    for (size_t i = 0; i < r.units.size(); ++i) {
        const PuItem &u = r.units[i];
        out->append(i == 0 ? "{id=" : ", {id=");
        Dec(out, u.id);
        out->append(", code=");
        Word(out, u.code);
        out->append(", attr=");
        Word(out, u.attr);
        out->append(", description=");
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
        out->append(", attr=");
        Word(out, s.attr);
        out->append("}");
    }
    out->append("]");
}

void AddInfo(std::string *out, const BoardInfo &info) {
    out->append(", info={idWord=");
    Word(out, info.idWord);
    out->append(", name=");
    AddQuoted(out, info.name, sizeof info.name);
    out->append(", bus=");
    Dec(out, info.bus);
    out->append(", dev=");
    Dec(out, info.dev);
    out->append(", slot=");
    Dec(out, info.slot);
    out->append("}");
}

}  // namespace

// Field by field: the strings and lists keep their storage for the next use.
void CallRecordStart(CallRecord *record, CallOperation operation) {
    CallRecord &r = *record;
    r.operation = operation;
    r.mode = 0;
    r.lid = 0;
    r.device = 0;
    r.service = 0;
    r.reserved = 0;
    r.capacity = 0;
    r.timeout = 0;
    r.code = 0;
    r.infoSize = 0;
    r.textNull = false;
    r.text.clear();
    r.listNull = false;
    r.countNull = false;
    r.infoNull = false;
    r.reservedNonNull = false;
    r.modeNull = false;
    r.payloadForm = kPayloadNull;
    r.payloadSent.clear();
    r.result = 0;
    r.count = 0;
    r.modeBack = 0;
    r.lids.clear();
    r.units.clear();
    r.services.clear();
    r.infoShown = false;
    std::memset(&r.info, 0, sizeof r.info);
    r.payloadBack.clear();
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
            out->append("ZKT_displayMode(mode=");
            Word(out, static_cast<uint32_t>(r.mode));
            out->append(")");
            break;
        case kCallInit:
            out->append("ZKT_init(configFile=");
            if (r.textNull) {
                out->append("null");
            } else {
                AddQuoted(out, r.text.c_str(), kCallShownPathBytes);
            }
            out->append(IfNull(r.countNull, ", count=null"));
            out->append(")");
            break;
        case kCallLidList:
            out->append("ZKT_lidList(");
            AddListArguments(out, r, "lids=null, ");
            break;
        case kCallGetInfo:
            out->append("ZKT_getInfo(lid=");
            Word(out, r.lid);
            if (r.infoNull) {
                out->append(", info=null)");
            } else {
                out->append(", size=");
                Unsigned(out, r.infoSize);
                out->append(")");
            }
            break;
        case kCallOpen:
            out->append("ZKT_open(lid=");
            Word(out, r.lid);
            out->append(", mode=");
            Dec(out, r.mode);
            out->append(r.reservedNonNull ? ", reserved=nonnull)" : ", reserved=null)");
            break;
        case kCallPuList:
            out->append("ZKT_puList(device=");
            Dec(out, r.device);
            out->append(", ");
            AddListArguments(out, r, "items=null, ");
            break;
        case kCallServiceList:
            out->append("ZKT_serviceList(device=");
            Dec(out, r.device);
            out->append(", reserved=");
            Dec(out, r.reserved);
            out->append(", ");
            AddListArguments(out, r, "items=null, ");
            break;
        case kCallCapture:
            out->append("ZKT_capture(device=");
            Dec(out, r.device);
            out->append(", reserved=");
            Dec(out, r.reserved);
            out->append(", mode=");
            if (r.modeNull) {
                out->append("null");
            } else {
                Dec(out, r.mode);
            }
            out->append(", name=");
            if (r.textNull) {
                out->append("null");
            } else {
                AddQuoted(out, r.text.c_str(), ZKT_SERVICE_NAME_SIZE);
            }
            out->append(", timeout=");
            Dec(out, r.timeout);
            out->append(")");
            break;
        case kCallCtrl:
            out->append("ZKT_ctrl(service=");
            Dec(out, r.service);
            out->append(", reserved=");
            Dec(out, r.reserved);
            out->append(", code=");
            Word(out, static_cast<uint32_t>(r.code));
            out->append(", payload=");
            AddPayload(out, r);
            out->append(")");
            break;
        case kCallRelease:
            out->append("ZKT_release(service=");
            Dec(out, r.service);
            out->append(", reserved=");
            Dec(out, r.reserved);
            out->append(")");
            break;
        case kCallClose:
            out->append("ZKT_close(device=");
            Dec(out, r.device);
            out->append(")");
            break;
        case kCallCleanup: out->append("ZKT_cleanup()"); break;
    }
}

void CallRecordAppendResult(const CallRecord &r, std::string *out) {
    if (r.operation == kCallCtrl) {
        out->append(" = ");
        Status(out, static_cast<uint32_t>(r.result));
        if (r.payloadForm == kPayloadBytes) {
            out->append(", payload=");
            AddHex(out, r.payloadBack);
        }
        return;
    }
    out->append(" = ");
    Dec(out, r.result);
    if (CallRecordShowsCount(r)) {
        out->append(", count=");
        Dec(out, r.count);
    }
    if (CallRecordShowsCount(r) && !r.listNull) {
        if (r.operation == kCallLidList) AddLids(out, r);
        if (r.operation == kCallPuList) AddUnits(out, r);
        if (r.operation == kCallServiceList) AddServices(out, r);
    }
    if (r.operation == kCallGetInfo && r.infoShown) AddInfo(out, r.info);
    if (r.operation == kCallCapture && !r.modeNull) {
        out->append(", mode=");
        Dec(out, r.modeBack);
    }
}
