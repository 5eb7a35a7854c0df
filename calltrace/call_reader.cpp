// The reader of a trace line. It takes the pieces in the order, and under
// the rules, by which the writer puts them, and each piece only in the
// writer's own spelling (no leading zeros, lower-case hex, the one escaped
// form of a text): a line the writer would not make byte for byte is not a
// trace line. Reading a whole recording this way is the cost of starting a
// replay, so the line is read once and not written again to compare.
#include <algorithm>
#include <cstring>
#include <string>

#include "calltrace/call_record.h"

namespace {

struct Cursor {
    const char *at;
    const char *end;
    bool ok;
};

// The literals are string constants: their length is known where they are
// written, not counted at every line.
template <size_t N>
bool Take(Cursor *c, const char (&literal)[N]) {
    const size_t n = N - 1;
    if (!c->ok || static_cast<size_t>(c->end - c->at) < n || std::memcmp(c->at, literal, n) != 0) {
        return false;
    }
    c->at += n;
    return true;
}

template <size_t N>
void Need(Cursor *c, const char (&literal)[N]) {
    if (!Take(c, literal)) c->ok = false;
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

int HexValue(char ch) { return kHexDigits.value[static_cast<unsigned char>(ch)]; }

bool IsHexDigit(char ch) { return HexValue(ch) >= 0; }

// A decimal within 32 signed bits; the writer's spelling is checked later.
void Decimal(Cursor *c, int32_t *value) {
    if (!c->ok) return;
    const bool negative = c->at < c->end && *c->at == '-';
    if (negative) ++c->at;
    int64_t v = 0;
    const char *first = c->at;
    while (c->at < c->end && *c->at >= '0' && *c->at <= '9' && c->at - first < 11) {
        v = v * 10 + (*c->at - '0');
        ++c->at;
    }
    if (negative) v = -v;
    // No digit at all is checked first: first may then be the end of the text.
    if (c->at == first) {
        c->ok = false;
        return;
    }
    const bool canonical = c->at - first == 1 ? !(negative && *first == '0') : *first != '0';
    if (!canonical || v < INT32_MIN || v > INT32_MAX) {
        c->ok = false;
        return;
    }
    *value = static_cast<int32_t>(v);
}

void UnsignedDecimal(Cursor *c, uint32_t *value) {
    if (!c->ok) return;
    uint64_t v = 0;
    const char *first = c->at;
    while (c->at < c->end && *c->at >= '0' && *c->at <= '9' && c->at - first < 11) {
        v = v * 10 + static_cast<uint64_t>(*c->at - '0');
        ++c->at;
    }
    if (c->at == first || (*first == '0' && c->at - first > 1) || v > UINT32_MAX) {
        c->ok = false;
        return;
    }
    *value = static_cast<uint32_t>(v);
}

// "0x" and lower-case hex digits, a 32-bit word: at least digits of them
// and no leading zero beyond those.
void HexWord(Cursor *c, uint32_t *value, int digits) {
    Need(c, "0x");
    if (!c->ok) return;
    uint64_t v = 0;
    const char *first = c->at;
    while (c->at < c->end && IsHexDigit(*c->at) && c->at - first < 9) {
        v = v * 16 + static_cast<uint64_t>(HexValue(*c->at));
        ++c->at;
    }
    const long length = c->at - first;
    if (length < digits || (length > digits && *first == '0') || v > UINT32_MAX) {
        c->ok = false;
        return;
    }
    *value = static_cast<uint32_t>(v);
}

void Word(Cursor *c, uint32_t *value) { HexWord(c, value, 1); }

void SignedWord(Cursor *c, int32_t *value) {
    uint32_t word = 0;
    Word(c, &word);
    *value = static_cast<int32_t>(word);
}

// A status: 0x%08x.
void Status(Cursor *c, int32_t *value) {
    uint32_t word = 0;
    HexWord(c, &word, 8);
    *value = static_cast<int32_t>(word);
}

// Exactly size bytes as lower-case hex digits.
void HexBytes(Cursor *c, size_t size, std::string *bytes) {
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

// Escaped text of at most maxLength bytes into field (fieldSize bytes, the
// rest zero), or into text when field is null. Only the one escaped form
// the writer makes is taken: printable ASCII as itself, the quote and the
// backslash after a backslash, and every other byte (NUL excepted) as \xNN
// with lower-case digits. Checked here byte by byte rather than by escaping
// the text again and comparing.
void Quoted(Cursor *c, size_t maxLength, char *field, size_t fieldSize, std::string *text) {
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

// What follows "device=" in the unit and service lists' call parts.
void ReadListArguments(Cursor *c, CallRecord *r) {
    Decimal(c, &r->device);
    if (r->operation == kCallServiceList) {
        Need(c, ", reserved=");
        Decimal(c, &r->reserved);
    }
    Need(c, ", ");
    r->listNull = Take(c, "items=null, ");
    Need(c, "capacity=");
    Decimal(c, &r->capacity);
    r->countNull = Take(c, ", count=null");
}

void ReadCall(Cursor *c, CallRecord *r) {
    if (Take(c, "ZKT_displayMode(mode=")) {
        r->operation = kCallDisplayMode;
        SignedWord(c, &r->mode);
    } else if (Take(c, "ZKT_init(configFile=")) {
        r->operation = kCallInit;
        r->textNull = Take(c, "null");
        if (!r->textNull) Quoted(c, kCallShownPathBytes, nullptr, 0, &r->text);
        r->countNull = Take(c, ", count=null");
    } else if (Take(c, "ZKT_lidList(")) {
        r->operation = kCallLidList;
        r->listNull = Take(c, "lids=null, ");
        Need(c, "capacity=");
        Decimal(c, &r->capacity);
        r->countNull = Take(c, ", count=null");
    } else if (Take(c, "ZKT_getInfo(lid=")) {
        r->operation = kCallGetInfo;
        Word(c, &r->lid);
        r->infoNull = Take(c, ", info=null");
        if (!r->infoNull) {
            Need(c, ", size=");
            UnsignedDecimal(c, &r->infoSize);
        }
    } else if (Take(c, "ZKT_open(lid=")) {
        r->operation = kCallOpen;
        Word(c, &r->lid);
        Need(c, ", mode=");
        Decimal(c, &r->mode);
        Need(c, ", reserved=");
        r->reservedNonNull = Take(c, "nonnull");
        if (!r->reservedNonNull) Need(c, "null");
    } else if (Take(c, "ZKT_puList(device=")) {
        r->operation = kCallPuList;
        ReadListArguments(c, r);
    } else if (Take(c, "ZKT_serviceList(device=")) {
        r->operation = kCallServiceList;
        ReadListArguments(c, r);
    } else if (Take(c, "ZKT_capture(device=")) {
        r->operation = kCallCapture;
        Decimal(c, &r->device);
        Need(c, ", reserved=");
        Decimal(c, &r->reserved);
        Need(c, ", mode=");
        r->modeNull = Take(c, "null");
        if (!r->modeNull) Decimal(c, &r->mode);
        Need(c, ", name=");
        r->textNull = Take(c, "null");
        if (!r->textNull) Quoted(c, ZKT_SERVICE_NAME_SIZE, nullptr, 0, &r->text);
        Need(c, ", timeout=");
        Decimal(c, &r->timeout);
    } else if (Take(c, "ZKT_ctrl(service=")) {
        r->operation = kCallCtrl;
        Decimal(c, &r->service);
        Need(c, ", reserved=");
        Decimal(c, &r->reserved);
        Need(c, ", code=");
        SignedWord(c, &r->code);
        Need(c, ", payload=");
        const int32_t size = ZktPayloadSize(r->code);
        if (Take(c, "null")) {
            r->payloadForm = kPayloadNull;
        } else if (size > 0) {
            r->payloadForm = kPayloadBytes;
            HexBytes(c, static_cast<size_t>(size), &r->payloadSent);
        } else {
            r->payloadForm = size == 0 ? kPayloadNonNull : kPayloadUnknownSize;
            if (size == 0) {
                Need(c, "nonnull");
            } else {
                Need(c, "(unknown size)");
            }
        }
    } else if (Take(c, "ZKT_release(service=")) {
        r->operation = kCallRelease;
        Decimal(c, &r->service);
        Need(c, ", reserved=");
        Decimal(c, &r->reserved);
    } else if (Take(c, "ZKT_close(device=")) {
        r->operation = kCallClose;
        Decimal(c, &r->device);
    } else if (Take(c, "ZKT_cleanup(")) {
        r->operation = kCallCleanup;
    } else {
        c->ok = false;
    }
    Need(c, ")");
}

void ReadList(Cursor *c, CallRecord *r) {
    const size_t entries = CallRecordListEntries(*r);
    // Room for the entries at once, but never for more than the rest of
    // the line could hold: a capacity is the caller's number, not a size.
    const auto rest = static_cast<size_t>(c->end - c->at);
    if (r->operation == kCallLidList) {
        Need(c, ", lids=[");
        r->lids.reserve(std::min(entries, rest / sizeof "0x0"));
    } else if (r->operation == kCallPuList) {
        Need(c, ", units=[");
        r->units.reserve(
            std::min(entries, rest / sizeof "{id=0, code=0x0, attr=0x0, description=\"\"}"));
    } else {
        Need(c, ", services=[");
        r->services.reserve(std::min(entries, rest / sizeof "{name=\"\", attr=0x0}"));
    }
    for (size_t i = 0; i < entries && c->ok; ++i) {
        if (i > 0) Need(c, ", ");
        if (r->operation == kCallLidList) {
            uint32_t lid = 0;
            Word(c, &lid);
            r->lids.push_back(lid);
        } else if (r->operation == kCallPuList) {
            PuItem u{};
            Need(c, "{id=");
            Decimal(c, &u.id);
            Need(c, ", code=");
            Word(c, &u.code);
            Need(c, ", attr=");
            Word(c, &u.attr);
            Need(c, ", description=");
            Quoted(c, sizeof u.description, u.description, sizeof u.description, nullptr);
            Need(c, "}");
            r->units.push_back(u);
        } else {
            ServiceItem s{};
            Need(c, "{name=");
            Quoted(c, sizeof s.name, s.name, sizeof s.name, nullptr);
            Need(c, ", attr=");
            Word(c, &s.attr);
            Need(c, "}");
            r->services.push_back(s);
        }
    }
    Need(c, "]");
}

void ReadResult(Cursor *c, CallRecord *r) {
    Need(c, " = ");
    if (r->operation == kCallCtrl) {
        Status(c, &r->result);
        if (r->payloadForm == kPayloadBytes) {
            Need(c, ", payload=");
            HexBytes(c, r->payloadSent.size(), &r->payloadBack);
        }
        return;
    }
    Decimal(c, &r->result);
    if (CallRecordShowsCount(*r)) {
        Need(c, ", count=");
        Decimal(c, &r->count);
        if (!r->listNull && r->operation != kCallInit) ReadList(c, r);
    }
    if (r->operation == kCallGetInfo && Take(c, ", info={idWord=")) {
        BoardInfo &info = r->info;
        r->infoShown = !r->infoNull;
        Word(c, &info.idWord);
        Need(c, ", name=");
        Quoted(c, sizeof info.name, info.name, sizeof info.name, nullptr);
        Need(c, ", bus=");
        Decimal(c, &info.bus);
        Need(c, ", dev=");
        Decimal(c, &info.dev);
        Need(c, ", slot=");
        Decimal(c, &info.slot);
        Need(c, "}");
        if (!r->infoShown) c->ok = false;
    }
    if (r->operation == kCallCapture && !r->modeNull) {
        Need(c, ", mode=");
        Decimal(c, &r->modeBack);
    }
}

}  // namespace

bool CallRecordRead(const char *line, size_t length, CallRecord *record, size_t *callLength) {
    CallRecordStart(record, kCallCleanup);
    Cursor c{line, line + length, true};
    ReadCall(&c, record);
    const size_t call = static_cast<size_t>(c.at - line);
    ReadResult(&c, record);
    if (!c.ok || c.at != c.end) return false;
    *callLength = call;
    return true;
}
