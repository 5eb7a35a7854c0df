// Both directions of the trace line, side by side: for every piece of a line
// its writer (Put...) and its reader (Take...), and for every operation the
// writer and the reader of its call part, one pair after the other. The
// reader takes each piece only in the writer's own spelling (no leading
// zeros, lower-case hex, the one escaped form of a text), so a line the
// writer would not make byte for byte is not a trace line.
//
// Numbers are put by hand rather than through printf, and a line is read
// once and not written again to compare: a replay reads every line of its
// recording and writes every line of its run, and both costs showed.
#include "calltrace/call_record.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "boardlib/zkt_names.h"
#include "textesc/text_escape.h"

namespace {

// ---------------------------------------------------------------------------
// Pieces of a line
// ---------------------------------------------------------------------------

struct Cursor {
    const char *at;
    const char *end;
    bool ok;
};

// A literal. The literals are string constants: their length is known where
// they are written, not counted at every line.
template <size_t N>
void Put(std::string *out, const char (&literal)[N]) {
    out->append(literal, N - 1);
}

template <size_t N>
bool TakeIf(Cursor *c, const char (&literal)[N]) {
    const size_t n = N - 1;
    if (!c->ok || static_cast<size_t>(c->end - c->at) < n || std::memcmp(c->at, literal, n) != 0) {
        return false;
    }
    c->at += n;
    return true;
}

template <size_t N>
void Take(Cursor *c, const char (&literal)[N]) {
    if (!TakeIf(c, literal)) c->ok = false;
}

// A literal that stands only where a flag is set.
template <size_t N>
void PutIf(std::string *out, bool flag, const char (&literal)[N]) {
    if (flag) Put(out, literal);
}

// The value of each byte as a lower-case hex digit, -1 for every other
// byte: one look-up per digit, since a recording is mostly payload digits.
struct HexDigitTable {
    signed char value[256];
};

constexpr HexDigitTable MakeHexDigitTable() {
    HexDigitTable table{};
    for (int i = 0; i < 256; ++i) table.value[i] = -1;
    for (int i = 0; i < 10; ++i) table.value['0' + i] = static_cast<signed char>(i);
    for (int i = 0; i < 6; ++i) table.value['a' + i] = static_cast<signed char>(10 + i);
    return table;
}

constexpr HexDigitTable kHexDigits = MakeHexDigitTable();
const char kHexDigitChars[] = "0123456789abcdef";

int HexValue(char ch) { return kHexDigits.value[static_cast<unsigned char>(ch)]; }

bool IsHexDigit(char ch) { return HexValue(ch) >= 0; }

// %u
void PutUnsigned(std::string *out, uint32_t value) {
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

// Up to 11 decimal digits, at least one, none leading zero unless alone;
// false (and the line refused) otherwise. No digit is read past the end.
bool TakeDigits(Cursor *c, uint64_t *value) {
    const char *first = c->at;
    uint64_t v = 0;
    while (c->at < c->end && *c->at >= '0' && *c->at <= '9' && c->at - first < 11) {
        v = v * 10 + static_cast<uint64_t>(*c->at - '0');
        ++c->at;
    }
    if (c->at == first || (*first == '0' && c->at - first > 1)) {
        c->ok = false;
        return false;
    }
    *value = v;
    return true;
}

void TakeUnsigned(Cursor *c, uint32_t *value) {
    uint64_t v = 0;
    if (!c->ok || !TakeDigits(c, &v)) return;
    if (v > UINT32_MAX) {
        c->ok = false;
        return;
    }
    *value = static_cast<uint32_t>(v);
}

// %d
void PutSigned(std::string *out, int32_t value) {
    if (value < 0) out->push_back('-');
    PutUnsigned(out, value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value));
}

void TakeSigned(Cursor *c, int32_t *value) {
    if (!c->ok) return;
    const bool negative = TakeIf(c, "-");
    uint64_t v = 0;
    if (!TakeDigits(c, &v)) return;
    const int64_t signedValue = negative ? -static_cast<int64_t>(v) : static_cast<int64_t>(v);
    // "-0" is no spelling of the writer's.
    if ((negative && v == 0) || signedValue < INT32_MIN || signedValue > INT32_MAX) {
        c->ok = false;
        return;
    }
    *value = static_cast<int32_t>(signedValue);
}

// "0x", then at least minimum lower-case hex digits of a 32-bit word, no
// leading zero beyond those.
void PutHexWord(std::string *out, uint32_t value, int minimum) {
    char text[10] = {'0', 'x'};
    int n = 1;
    while (n < 8 && (value >> (4 * n)) != 0) ++n;
    if (n < minimum) n = minimum;
    for (int i = 0; i < n; ++i) text[2 + i] = kHexDigitChars[(value >> (4 * (n - 1 - i))) & 0x0F];
    out->append(text, static_cast<size_t>(n) + 2);
}

void TakeHexWord(Cursor *c, uint32_t *value, int minimum) {
    Take(c, "0x");
    if (!c->ok) return;
    uint64_t v = 0;
    const char *first = c->at;
    while (c->at < c->end && IsHexDigit(*c->at) && c->at - first < 9) {
        v = v * 16 + static_cast<uint64_t>(HexValue(*c->at));
        ++c->at;
    }
    const std::ptrdiff_t length = c->at - first;
    if (length < minimum || (length > minimum && *first == '0') || v > UINT32_MAX) {
        c->ok = false;
        return;
    }
    *value = static_cast<uint32_t>(v);
}

// 0x%x, of an unsigned and of a signed word.
void PutWord(std::string *out, uint32_t value) { PutHexWord(out, value, 1); }
void TakeWord(Cursor *c, uint32_t *value) { TakeHexWord(c, value, 1); }

void PutSignedWord(std::string *out, int32_t value) { PutWord(out, static_cast<uint32_t>(value)); }
void TakeSignedWord(Cursor *c, int32_t *value) {
    uint32_t word = 0;
    TakeWord(c, &word);
    *value = static_cast<int32_t>(word);
}

// A status: 0x%08x.
void PutStatus(std::string *out, int32_t value) {
    PutHexWord(out, static_cast<uint32_t>(value), 8);
}
void TakeStatus(Cursor *c, int32_t *value) {
    uint32_t word = 0;
    TakeHexWord(c, &word, 8);
    *value = static_cast<int32_t>(word);
}

// Bytes as lower-case hex digits, two per byte in memory order.
void PutHexBytes(std::string *out, const std::string &bytes) {
    size_t at = out->size();
    out->resize(at + 2 * bytes.size());
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        (*out)[at++] = kHexDigitChars[b >> 4];
        (*out)[at++] = kHexDigitChars[b & 0x0F];
    }
}

// Exactly size bytes.
void TakeHexBytes(Cursor *c, size_t size, std::string *bytes) {
    if (!c->ok) return;
    if (static_cast<size_t>(c->end - c->at) / 2 < size) {
        c->ok = false;
        return;
    }
    bytes->resize(size);
    for (size_t i = 0; i < size; ++i) {
        const int high = HexValue(c->at[0]);
        const int low = HexValue(c->at[1]);
        if (high < 0 || low < 0) {
            c->ok = false;
            return;
        }
        (*bytes)[i] = static_cast<char>(high * 16 + low);
        c->at += 2;
    }
}

// A text of at most maxLength bytes (up to a NUL) in its escaped form, whole.
void PutQuoted(std::string *out, const char *text, size_t maxLength) {
    char escaped[4 * kCallShownPathBytes + 3];
    EscapeQuoted(text, maxLength, escaped, sizeof escaped);
    out->append(escaped);
}

// The text into field (fieldSize bytes, the rest zero), or into text when
// field is null. Only the one escaped form the writer makes is taken:
// printable ASCII as itself, the quote and the backslash after a backslash,
// and every other byte (NUL excepted) as \xNN with lower-case digits.
// Checked here byte by byte rather than by escaping the text again.
void TakeQuotedInto(Cursor *c, size_t maxLength, char *field, size_t fieldSize, std::string *text) {
    if (!c->ok || c->at >= c->end || *c->at != '"') {
        c->ok = false;
        return;
    }
    char bytes[kCallShownPathBytes];
    size_t length = 0;
    const char *at = c->at + 1;
    for (;;) {
        if (at >= c->end) {
            c->ok = false;
            return;
        }
        const auto ch = static_cast<unsigned char>(*at);
        if (ch == '"') break;
        unsigned char byte = ch;
        if (ch == '\\') {
            if (c->end - at >= 2 && (at[1] == '"' || at[1] == '\\')) {
                byte = static_cast<unsigned char>(at[1]);
                at += 2;
            } else if (c->end - at >= 4 && at[1] == 'x' && IsHexDigit(at[2]) && IsHexDigit(at[3])) {
                byte = static_cast<unsigned char>(HexValue(at[2]) * 16 + HexValue(at[3]));
                // The writer spells printable ASCII, the quote and the
                // backslash included, otherwise; and a text holds no NUL.
                if (byte == 0 || (byte >= 0x20 && byte < 0x7F)) {
                    c->ok = false;
                    return;
                }
                at += 4;
            } else {
                c->ok = false;
                return;
            }
        } else if (ch < 0x20 || ch >= 0x7F) {
            c->ok = false;
            return;
        } else {
            ++at;
        }
        if (length == maxLength || length == sizeof bytes) {
            c->ok = false;
            return;
        }
        bytes[length++] = static_cast<char>(byte);
    }
    c->at = at + 1;
    if (field != nullptr) {
        std::memset(field, 0, fieldSize);
        std::memcpy(field, bytes, length);
    } else {
        text->assign(bytes, length);
    }
}

void TakeQuoted(Cursor *c, size_t maxLength, std::string *text) {
    TakeQuotedInto(c, maxLength, nullptr, 0, text);
}

template <size_t N>
void TakeQuotedField(Cursor *c, char (&field)[N]) {
    TakeQuotedInto(c, N, field, N, nullptr);
}

// ---------------------------------------------------------------------------
// Call parts, one pair per operation; the name and "(" are the table's
// ---------------------------------------------------------------------------

void PutDisplayMode(const CallRecord &r, std::string *out) {
    Put(out, "mode=");
    PutSignedWord(out, r.mode);
}
void TakeDisplayMode(Cursor *c, CallRecord *r) {
    Take(c, "mode=");
    TakeSignedWord(c, &r->mode);
}

void PutInit(const CallRecord &r, std::string *out) {
    Put(out, "configFile=");
    if (r.textNull) {
        Put(out, "null");
    } else {
        PutQuoted(out, r.text.c_str(), kCallShownPathBytes);
    }
    PutIf(out, r.countNull, ", count=null");
}
void TakeInit(Cursor *c, CallRecord *r) {
    Take(c, "configFile=");
    r->textNull = TakeIf(c, "null");
    if (!r->textNull) TakeQuoted(c, kCallShownPathBytes, &r->text);
    r->countNull = TakeIf(c, ", count=null");
}

// What the three lists' call parts end in.
void PutListArguments(const CallRecord &r, std::string *out, bool idsList) {
    if (idsList) {
        PutIf(out, r.listNull, "lids=null, ");
    } else {
        PutIf(out, r.listNull, "items=null, ");
    }
    Put(out, "capacity=");
    PutSigned(out, r.capacity);
    PutIf(out, r.countNull, ", count=null");
}
void TakeListArguments(Cursor *c, CallRecord *r, bool idsList) {
    r->listNull = idsList ? TakeIf(c, "lids=null, ") : TakeIf(c, "items=null, ");
    Take(c, "capacity=");
    TakeSigned(c, &r->capacity);
    r->countNull = TakeIf(c, ", count=null");
}

void PutLidList(const CallRecord &r, std::string *out) { PutListArguments(r, out, true); }
void TakeLidList(Cursor *c, CallRecord *r) { TakeListArguments(c, r, true); }

void PutGetInfo(const CallRecord &r, std::string *out) {
    Put(out, "lid=");
    PutWord(out, r.lid);
    if (r.infoNull) {
        Put(out, ", info=null");
    } else {
        Put(out, ", size=");
        PutUnsigned(out, r.infoSize);
    }
}
void TakeGetInfo(Cursor *c, CallRecord *r) {
    Take(c, "lid=");
    TakeWord(c, &r->lid);
    r->infoNull = TakeIf(c, ", info=null");
    if (!r->infoNull) {
        Take(c, ", size=");
        TakeUnsigned(c, &r->infoSize);
    }
}

void PutOpen(const CallRecord &r, std::string *out) {
    Put(out, "lid=");
    PutWord(out, r.lid);
    Put(out, ", mode=");
    PutSigned(out, r.mode);
    Put(out, ", reserved=");
    if (r.reservedNonNull) {
        Put(out, "nonnull");
    } else {
        Put(out, "null");
    }
}
void TakeOpen(Cursor *c, CallRecord *r) {
    Take(c, "lid=");
    TakeWord(c, &r->lid);
    Take(c, ", mode=");
    TakeSigned(c, &r->mode);
    Take(c, ", reserved=");
    r->reservedNonNull = TakeIf(c, "nonnull");
    if (!r->reservedNonNull) Take(c, "null");
}

void PutPuList(const CallRecord &r, std::string *out) {
    Put(out, "device=");
    PutSigned(out, r.device);
    Put(out, ", ");
    PutListArguments(r, out, false);
}
void TakePuList(Cursor *c, CallRecord *r) {
    Take(c, "device=");
    TakeSigned(c, &r->device);
    Take(c, ", ");
    TakeListArguments(c, r, false);
}

void PutServiceList(const CallRecord &r, std::string *out) {
    Put(out, "device=");
    PutSigned(out, r.device);
    Put(out, ", reserved=");
    PutSigned(out, r.reserved);
    Put(out, ", ");
    PutListArguments(r, out, false);
}
void TakeServiceList(Cursor *c, CallRecord *r) {
    Take(c, "device=");
    TakeSigned(c, &r->device);
    Take(c, ", reserved=");
    TakeSigned(c, &r->reserved);
    Take(c, ", ");
    TakeListArguments(c, r, false);
}

void PutCapture(const CallRecord &r, std::string *out) {
    Put(out, "device=");
    PutSigned(out, r.device);
    Put(out, ", reserved=");
    PutSigned(out, r.reserved);
    Put(out, ", mode=");
    if (r.modeNull) {
        Put(out, "null");
    } else {
        PutSigned(out, r.mode);
    }
    Put(out, ", name=");
    if (r.textNull) {
        Put(out, "null");
    } else {
        PutQuoted(out, r.text.c_str(), ZKT_SERVICE_NAME_SIZE);
    }
    Put(out, ", timeout=");
    PutSigned(out, r.timeout);
}
void TakeCapture(Cursor *c, CallRecord *r) {
    Take(c, "device=");
    TakeSigned(c, &r->device);
    Take(c, ", reserved=");
    TakeSigned(c, &r->reserved);
    Take(c, ", mode=");
    r->modeNull = TakeIf(c, "null");
    if (!r->modeNull) TakeSigned(c, &r->mode);
    Take(c, ", name=");
    r->textNull = TakeIf(c, "null");
    if (!r->textNull) TakeQuoted(c, ZKT_SERVICE_NAME_SIZE, &r->text);
    Take(c, ", timeout=");
    TakeSigned(c, &r->timeout);
}

void PutCtrl(const CallRecord &r, std::string *out) {
    Put(out, "service=");
    PutSigned(out, r.service);
    Put(out, ", reserved=");
    PutSigned(out, r.reserved);
    Put(out, ", code=");
    PutSignedWord(out, r.code);
    Put(out, ", payload=");
    switch (r.payloadForm) {
        case kPayloadNull: Put(out, "null"); break;
        case kPayloadNonNull: Put(out, "nonnull"); break;
        case kPayloadUnknownSize: Put(out, "(unknown size)"); break;
        case kPayloadBytes: PutHexBytes(out, r.payloadSent); break;
    }
}
void TakeCtrl(Cursor *c, CallRecord *r) {
    Take(c, "service=");
    TakeSigned(c, &r->service);
    Take(c, ", reserved=");
    TakeSigned(c, &r->reserved);
    Take(c, ", code=");
    TakeSignedWord(c, &r->code);
    Take(c, ", payload=");
    // The form follows from the code, as it does where the line is made.
    const int32_t size = ZktPayloadSize(r->code);
    if (TakeIf(c, "null")) {
        r->payloadForm = kPayloadNull;
    } else if (size > 0) {
        r->payloadForm = kPayloadBytes;
        TakeHexBytes(c, static_cast<size_t>(size), &r->payloadSent);
    } else if (size == 0) {
        r->payloadForm = kPayloadNonNull;
        Take(c, "nonnull");
    } else {
        r->payloadForm = kPayloadUnknownSize;
        Take(c, "(unknown size)");
    }
}

void PutRelease(const CallRecord &r, std::string *out) {
    Put(out, "service=");
    PutSigned(out, r.service);
    Put(out, ", reserved=");
    PutSigned(out, r.reserved);
}
void TakeRelease(Cursor *c, CallRecord *r) {
    Take(c, "service=");
    TakeSigned(c, &r->service);
    Take(c, ", reserved=");
    TakeSigned(c, &r->reserved);
}

void PutClose(const CallRecord &r, std::string *out) {
    Put(out, "device=");
    PutSigned(out, r.device);
}
void TakeClose(Cursor *c, CallRecord *r) {
    Take(c, "device=");
    TakeSigned(c, &r->device);
}

void PutCleanup(const CallRecord &, std::string *) {}
void TakeCleanup(Cursor *, CallRecord *) {}

// Each operation's pair, in ZktOperation order; the names are the
// library's own (kZktOperationNames).
struct CallPartFormat {
    void (*put)(const CallRecord &r, std::string *out);
    void (*take)(Cursor *c, CallRecord *r);
};

const CallPartFormat kCallParts[] = {
#define ZKT_OPERATION(type, name, Name, words, parameters, arguments) {Put##Name, Take##Name},
#include "boardlib/zkt_operations.inc"
};

// "ZKT_name(", the operation's name and the parenthesis.
void TakeCallPart(Cursor *c, CallRecord *r) {
    for (int op = 0; op < kZktOperationCount; ++op) {
        const char *name = kZktOperationNames[op].name;
        const size_t length = std::strlen(name);
        if (static_cast<size_t>(c->end - c->at) > length && std::memcmp(c->at, name, length) == 0 &&
            c->at[length] == '(') {
            c->at += length + 1;
            r->operation = static_cast<ZktOperation>(op);
            kCallParts[op].take(c, r);
            Take(c, ")");
            return;
        }
    }
    c->ok = false;
}

// ---------------------------------------------------------------------------
// Result parts: the lists' entries, the board record, then the whole part
// ---------------------------------------------------------------------------

void PutLids(const CallRecord &r, std::string *out) {
    Put(out, ", lids=[");
    for (size_t i = 0; i < r.lids.size(); ++i) {
        if (i > 0) Put(out, ", ");
        PutWord(out, r.lids[i]);
    }
    Put(out, "]");
}
void TakeLids(Cursor *c, CallRecord *r, size_t entries) {
    Take(c, ", lids=[");
    // Room for the entries at once, but never for more than the rest of the
    // line could hold: a capacity is the caller's number, not a size.
    r->lids.reserve(std::min(entries, static_cast<size_t>(c->end - c->at) / sizeof "0x0"));
    for (size_t i = 0; i < entries && c->ok; ++i) {
        if (i > 0) Take(c, ", ");
        uint32_t lid = 0;
        TakeWord(c, &lid);
        r->lids.push_back(lid);
    }
    Take(c, "]");
}

void PutUnits(const CallRecord &r, std::string *out) {
    Put(out, ", units=[");
    for (size_t i = 0; i < r.units.size(); ++i) {
        const PuItem &u = r.units[i];
        if (i > 0) Put(out, ", ");
        Put(out, "{id=");
        PutSigned(out, u.id);
        Put(out, ", code=");
        PutWord(out, u.code);
        Put(out, ", attr=");
        PutWord(out, u.attr);
        Put(out, ", description=");
        PutQuoted(out, u.description, sizeof u.description);
        Put(out, "}");
    }
    Put(out, "]");
}
void TakeUnits(Cursor *c, CallRecord *r, size_t entries) {
    Take(c, ", units=[");
    r->units.reserve(std::min(entries, static_cast<size_t>(c->end - c->at) /
                                           sizeof "{id=0, code=0x0, attr=0x0, description=\"\"}"));
    for (size_t i = 0; i < entries && c->ok; ++i) {
        PuItem u{};
        if (i > 0) Take(c, ", ");
        Take(c, "{id=");
        TakeSigned(c, &u.id);
        Take(c, ", code=");
        TakeWord(c, &u.code);
        Take(c, ", attr=");
        TakeWord(c, &u.attr);
        Take(c, ", description=");
        TakeQuotedField(c, u.description);
        Take(c, "}");
        r->units.push_back(u);
    }
    Take(c, "]");
}

void PutServices(const CallRecord &r, std::string *out) {
    Put(out, ", services=[");
    for (size_t i = 0; i < r.services.size(); ++i) {
        const ServiceItem &s = r.services[i];
        if (i > 0) Put(out, ", ");
        Put(out, "{name=");
        PutQuoted(out, s.name, sizeof s.name);
        Put(out, ", attr=");
        PutWord(out, s.attr);
        Put(out, "}");
    }
    Put(out, "]");
}
void TakeServices(Cursor *c, CallRecord *r, size_t entries) {
    Take(c, ", services=[");
    r->services.reserve(
        std::min(entries, static_cast<size_t>(c->end - c->at) / sizeof "{name=\"\", attr=0x0}"));
    for (size_t i = 0; i < entries && c->ok; ++i) {
        ServiceItem s{};
        if (i > 0) Take(c, ", ");
        Take(c, "{name=");
        TakeQuotedField(c, s.name);
        Take(c, ", attr=");
        TakeWord(c, &s.attr);
        Take(c, "}");
        r->services.push_back(s);
    }
    Take(c, "]");
}

void PutInfo(const BoardInfo &info, std::string *out) {
    Put(out, ", info={idWord=");
    PutWord(out, info.idWord);
    Put(out, ", name=");
    PutQuoted(out, info.name, sizeof info.name);
    Put(out, ", bus=");
    PutSigned(out, info.bus);
    Put(out, ", dev=");
    PutSigned(out, info.dev);
    Put(out, ", slot=");
    PutSigned(out, info.slot);
    Put(out, "}");
}
void TakeInfo(Cursor *c, BoardInfo *info) {
    // ", info={idWord=" is taken by the caller, which decides on it.
    TakeWord(c, &info->idWord);
    Take(c, ", name=");
    TakeQuotedField(c, info->name);
    Take(c, ", bus=");
    TakeSigned(c, &info->bus);
    Take(c, ", dev=");
    TakeSigned(c, &info->dev);
    Take(c, ", slot=");
    TakeSigned(c, &info->slot);
    Take(c, "}");
}

// The list of record's line, its entries as many as it shows.
void PutList(const CallRecord &r, std::string *out) {
    switch (kCallOutputs[r.operation].list) {
        case kNoList: break;
        case kLidEntries: PutLids(r, out); break;
        case kUnitEntries: PutUnits(r, out); break;
        case kServiceEntries: PutServices(r, out); break;
    }
}
void TakeList(Cursor *c, CallRecord *r) {
    const size_t entries = CallRecordListEntries(*r);
    switch (kCallOutputs[r->operation].list) {
        case kNoList: break;
        case kLidEntries: TakeLids(c, r, entries); break;
        case kUnitEntries: TakeUnits(c, r, entries); break;
        case kServiceEntries: TakeServices(c, r, entries); break;
    }
}

// The result, then each output the row names, as the rules above say when.
void PutResultPart(const CallRecord &r, std::string *out) {
    const CallOutputs &row = kCallOutputs[r.operation];
    Put(out, " = ");
    if (row.status) {
        PutStatus(out, r.result);
    } else {
        PutSigned(out, r.result);
    }
    if (CallRecordShowsCount(r)) {
        Put(out, ", count=");
        PutSigned(out, r.count);
        if (CallRecordShowsList(r)) PutList(r, out);
    }
    if (row.record && r.infoShown) PutInfo(r.info, out);
    if (CallRecordShowsMode(r)) {
        Put(out, ", mode=");
        PutSigned(out, r.modeBack);
    }
    if (CallRecordShowsPayload(r)) {
        Put(out, ", payload=");
        PutHexBytes(out, r.payloadBack);
    }
}
void TakeResultPart(Cursor *c, CallRecord *r) {
    const CallOutputs &row = kCallOutputs[r->operation];
    Take(c, " = ");
    if (row.status) {
        TakeStatus(c, &r->result);
    } else {
        TakeSigned(c, &r->result);
    }
    // A count stands after a success, and after a failure that changed it.
    if (row.count && !r->countNull) {
        if (r->result == 0) {
            Take(c, ", count=");
        } else {
            r->countChanged = TakeIf(c, ", count=");
        }
    }
    if (CallRecordShowsCount(*r)) {
        TakeSigned(c, &r->count);
        if (CallRecordShowsList(*r)) TakeList(c, r);
    }
    // A record stands behind a pointer to one alone: after a success, and
    // after a failure that changed it.
    if (row.record && !r->infoNull) {
        if (r->result == 0) {
            Take(c, ", info={idWord=");
            r->infoShown = true;
        } else {
            r->infoShown = TakeIf(c, ", info={idWord=");
        }
        if (r->infoShown) TakeInfo(c, &r->info);
    }
    if (CallRecordShowsMode(*r)) {
        Take(c, ", mode=");
        TakeSigned(c, &r->modeBack);
    }
    if (CallRecordShowsPayload(*r)) {
        Take(c, ", payload=");
        TakeHexBytes(c, r->payloadSent.size(), &r->payloadBack);
    }
}

// Whether a field the line shows of a board record differs.
bool ShownInfoDiffers(const BoardInfo &a, const BoardInfo &b) {
    return a.idWord != b.idWord || std::memcmp(a.name, b.name, sizeof a.name) != 0 ||
           a.bus != b.bus || a.dev != b.dev || a.slot != b.slot;
}

// The list's entries as many as the line shows, from the caller's list.
template <typename Entry>
void TakeEntries(const void *list, size_t n, std::vector<Entry> *shown) {
    const Entry *entries = static_cast<const Entry *>(list);
    shown->assign(entries, entries + n);
}

// Writes the line's list entries back into the caller's list.
template <typename Entry>
void WriteEntries(const std::vector<Entry> &shown, void *list) {
    Entry *entries = static_cast<Entry *>(list);
    for (size_t i = 0; i < shown.size(); ++i) entries[i] = shown[i];
}

}  // namespace

// Field by field: the strings and lists keep their storage for the next use.
void CallRecordStart(CallRecord *record, ZktOperation operation) {
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
    r.countChanged = false;
    r.modeBack = 0;
    r.lids.clear();
    r.units.clear();
    r.services.clear();
    r.infoShown = false;
    std::memset(&r.info, 0, sizeof r.info);
    r.payloadBack.clear();
}

// One row per operation, in ZktOperation order.
// clang-format off
const CallOutputs kCallOutputs[] = {
    //                 status count  list             record mode   payload
    /* displayMode */ {false, false, kNoList,         false, false, false},
    /* init */        {false, true,  kNoList,         false, false, false},
    /* lidList */     {false, true,  kLidEntries,     false, false, false},
    /* getInfo */     {false, false, kNoList,         true,  false, false},
    /* open */        {false, false, kNoList,         false, false, false},
    /* puList */      {false, true,  kUnitEntries,    false, false, false},
    /* serviceList */ {false, true,  kServiceEntries, false, false, false},
    /* capture */     {false, false, kNoList,         false, true,  false},
    /* ctrl */        {true,  false, kNoList,         false, false, true},
    /* release */     {false, false, kNoList,         false, false, false},
    /* close */       {false, false, kNoList,         false, false, false},
    /* cleanup */     {false, false, kNoList,         false, false, false},
};
// clang-format on
static_assert(sizeof kCallOutputs / sizeof kCallOutputs[0] == kZktOperationCount,
              "one row of outputs per operation");

bool CallRecordShowsCount(const CallRecord &r) {
    return kCallOutputs[r.operation].count && !r.countNull && (r.result == 0 || r.countChanged);
}

bool CallRecordShowsList(const CallRecord &r) {
    return kCallOutputs[r.operation].list != kNoList && CallRecordShowsCount(r) && !r.listNull;
}

size_t CallRecordListEntries(const CallRecord &r) {
    if (!CallRecordShowsList(r)) return 0;
    const int32_t held = ZktEntriesHeld(r.count, r.capacity);
    return held > 0 ? static_cast<size_t>(held) : 0;
}

bool CallRecordShowsMode(const CallRecord &r) {
    return kCallOutputs[r.operation].mode && !r.modeNull;
}

bool CallRecordShowsPayload(const CallRecord &r) {
    return kCallOutputs[r.operation].payload && r.payloadForm == kPayloadBytes;
}

void CallRecordTakeInputs(CallRecord *record, const CallPointers &p) {
    CallRecord &r = *record;
    const CallOutputs &row = kCallOutputs[r.operation];
    if (row.count) r.countNull = p.count == nullptr;
    if (row.list != kNoList) r.listNull = p.list == nullptr;
    if (row.record) {
        r.infoNull = p.info == nullptr;
        if (p.info != nullptr) r.infoSize = p.info->size;
    }
    if (row.mode) {
        r.modeNull = p.mode == nullptr;
        if (p.mode != nullptr) r.mode = *p.mode;
    }
    if (row.payload) {
        // The form follows from the code, as it does where the line is read.
        const int32_t size = ZktPayloadSize(r.code);
        if (p.payload == nullptr) {
            r.payloadForm = kPayloadNull;
        } else if (size < 0) {
            r.payloadForm = kPayloadUnknownSize;
        } else if (size == 0) {
            r.payloadForm = kPayloadNonNull;
        } else {
            r.payloadForm = kPayloadBytes;
            r.payloadSent.assign(static_cast<const char *>(p.payload), static_cast<size_t>(size));
        }
    }
}

void CallRecordNoteEntry(const CallPointers &p, CallEntryState *entry) {
    entry->count = p.count != nullptr ? *p.count : 0;
    if (p.info != nullptr) std::memcpy(&entry->info, p.info, sizeof entry->info);
}

void CallRecordTakeOutputs(CallRecord *record, const CallPointers &p, const CallEntryState &entry) {
    CallRecord &r = *record;
    const CallOutputs &row = kCallOutputs[r.operation];
    if (row.count && p.count != nullptr) {
        r.count = *p.count;
        r.countChanged = *p.count != entry.count;
    }
    const size_t n = CallRecordListEntries(r);
    switch (row.list) {
        case kNoList: break;
        case kLidEntries: TakeEntries(p.list, n, &r.lids); break;
        case kUnitEntries: TakeEntries(p.list, n, &r.units); break;
        case kServiceEntries: TakeEntries(p.list, n, &r.services); break;
    }
    // The record's fields after a success, and after a failure that changed
    // one of them. A replay writes back those fields alone, so a failure
    // that changed only the size or a reserved word shows nothing.
    if (row.record) {
        r.infoShown = p.info != nullptr && (r.result == 0 || ShownInfoDiffers(*p.info, entry.info));
        if (r.infoShown) {
            r.info.idWord = p.info->idWord;
            std::memcpy(r.info.name, p.info->name, sizeof r.info.name);
            r.info.bus = p.info->bus;
            r.info.dev = p.info->dev;
            r.info.slot = p.info->slot;
        }
    }
    if (CallRecordShowsMode(r)) r.modeBack = *p.mode;
    if (CallRecordShowsPayload(r)) {
        r.payloadBack.assign(static_cast<const char *>(p.payload), r.payloadSent.size());
    }
}

void CallRecordWriteBack(const CallRecord &r, const CallPointers &p) {
    if (CallRecordShowsCount(r)) *p.count = r.count;
    switch (kCallOutputs[r.operation].list) {
        case kNoList: break;
        case kLidEntries: WriteEntries(r.lids, p.list); break;
        case kUnitEntries: WriteEntries(r.units, p.list); break;
        case kServiceEntries: WriteEntries(r.services, p.list); break;
    }
    if (r.infoShown) {
        p.info->idWord = r.info.idWord;
        std::memcpy(p.info->name, r.info.name, sizeof p.info->name);
        p.info->bus = r.info.bus;
        p.info->dev = r.info.dev;
        p.info->slot = r.info.slot;
    }
    if (CallRecordShowsMode(r)) *p.mode = r.modeBack;
    if (CallRecordShowsPayload(r)) {
        std::memcpy(p.payload, r.payloadBack.data(), r.payloadBack.size());
    }
}

void CallRecordAppendCall(const CallRecord &r, std::string *out) {
    out->append(kZktOperationNames[r.operation].name);
    out->push_back('(');
    kCallParts[r.operation].put(r, out);
    Put(out, ")");
}

void CallRecordAppendResult(const CallRecord &r, std::string *out) { PutResultPart(r, out); }

bool CallRecordRead(const char *line, size_t length, CallRecord *record, size_t *callLength) {
    CallRecordStart(record, kZktCleanup);
    Cursor c{line, line + length, true};
    TakeCallPart(&c, record);
    const size_t call = static_cast<size_t>(c.at - line);
    TakeResultPart(&c, record);
    if (!c.ok || c.at != c.end) return false;
    *callLength = call;
    return true;
}

bool CallRecordReadCall(const char *text, size_t length, CallRecord *record) {
    CallRecordStart(record, kZktCleanup);
    Cursor c{text, text + length, true};
    TakeCallPart(&c, record);
    return c.ok && c.at == c.end;
}
