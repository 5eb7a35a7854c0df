// Both directions of the trace line, said once. Every piece of a line (a
// literal, a number, a quoted text, a list's entries) has a writer, taking a
// Writer, and a reader of the same name, taking a Cursor; the two stand side
// by side below. Everything made of pieces (each operation's call part, the
// board record, the result part) is written once, as a template over the
// direction (Writer or Cursor), and made into both: so the reader cannot
// drift from the writer, and a line is taken only in the writer's own
// spelling (no leading zeros, lower-case hex, the one escaped form of a
// text): a line the writer would not make byte for byte is not a trace line.
//
// A part is handed its record as Io::Record: const for the writer, which
// only reads through the field pointers it passes on, writable for the
// reader, which fills them. So a part's tests on the record (a flag, a
// count) see, in the reader, what the line has said so far.
//
// Numbers are put by hand rather than through printf, and a line is read
// once and not written again to compare: a replay reads every line of its
// recording and writes every line of its run, and both costs showed. The
// parts are templates over small pieces so that each direction's code is as
// direct as if it were written by hand.
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

struct Writer {
    using Record = const CallRecord;
    std::string *out;
};

// A reader stops at the first piece that is not as the writer spells it
// (ok false); the pieces after it take nothing.
struct Cursor {
    using Record = CallRecord;
    const char *at;
    const char *end;
    bool ok;
};

// A literal. The literals are string constants: their length is known where
// they are written, not counted at every line.
template <size_t N>
void Literal(Writer &w, const char (&literal)[N]) {
    w.out->append(literal, N - 1);
}

template <size_t N>
bool TakeIf(Cursor &c, const char (&literal)[N]) {
    const size_t n = N - 1;
    if (!c.ok || static_cast<size_t>(c.end - c.at) < n || std::memcmp(c.at, literal, n) != 0) {
        return false;
    }
    c.at += n;
    return true;
}

template <size_t N>
void Literal(Cursor &c, const char (&literal)[N]) {
    if (!TakeIf(c, literal)) c.ok = false;
}

// A literal that stands only where a flag is set. The writer follows the
// flag alone; the reader looks for the literal as told: never, perhaps (the
// line says whether it stands), or always.
enum Expect { kAbsent, kPerhaps, kPresent };

template <size_t N>
void Flag(Writer &w, const bool *flag, const char (&literal)[N], Expect /*expect*/ = kPerhaps) {
    if (*flag) Literal(w, literal);
}

template <size_t N>
void Flag(Cursor &c, bool *flag, const char (&literal)[N], Expect expect = kPerhaps) {
    *flag = expect != kAbsent && TakeIf(c, literal);
    if (expect == kPresent && !*flag) c.ok = false;
}

// What a line does not spell, but its reader learns from what it has read.
template <class T>
void Known(Writer & /*w*/, const T * /*field*/, T /*value*/) {}

template <class T>
void Known(Cursor & /*c*/, T *field, T value) {
    *field = value;
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
void Unsigned(Writer &w, const uint32_t *value) {
    char text[10];
    char *first = text + sizeof text;
    uint32_t v = *value;
    do {
        *--first = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    w.out->append(first, static_cast<size_t>(text + sizeof text - first));
}

// The digits of a number, decimal or lower-case hex: at least minimum, no
// leading zero beyond those, and a value up to limit; false (and the line
// refused) otherwise. One rule for every number the reader takes. No digit
// is read past the end, nor so many that the value could overflow.
template <int base>
bool TakeDigits(Cursor &c, std::ptrdiff_t minimum, uint64_t limit, uint64_t *value) {
    if (!c.ok) return false;
    const std::ptrdiff_t most = base == 10 ? 11 : 9;
    const char *first = c.at;
    uint64_t v = 0;
    while (c.at < c.end && c.at - first < most) {
        // Decimal digits by their range, the cheaper test.
        const int digit =
            base == 10 ? (*c.at >= '0' && *c.at <= '9' ? *c.at - '0' : -1) : HexValue(*c.at);
        if (digit < 0) break;
        v = v * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
        ++c.at;
    }
    const std::ptrdiff_t length = c.at - first;
    if (length < minimum || (length > minimum && *first == '0') || v > limit) {
        c.ok = false;
        return false;
    }
    *value = v;
    return true;
}

void Unsigned(Cursor &c, uint32_t *value) {
    uint64_t v = 0;
    if (TakeDigits<10>(c, 1, UINT32_MAX, &v)) *value = static_cast<uint32_t>(v);
}

// %d
void Signed(Writer &w, const int32_t *value) {
    if (*value < 0) w.out->push_back('-');
    const uint32_t magnitude =
        *value < 0 ? 0u - static_cast<uint32_t>(*value) : static_cast<uint32_t>(*value);
    Unsigned(w, &magnitude);
}

void Signed(Cursor &c, int32_t *value) {
    const bool negative = TakeIf(c, "-");
    const uint64_t limit = negative ? uint64_t{1} << 31 : INT32_MAX;
    uint64_t v = 0;
    if (!TakeDigits<10>(c, 1, limit, &v)) return;
    // "-0" is no spelling of the writer's.
    if (negative && v == 0) c.ok = false;
    *value = static_cast<int32_t>(negative ? -static_cast<int64_t>(v) : static_cast<int64_t>(v));
}

// A 32-bit word, signed or not: "0x", then at least minimum lower-case hex
// digits, no leading zero beyond those. 0x%x is minimum 1, a status
// (0x%08x) minimum 8.
template <class Word>
void Hex(Writer &w, const Word *value, int minimum = 1) {
    const auto word = static_cast<uint32_t>(*value);
    char text[10] = {'0', 'x'};
    int n = 1;
    while (n < 8 && (word >> (4 * n)) != 0) ++n;
    if (n < minimum) n = minimum;
    for (int i = 0; i < n; ++i) text[2 + i] = kHexDigitChars[(word >> (4 * (n - 1 - i))) & 0x0F];
    w.out->append(text, static_cast<size_t>(n) + 2);
}

template <class Word>
void Hex(Cursor &c, Word *value, int minimum = 1) {
    Literal(c, "0x");
    uint64_t v = 0;
    if (TakeDigits<16>(c, minimum, UINT32_MAX, &v)) {
        *value = static_cast<Word>(static_cast<uint32_t>(v));
    }
}

// Bytes as lower-case hex digits, two per byte in memory order: the writer
// puts those the record holds, the reader takes exactly size bytes.
void HexBytes(Writer &w, const std::string *bytes, size_t /*size*/) {
    size_t to = w.out->size();
    w.out->resize(to + 2 * bytes->size());
    for (const char ch : *bytes) {
        const auto b = static_cast<unsigned char>(ch);
        (*w.out)[to++] = kHexDigitChars[b >> 4];
        (*w.out)[to++] = kHexDigitChars[b & 0x0F];
    }
}

void HexBytes(Cursor &c, std::string *bytes, size_t size) {
    if (!c.ok || static_cast<size_t>(c.end - c.at) / 2 < size) {
        c.ok = false;
        return;
    }
    bytes->resize(size);
    for (size_t i = 0; i < size; ++i) {
        const int high = HexValue(c.at[0]);
        const int low = HexValue(c.at[1]);
        if (high < 0 || low < 0) {
            c.ok = false;
            return;
        }
        (*bytes)[i] = static_cast<char>(high * 16 + low);
        c.at += 2;
    }
}

// A text of at most maxLength bytes (up to a NUL) in its escaped form,
// whole: a string of the record, or a fixed field of one of the library's
// records, up to its size.
void QuotedText(Writer &w, const char *text, size_t maxLength) {
    char escaped[4 * kCallShownPathBytes + 3];
    EscapeQuoted(text, maxLength, escaped, sizeof escaped);
    w.out->append(escaped);
}

void Quoted(Writer &w, const std::string *text, size_t maxLength) {
    QuotedText(w, text->c_str(), maxLength);
}

template <size_t N>
void Quoted(Writer &w, const char (&field)[N]) {
    QuotedText(w, field, N);
}

// The next byte of a quoted text, at *next, in the one escaped form the
// writer makes: printable ASCII as itself, the quote and the backslash
// after a backslash, every other byte (NUL excepted) as \xNN with
// lower-case digits. False for any other spelling. Checked here byte by
// byte rather than by escaping the text again.
bool TakeTextByte(const char **next, const char *end, unsigned char *byte) {
    const char *at = *next;
    *byte = static_cast<unsigned char>(at[0]);
    if (*byte != '\\') {
        *next = at + 1;
        return *byte >= 0x20 && *byte < 0x7F;
    }
    if (end - at >= 2 && (at[1] == '"' || at[1] == '\\')) {
        *byte = static_cast<unsigned char>(at[1]);
        *next = at + 2;
        return true;
    }
    if (end - at < 4 || at[1] != 'x' || !IsHexDigit(at[2]) || !IsHexDigit(at[3])) return false;
    *byte = static_cast<unsigned char>(HexValue(at[2]) * 16 + HexValue(at[3]));
    *next = at + 4;
    // Printable ASCII, the quote and the backslash included, is spelled
    // otherwise; and a text holds no NUL.
    return *byte != 0 && (*byte < 0x20 || *byte >= 0x7F);
}

// The text into field (fieldSize bytes, the rest zero), or into text when
// field is null.
void QuotedText(Cursor &c, size_t maxLength, char *field, size_t fieldSize, std::string *text) {
    Literal(c, "\"");
    char bytes[kCallShownPathBytes];
    size_t length = 0;
    const char *next = c.at;
    unsigned char byte = 0;
    while (c.ok && next < c.end && *next != '"') {
        if (length == maxLength || length == sizeof bytes || !TakeTextByte(&next, c.end, &byte)) {
            c.ok = false;
            return;
        }
        bytes[length++] = static_cast<char>(byte);
    }
    c.at = next;
    Literal(c, "\"");
    if (!c.ok) return;
    if (field != nullptr) {
        std::memset(field, 0, fieldSize);
        std::memcpy(field, bytes, length);
    } else {
        text->assign(bytes, length);
    }
}

void Quoted(Cursor &c, std::string *text, size_t maxLength) {
    QuotedText(c, maxLength, nullptr, 0, text);
}

template <size_t N>
void Quoted(Cursor &c, char (&field)[N]) {
    QuotedText(c, N, field, N, nullptr);
}

// A list's entries, ", " between two, each as each says: the writer puts
// those the record holds, the reader takes as many as the line shows.
template <class Entry, class Each>
void Entries(Writer &w, const std::vector<Entry> *list, size_t /*entries*/, size_t /*shortest*/,
             Each each) {
    for (size_t i = 0; i < list->size(); ++i) {
        if (i > 0) Literal(w, ", ");
        each((*list)[i]);
    }
}

// shortest: the size of an entry's shortest spelling. Room for the entries
// is made at once, but never for more than the rest of the line could hold:
// a capacity is the caller's number, not a size.
template <class Entry, class Each>
void Entries(Cursor &c, std::vector<Entry> *list, size_t entries, size_t shortest, Each each) {
    list->reserve(std::min(entries, static_cast<size_t>(c.end - c.at) / shortest));
    for (size_t i = 0; i < entries && c.ok; ++i) {
        if (i > 0) Literal(c, ", ");
        Entry entry{};
        each(entry);
        list->push_back(entry);
    }
}

// A label and the number after it, as most pieces of a line stand.
template <class Io, size_t N, class Number>
void Signed(Io &io, const char (&label)[N], Number *value) {
    Literal(io, label);
    Signed(io, value);
}

template <class Io, size_t N, class Word>
void Hex(Io &io, const char (&label)[N], Word *value) {
    Literal(io, label);
    Hex(io, value);
}
// ---------------------------------------------------------------------------
// Call parts: the name and "(" are kZktOperationNames'
// ---------------------------------------------------------------------------

// The form of a payload pointer that is not null follows from the code, in
// the tracer as where a line is read: the line spells only the bytes.
CallPayloadForm PayloadFormOf(int32_t code) {
    const int32_t size = ZktPayloadSize(code);
    if (size < 0) return kPayloadUnknownSize;
    return size == 0 ? kPayloadNonNull : kPayloadBytes;
}

// What ctrl's payload pointer carried in. The writer says the form its
// record holds; the reader takes "null", or else the form the code gives.
template <class Io>
void PayloadSent(Io &io, typename Io::Record &r) {
    bool null = r.payloadForm == kPayloadNull;
    Flag(io, &null, "null");
    Known(io, &r.payloadForm, null ? kPayloadNull : PayloadFormOf(r.code));
    switch (r.payloadForm) {
        case kPayloadNull: break;
        case kPayloadNonNull: Literal(io, "nonnull"); break;
        case kPayloadUnknownSize: Literal(io, "(unknown size)"); break;
        case kPayloadBytes:
            HexBytes(io, &r.payloadSent, static_cast<size_t>(ZktPayloadSize(r.code)));
            break;
    }
}

// What the three lists' call parts end in; listNull is how a null list
// pointer is said.
template <class Io, size_t N>
void ListArguments(Io &io, typename Io::Record &r, const char (&listNull)[N]) {
    Flag(io, &r.listNull, listNull);
    Signed(io, "capacity=", &r.capacity);
    Flag(io, &r.countNull, ", count=null");
}

// The call part of r's operation, between "ZKT_name(" and ")". A switch,
// so that an operation left out stops the build (-Werror=switch).
template <class Io>
void CallPart(Io &io, typename Io::Record &r) {
    switch (r.operation) {
        case kZktDisplayMode: Hex(io, "mode=", &r.mode); break;
        case kZktInit:
            Literal(io, "configFile=");
            Flag(io, &r.textNull, "null");
            if (!r.textNull) Quoted(io, &r.text, kCallShownPathBytes);
            Flag(io, &r.countNull, ", count=null");
            break;
        case kZktLidList: ListArguments(io, r, "lids=null, "); break;
        case kZktGetInfo:
            Hex(io, "lid=", &r.lid);
            Flag(io, &r.infoNull, ", info=null");
            if (!r.infoNull) {
                Literal(io, ", size=");
                Unsigned(io, &r.infoSize);
            }
            break;
        case kZktOpen:
            Hex(io, "lid=", &r.lid);
            Signed(io, ", mode=", &r.mode);
            Literal(io, ", reserved=");
            Flag(io, &r.reservedNonNull, "nonnull");
            if (!r.reservedNonNull) Literal(io, "null");
            break;
        case kZktPuList:
        case kZktServiceList:
            // The two lists of a device differ by the reserved word alone.
            Signed(io, "device=", &r.device);
            if (r.operation == kZktServiceList) Signed(io, ", reserved=", &r.reserved);
            Literal(io, ", ");
            ListArguments(io, r, "items=null, ");
            break;
        case kZktCapture:
            Signed(io, "device=", &r.device);
            Signed(io, ", reserved=", &r.reserved);
            Literal(io, ", mode=");
            Flag(io, &r.modeNull, "null");
            if (!r.modeNull) Signed(io, &r.mode);
            Literal(io, ", name=");
            Flag(io, &r.textNull, "null");
            if (!r.textNull) Quoted(io, &r.text, ZKT_SERVICE_NAME_SIZE);
            Signed(io, ", timeout=", &r.timeout);
            break;
        case kZktCtrl:
            Signed(io, "service=", &r.service);
            Signed(io, ", reserved=", &r.reserved);
            Hex(io, ", code=", &r.code);
            Literal(io, ", payload=");
            PayloadSent(io, r);
            break;
        case kZktRelease:
            Signed(io, "service=", &r.service);
            Signed(io, ", reserved=", &r.reserved);
            break;
        case kZktClose: Signed(io, "device=", &r.device); break;
        case kZktCleanup:  // no arguments
        case kZktOperationCount: break;
    }
}

// "ZKT_name(", the operation's name and the parenthesis.
void TakeCallPart(Cursor &c, CallRecord &r) {
    for (int op = 0; op < kZktOperationCount; ++op) {
        const char *name = kZktOperationNames[op].name;
        const size_t length = std::strlen(name);
        if (static_cast<size_t>(c.end - c.at) > length && std::memcmp(c.at, name, length) == 0 &&
            c.at[length] == '(') {
            c.at += length + 1;
            r.operation = static_cast<ZktOperation>(op);
            CallPart(c, r);
            Literal(c, ")");
            return;
        }
    }
    c.ok = false;
}

// ---------------------------------------------------------------------------
// Result parts: the lists' entries, the board record, then the whole part
// ---------------------------------------------------------------------------

// The list of record's line, its entries as many as it shows.
template <class Io>
void List(Io &io, typename Io::Record &r) {
    const size_t entries = CallRecordListEntries(r);
    switch (kCallOutputs[r.operation].list) {
        case kNoList: return;
        case kLidEntries:
            Literal(io, ", lids=[");
            Entries(io, &r.lids, entries, sizeof "0x0", [&io](auto &lid) { Hex(io, &lid); });
            break;
        case kUnitEntries:
            Literal(io, ", units=[");
            Entries(io, &r.units, entries, sizeof "{id=0, code=0x0, attr=0x0, description=\"\"}",
                    [&io](auto &u) {
                        Signed(io, "{id=", &u.id);
                        Hex(io, ", code=", &u.code);
                        Hex(io, ", attr=", &u.attr);
                        Literal(io, ", description=");
                        Quoted(io, u.description);
                        Literal(io, "}");
                    });
            break;
        case kServiceEntries:
            Literal(io, ", services=[");
            Entries(io, &r.services, entries, sizeof "{name=\"\", attr=0x0}", [&io](auto &s) {
                Literal(io, "{name=");
                Quoted(io, s.name);
                Hex(io, ", attr=", &s.attr);
                Literal(io, "}");
            });
            break;
    }
    Literal(io, "]");
}

// The board record's fields, after ", info={idWord=".
template <class Io>
void BoardRecord(Io &io, typename Io::Record &r) {
    Hex(io, &r.info.idWord);
    Literal(io, ", name=");
    Quoted(io, r.info.name);
    Signed(io, ", bus=", &r.info.bus);
    Signed(io, ", dev=", &r.info.dev);
    Signed(io, ", slot=", &r.info.slot);
    Literal(io, "}");
}

// The result, then each output the row names, as the header's rules say
// when: the writer follows the record, the reader learns from the line
// whether a failure changed the count or the board record.
template <class Io>
void ResultPart(Io &io, typename Io::Record &r) {
    const CallOutputs &row = kCallOutputs[r.operation];
    Literal(io, " = ");
    if (row.status) {
        Hex(io, &r.result, 8);
    } else {
        Signed(io, &r.result);
    }
    if (row.count && !r.countNull) {
        if (r.result == 0) {
            Literal(io, ", count=");
        } else {
            Flag(io, &r.countChanged, ", count=");
        }
        if (CallRecordShowsCount(r)) Signed(io, &r.count);
        if (CallRecordShowsList(r)) List(io, r);
    }
    if (row.record) {
        // The writer follows the record; the reader expects the record
        // behind a pointer, after a success always.
        const Expect info = r.infoNull ? kAbsent : r.result == 0 ? kPresent : kPerhaps;
        Flag(io, &r.infoShown, ", info={idWord=", info);
        if (r.infoShown) BoardRecord(io, r);
    }
    if (CallRecordShowsMode(r)) Signed(io, ", mode=", &r.modeBack);
    if (CallRecordShowsPayload(r)) {
        Literal(io, ", payload=");
        HexBytes(io, &r.payloadBack, r.payloadSent.size());
    }
}

// The fields a line shows of a board record: whether they differ between
// two, and a copy of them from one into another.
bool ShownInfoDiffers(const BoardInfo &a, const BoardInfo &b) {
    return a.idWord != b.idWord || std::memcmp(a.name, b.name, sizeof a.name) != 0 ||
           a.bus != b.bus || a.dev != b.dev || a.slot != b.slot;
}

void CopyShownInfo(const BoardInfo &from, BoardInfo *to) {
    to->idWord = from.idWord;
    std::memcpy(to->name, from.name, sizeof to->name);
    to->bus = from.bus;
    to->dev = from.dev;
    to->slot = from.slot;
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
    std::copy(shown.begin(), shown.end(), static_cast<Entry *>(list));
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
        r.payloadForm = p.payload == nullptr ? kPayloadNull : PayloadFormOf(r.code);
        if (r.payloadForm == kPayloadBytes) {
            r.payloadSent.assign(static_cast<const char *>(p.payload),
                                 static_cast<size_t>(ZktPayloadSize(r.code)));
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
        if (r.infoShown) CopyShownInfo(*p.info, &r.info);
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
    if (r.infoShown) CopyShownInfo(r.info, p.info);
    if (CallRecordShowsMode(r)) *p.mode = r.modeBack;
    if (CallRecordShowsPayload(r)) {
        std::memcpy(p.payload, r.payloadBack.data(), r.payloadBack.size());
    }
}

void CallRecordAppendCall(const CallRecord &r, std::string *out) {
    out->append(kZktOperationNames[r.operation].name);
    out->push_back('(');
    Writer w{out};
    CallPart(w, r);
    Literal(w, ")");
}

void CallRecordAppendResult(const CallRecord &r, std::string *out) {
    Writer w{out};
    ResultPart(w, r);
}

bool CallRecordRead(const char *line, size_t length, CallRecord *record, size_t *callLength) {
    CallRecordStart(record, kZktCleanup);
    Cursor c{line, line + length, true};
    TakeCallPart(c, *record);
    const size_t call = static_cast<size_t>(c.at - line);
    ResultPart(c, *record);
    if (!c.ok || c.at != c.end) return false;
    *callLength = call;
    return true;
}

bool CallRecordReadCall(const char *text, size_t length, CallRecord *record) {
    CallRecordStart(record, kZktCleanup);
    Cursor c{text, text + length, true};
    TakeCallPart(c, *record);
    return c.ok && c.at == c.end;
}
