#include "sim/sim_config.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "platform/platform.h"
#include "sim/sim_text.h"
#include "textesc/text_escape.h"
#include "textread/ini_lines.h"
#include "zktini/library_paths.h"

namespace {

enum Section { kNoSection, kLibrarySection, kBoardSection };

struct Parser {
    const char *file;
    // The text as read (UTF-16 before it is narrowed), and where the line
    // being read starts in the narrowed text and in its copy: a path's
    // characters are taken from the text as read.
    const char *source;
    size_t sourceLength;
    size_t lineOffset;
    char *lineCopy;
    int line;
    char *message;
    size_t messageSize;
    SimConfig *config;
    Section section;
    // The key line being read, cut apart.
    const char *key;
    char *value;
    uint32_t seenKeys;  // bit per row of kKeys in the current section
    bool librarySeen;
    // Of the board being read.
    SimBoard *board;
    uint32_t devId;
    uint32_t revId;
    int boardLines[kZktIniMaxBoards];
};

// Messages quote bytes of the file, and of its name, which could otherwise
// act on the user's terminal: every message is escaped as a whole (its
// fixed text is printable ASCII without backslashes, so only those bytes
// change).
constexpr size_t kRawMessageSize = 512;

// A caller's buffer too small for the message gets its start, cut at the
// buffer's end as snprintf cuts, even in the middle of an escape.
void SetEscapedMessage(char *message, size_t messageSize, const char *raw) {
    char escaped[kRawMessageSize * 4 + 1];
    EscapeUnquoted(raw, kRawMessageSize, escaped, sizeof escaped);
    if (messageSize > 0) std::snprintf(message, messageSize, "%s", escaped);
}

bool Fail(Parser &p, const char *format, ...) {
    char raw[kRawMessageSize];
    int used = std::snprintf(raw, sizeof raw, "%s:%d: ", p.file, p.line);
    if (used < 0) used = 0;
    if (static_cast<size_t>(used) < sizeof raw) {
        va_list args;
        va_start(args, format);
        std::vsnprintf(raw + used, sizeof raw - static_cast<size_t>(used), format, args);
        va_end(args);
    }
    SetEscapedMessage(p.message, p.messageSize, raw);
    return false;
}

const char *SectionName(Section section) {
    return section == kLibrarySection ? "Library" : "Board";
}

// A range without negative values is that of a field that cannot be
// negative, written without a sign.
template <typename T>
bool ParseRange(Parser &p, const char *key, const char *value, int64_t low, int64_t high,
                const char *rangeText, T *out) {
    int64_t parsed = 0;
    const bool signedText = value[0] == '+' || value[0] == '-';
    if ((low >= 0 && signedText) || !SimParseInteger(value, &parsed))
        return Fail(p, "bad number '%.40s' for %s", value, key);
    if (parsed < low || parsed > high) {
        return Fail(p, "'%.40s' out of range for %s (%s)", value, key, rangeText);
    }
    *out = static_cast<T>(parsed);
    return true;
}

bool ParseInt32(Parser &p, const char *key, const char *value, int32_t *out) {
    return ParseRange(p, key, value, INT32_MIN, INT32_MAX, "-2147483648..2147483647", out);
}

// A 32-bit word written either signed or unsigned (-1 and 0xFFFFFFFF alike),
// kept as either.
template <typename T>
bool ParseWord(Parser &p, const char *key, const char *value, T *out) {
    return ParseRange(p, key, value, INT32_MIN, UINT32_MAX, "32 bits", out);
}

bool ParseFinite(Parser &p, const char *key, const char *value, bool positive, double *out) {
    double parsed = 0.0;
    if (!SimParseDouble(value, &parsed)) return Fail(p, "bad number '%.40s' for %s", value, key);
    if (positive && !(parsed > 0.0)) return Fail(p, "%s must be above 0", key);
    *out = parsed;
    return true;
}

// A word given by its name (either case) from names; false for any other.
template <typename T, size_t N>
bool FindNamed(const char *value, const std::pair<const char *, T> (&names)[N], T *out) {
    for (const auto &entry : names) {
        if (SimEqualNoCase(value, entry.first)) {
            *out = entry.second;
            return true;
        }
    }
    return false;
}

bool ParseStatusWord(Parser &p, const char *key, const char *value, uint32_t *out) {
    static const std::pair<const char *, uint32_t> kNames[] = {
        {"ZKTerr_OK", ZKTerr_OK},
        {"ZKTerr_BAD_MODE", ZKTerr_BAD_MODE},
        {"ZKTerr_INSUFFICIENT_SERVICES", ZKTerr_INSUFFICIENT_SERVICES},
        {"ZKTerr_DDS_INVALID_WRRDREG", ZKTerr_DDS_INVALID_WRRDREG}};
    return FindNamed(value, kNames, out) || ParseWord(p, key, value, out);
}

// Splits text at the first separator: text keeps the part before it (trimmed),
// the result points after it. Null when there is no separator.
char *SplitAt(char *text, char separator) {
    char *at = std::strchr(text, separator);
    if (at == nullptr) return nullptr;
    *at = '\0';
    return at + 1;
}

char *Trimmed(char *text) {
    size_t n = std::strlen(text);
    return SimTrim(text, &n);
}

// The escaped form of a text value (it starts with a double quote) into a
// record field, cut to the field like plain text. *rest receives what
// follows the closing quote.
bool ParseQuotedText(Parser &p, const char *key, const char *value, char *field, size_t fieldSize,
                     const char **rest) {
    char text[kZktIniMaxLineLength + 1];
    size_t length = 0;
    char reason[160];
    if (!UnescapeQuoted(value, text, sizeof text, &length, rest, reason, sizeof reason)) {
        return Fail(p, "bad quoted text for %s: %s", key, reason);
    }
    SimCopyToField(field, fieldSize, text);
    return true;
}

// A text value that runs to the end of the line: plain as it stands, or the
// escaped form when it starts with a double quote.
bool ParseText(Parser &p, const char *key, const char *value, char *field, size_t fieldSize) {
    if (value[0] != '"') {
        SimCopyToField(field, fieldSize, value);
        return true;
    }
    const char *rest = nullptr;
    if (!ParseQuotedText(p, key, value, field, fieldSize, &rest)) return false;
    if (*rest != '\0') return Fail(p, "text after the closing quote of %s", key);
    return true;
}

bool ParseUnit(Parser &p, char *value) {
    SimBoard &b = *p.board;
    if (b.unitCount >= kZktIniMaxUnits)
        return Fail(p, "too many units (at most %d)", kZktIniMaxUnits);
    char *code = SplitAt(value, ',');
    char *attr = code ? SplitAt(code, ',') : nullptr;
    char *description = attr ? SplitAt(attr, ',') : nullptr;
    if (description == nullptr) {
        return Fail(p, "bad list for Unit: expected <Id>, <Code>, <Attr>, <description>");
    }
    SimUnit &unit = b.units[b.unitCount];
    const bool parsed = ParseInt32(p, "Unit Id", Trimmed(value), &unit.id) &&
                        ParseWord(p, "Unit Code", Trimmed(code), &unit.code) &&
                        ParseWord(p, "Unit Attr", Trimmed(attr), &unit.attr) &&
                        ParseText(p, "Unit description", Trimmed(description), unit.description,
                                  sizeof unit.description);
    if (parsed) ++b.unitCount;
    return parsed;
}

bool ParseService(Parser &p, char *value) {
    SimBoard &b = *p.board;
    if (b.serviceCount >= kZktIniMaxServices) {
        return Fail(p, "too many services (at most %d)", kZktIniMaxServices);
    }
    SimService &service = b.services[b.serviceCount];
    // A quoted name may hold the comma that ends a plain one.
    char *attr = nullptr;
    if (value[0] == '"') {
        const char *rest = nullptr;
        if (!ParseQuotedText(p, "Service name", value, service.name, sizeof service.name, &rest)) {
            return false;
        }
        char *after = value + (rest - value);
        while (*after == ' ' || *after == '\t') ++after;
        attr = *after == ',' ? after + 1 : nullptr;
    } else {
        attr = SplitAt(value, ',');
        if (attr != nullptr) SimCopyToField(service.name, sizeof service.name, Trimmed(value));
    }
    if (attr == nullptr) return Fail(p, "bad list for Service: expected <name>, <Attr>");
    if (!ParseWord(p, "Service Attr", Trimmed(attr), &service.attr)) return false;
    ++b.serviceCount;
    return true;
}

// Room for one more override of a code this [Board] has none of yet (count
// of them, at most limit).
bool NewOverride(Parser &p, const char *key, bool codeSet, int32_t count, int32_t limit,
                 const char *kind) {
    if (codeSet) return Fail(p, "duplicate key '%s' in [Board]", key);
    if (count >= limit) return Fail(p, "too many %s overrides (at most %d)", kind, limit);
    return true;
}

bool ParseStatusOverride(Parser &p, const char *key, const char *codeText, const char *value) {
    SimBoard &b = *p.board;
    int32_t code = 0;
    if (!ParseWord(p, key, codeText, &code) ||
        !NewOverride(p, key, SimFindStatusOverride(b, code) != nullptr, b.statusOverrideCount,
                     kZktIniMaxStatusOverrides, "Status")) {
        return false;
    }
    SimStatusOverride &entry = b.statusOverrides[b.statusOverrideCount];
    entry.code = code;
    if (!ParseStatusWord(p, key, value, &entry.status)) return false;
    ++b.statusOverrideCount;
    return true;
}

bool ParsePayloadWrite(Parser &p, const char *key, int32_t payloadSize, char *item,
                       SimPayloadWrite *write) {
    char *type = SplitAt(item, ':');
    char *value = type ? SplitAt(type, ':') : nullptr;
    if (value == nullptr) {
        return Fail(p, "bad list for %s: expected <offset>:<i32|f64>:<value>[, ...]", key);
    }
    if (!ParseRange(p, key, Trimmed(item), 0, payloadSize, "an offset in the payload",
                    &write->offset)) {
        return false;
    }
    const char *typeText = Trimmed(type);
    write->isDouble = SimEqualNoCase(typeText, "f64");
    if (!write->isDouble && !SimEqualNoCase(typeText, "i32")) {
        return Fail(p, "bad type '%.20s' in %s: expected i32 or f64", typeText, key);
    }
    if (write->isDouble ? !ParseFinite(p, key, Trimmed(value), false, &write->doubleValue)
                        : !ParseWord(p, key, Trimmed(value), &write->intValue)) {
        return false;
    }
    const auto width =
        static_cast<int32_t>(write->isDouble ? sizeof write->doubleValue : sizeof write->intValue);
    if (write->offset + width > payloadSize) {
        return Fail(p, "%s: %d bytes at offset %d lie beyond the %d-byte payload", key,
                    static_cast<int>(width), static_cast<int>(write->offset), payloadSize);
    }
    return true;
}

bool ParseWriteOverride(Parser &p, const char *key, const char *codeText, char *value) {
    SimBoard &b = *p.board;
    int32_t code = 0;
    if (!ParseWord(p, key, codeText, &code)) return false;
    const int32_t payloadSize = ZktPayloadSize(code);
    if (payloadSize <= 0) return Fail(p, "%s: code 0x%x has no payload to write", key, code);
    if (!NewOverride(p, key, SimFindWriteOverride(b, code) != nullptr, b.writeOverrideCount,
                     kZktIniMaxWriteOverrides, "Write")) {
        return false;
    }
    SimWriteOverride &entry = b.writeOverrides[b.writeOverrideCount];
    entry.code = code;
    entry.writeCount = 0;
    char *item = value;
    while (item != nullptr) {
        char *next = SplitAt(item, ',');
        if (entry.writeCount >= kZktIniMaxPayloadWrites) {
            return Fail(p, "too many writes in %s (at most %d)", key, kZktIniMaxPayloadWrites);
        }
        if (!ParsePayloadWrite(p, key, payloadSize, item, &entry.writes[entry.writeCount])) {
            return false;
        }
        ++entry.writeCount;
        item = next;
    }
    ++b.writeOverrideCount;
    return true;
}

// One of two words, either case: false for the first, true for the second.
bool ParseChoice(Parser &p, const char *key, const char *value, const char *first,
                 const char *second, bool *out) {
    const bool isSecond = SimEqualNoCase(value, second);
    if (!isSecond && !SimEqualNoCase(value, first)) {
        return Fail(p, "bad value '%.40s' for %s: expected %s or %s", value, key, first, second);
    }
    *out = isSecond;
    return true;
}

bool ParseOutcome(Parser &p, const char *key, const char *value, SimOptionalInt *out) {
    bool fails = false;
    if (!ParseChoice(p, key, value, "ok", "fail", &fails)) return false;
    out->set = fails;
    if (fails) out->value = static_cast<int32_t>(ZKTerr_BAD_MODE);
    return true;
}

bool ParseOptional(Parser &p, const char *key, const char *value, SimOptionalInt *out) {
    out->set = true;
    return ParseInt32(p, key, value, &out->value);
}

bool ParseCaptureMode(Parser &p, const char *key, const char *value, SimOptionalInt *out) {
    static const std::pair<const char *, int32_t> kModes[] = {{"exclusive", ZKT_CAPTURE_EXCLUSIVE},
                                                              {"spy", ZKT_CAPTURE_SPY}};
    out->set = true;
    return FindNamed(value, kModes, &out->value) || ParseInt32(p, key, value, &out->value);
}

// A replayed run has its answers from the recording alone.
const char kReplayWithBoards[] = "Replay cannot be combined with [Board] sections";

// A Trace or Replay value into path (kZktIniMaxPathSize bytes).
bool ParsePath(Parser &p, const char *key, const char *value, char *path) {
    const size_t offset = p.lineOffset + static_cast<size_t>(value - p.lineCopy);
    char reason[80];
    switch (ZktIniPathValue(p.source, p.sourceLength, value, offset, std::strlen(value), path,
                            kZktIniMaxPathSize, reason, sizeof reason)) {
        case kNarrowPathDone: return true;
        case kNarrowPathTooLong:
            return Fail(p, "%s path longer than %d characters", key,
                        static_cast<int>(kZktIniMaxPathSize - 1));
        case kNarrowPathNoForm: break;
    }
    return Fail(p, "%s path: %s", key, reason);
}

// An empty Replay is no replay, as an empty Trace is no trace.
bool ParseReplay(Parser &p) {
    SimConfig &c = *p.config;
    if (!ParsePath(p, "Replay", p.value, c.replayPath)) return false;
    if (c.boardCount > 0 && p.value[0] != '\0') return Fail(p, kReplayWithBoards);
    c.replayLine = p.line;
    return true;
}

// For tests only: the operation in which the library crashes.
bool ParseCrash(Parser &p) {
    ZktOperation &crashIn = p.config->crashIn;
    for (crashIn = ZktOperation{}; crashIn < kZktOperationCount;
         crashIn = ZktOperation(crashIn + 1)) {
        if (std::strcmp(p.value, kZktOperationNames[crashIn].name) == 0) return true;
    }
    return Fail(p, "Crash names no operation");
}

// How often a key may stand in its section: once, as often as its list has
// entries, or once for both keys of a pair that set the same result.
enum KeyUse { kOnce, kRepeated, kOpenPair, kCapturePair };

const char *const kPairNames[] = {"Open and OpenHandle", "Capture and CaptureHandle"};

// The keys of each section and what reads their values.
struct KeyRule {
    const char *name;
    Section section;
    KeyUse use;
    bool (*parse)(Parser &p);  // the value of p.key in p.value
};

// The value of p.key in p.value into a field of the board, as read reads it.
template <auto field, auto read>
bool BoardField(Parser &p) {
    return read(p, p.key, p.value, &(p.board->*field));
}

constexpr KeyRule kKeys[] = {
    {"Trace", kLibrarySection, kOnce,
     [](Parser &p) { return ParsePath(p, "Trace", p.value, p.config->tracePath); }},
    {"Replay", kLibrarySection, kOnce, ParseReplay},
    {"Crash", kLibrarySection, kOnce, ParseCrash},
    {"DeviceCount", kLibrarySection, kOnce,
     [](Parser &p) { return ParseOptional(p, p.key, p.value, &p.config->reportedDeviceCount); }},
    {"Name", kBoardSection, kOnce,
     [](Parser &p) { return ParseText(p, p.key, p.value, p.board->name, sizeof p.board->name); }},
    {"DevID", kBoardSection, kOnce,
     [](Parser &p) { return ParseRange(p, p.key, p.value, 0, 0xFFFF, "0..0xFFFF", &p.devId); }},
    {"RevID", kBoardSection, kOnce,
     [](Parser &p) { return ParseRange(p, p.key, p.value, 0, 0xFF, "0..0xFF", &p.revId); }},
    {"IdWord", kBoardSection, kOnce, BoardField<&SimBoard::idWord, ParseWord<uint32_t>>},
    {"Bus", kBoardSection, kOnce, BoardField<&SimBoard::bus, ParseInt32>},
    {"Dev", kBoardSection, kOnce, BoardField<&SimBoard::dev, ParseInt32>},
    {"Slot", kBoardSection, kOnce, BoardField<&SimBoard::slot, ParseInt32>},
    {"Lid", kBoardSection, kOnce, BoardField<&SimBoard::lid, ParseWord<uint32_t>>},
    {"Open", kBoardSection, kOpenPair, BoardField<&SimBoard::openResult, ParseOutcome>},
    {"OpenHandle", kBoardSection, kOpenPair, BoardField<&SimBoard::openResult, ParseOptional>},
    {"Info", kBoardSection, kOnce,
     [](Parser &p) { return ParseChoice(p, p.key, p.value, "ok", "fail", &p.board->infoFails); }},
    {"InfoRecord", kBoardSection, kOnce,
     [](Parser &p) {
         return ParseChoice(p, p.key, p.value, "untouched", "written",
                            &p.board->infoWritesOnFailure);
     }},
    {"CaptureMode", kBoardSection, kOnce, BoardField<&SimBoard::captureMode, ParseCaptureMode>},
    {"Capture", kBoardSection, kCapturePair, BoardField<&SimBoard::captureResult, ParseOutcome>},
    {"CaptureHandle", kBoardSection, kCapturePair,
     BoardField<&SimBoard::captureResult, ParseOptional>},
    {"UnitCount", kBoardSection, kOnce, BoardField<&SimBoard::reportedUnitCount, ParseOptional>},
    {"ServiceCount", kBoardSection, kOnce,
     BoardField<&SimBoard::reportedServiceCount, ParseOptional>},
    {"InternalClock", kBoardSection, kOnce,
     [](Parser &p) { return ParseFinite(p, p.key, p.value, true, &p.board->dds.internalClock); }},
    {"MaxRefClock", kBoardSection, kOnce,
     [](Parser &p) { return ParseFinite(p, p.key, p.value, true, &p.board->dds.maxRefClock); }},
    {"TuningBits", kBoardSection, kOnce,
     [](Parser &p) {
         return ParseRange(p, p.key, p.value, 8, 48, "8..48", &p.board->dds.tuningBits);
     }},
    {"ThresholdMin", kBoardSection, kOnce,
     [](Parser &p) { return ParseFinite(p, p.key, p.value, false, &p.board->dds.thresholdMin); }},
    {"ThresholdMax", kBoardSection, kOnce,
     [](Parser &p) { return ParseFinite(p, p.key, p.value, false, &p.board->dds.thresholdMax); }},
    {"Unit", kBoardSection, kRepeated, [](Parser &p) { return ParseUnit(p, p.value); }},
    {"Service", kBoardSection, kRepeated, [](Parser &p) { return ParseService(p, p.value); }},
};

constexpr size_t kKeyCount = sizeof kKeys / sizeof kKeys[0];
// Parser::seenKeys holds one bit per key.
static_assert(kKeyCount <= 32, "a bit per key in a 32-bit mask");

// The row of kKeys named so, or kKeyCount.
size_t KeyIndex(const char *name) {
    size_t index = 0;
    while (index < kKeyCount && !SimEqualNoCase(name, kKeys[index].name)) ++index;
    return index;
}

// Completes the board being read: values that depend on several keys.
bool FinishBoard(Parser &p) {
    if (p.board == nullptr) return true;
    SimBoard &b = *p.board;
    if ((p.seenKeys & (1u << KeyIndex("IdWord"))) == 0) b.idWord = (p.devId << 16) | p.revId;
    if (!(b.dds.thresholdMin < b.dds.thresholdMax)) {
        p.line = p.boardLines[&b - p.config->boards];
        return Fail(p, "ThresholdMin must be below ThresholdMax in this [Board]");
    }
    p.board = nullptr;
    return true;
}

bool StartBoard(Parser &p) {
    SimConfig &c = *p.config;
    if (c.boardCount >= kZktIniMaxBoards)
        return Fail(p, "too many boards (at most %d)", kZktIniMaxBoards);
    const int32_t index = c.boardCount++;
    SimBoard &b = c.boards[index];
    std::memset(&b, 0, sizeof b);
    b.lid = 0x1000u + static_cast<uint32_t>(index) + 1u;
    b.dds = SimDefaultDdsLimits();
    p.board = &b;
    p.devId = 0;
    p.revId = 0;
    p.boardLines[index] = p.line;
    return true;
}

// The part span of line (an IniLine's) in its copy, cut there by a NUL.
char *InCopy(const Parser &p, const IniLine &line, TextLine span) {
    char *copy = p.lineCopy + (span.begin - line.whole.begin);
    copy[span.end - span.begin] = '\0';
    return copy;
}

bool ParseHeader(Parser &p, const IniLine &line) {
    if (line.kind != kIniSection || !line.closedAtEnd) {
        return Fail(p, "bad section header: expected [Name]");
    }
    if (!FinishBoard(p)) return false;
    p.seenKeys = 0;
    if (IniNameIs(line.name, "Library")) {
        if (p.librarySeen) return Fail(p, "second [Library] section");
        p.librarySeen = true;
        p.section = kLibrarySection;
        return true;
    }
    if (IniNameIs(line.name, "Board")) {
        if (p.config->replayPath[0] != '\0') return Fail(p, kReplayWithBoards);
        p.section = kBoardSection;
        return StartBoard(p);
    }
    return Fail(p, "unknown section [%.40s]", InCopy(p, line, line.name));
}

// Two keys that set the same result: one of them per board.
bool CheckNotCombined(Parser &p, size_t index) {
    const KeyUse use = kKeys[index].use;
    for (size_t other = 0; use >= kOpenPair && other < kKeyCount; ++other) {
        if (other != index && kKeys[other].use == use && (p.seenKeys & (1u << other)) != 0) {
            return Fail(p, "%s cannot be combined in one [Board]", kPairNames[use - kOpenPair]);
        }
    }
    return true;
}

bool ParseKeyLine(Parser &p, const IniLine &line) {
    if (!line.hasValue) return Fail(p, "expected 'key = value'");
    const char *name = InCopy(p, line, line.name);
    char *value = InCopy(p, line, line.value);
    if (*name == '\0') return Fail(p, "missing key before '='");
    if (p.section == kNoSection) return Fail(p, "key '%.40s' outside any section", name);

    if (p.section == kBoardSection && SimStartsNoCase(name, "Status.")) {
        return ParseStatusOverride(p, name, name + 7, value);
    }
    if (p.section == kBoardSection && SimStartsNoCase(name, "Write.")) {
        return ParseWriteOverride(p, name, name + 6, value);
    }
    const size_t index = KeyIndex(name);
    if (index == kKeyCount || kKeys[index].section != p.section) {
        return Fail(p, "unknown key '%.40s' in [%s]", name, SectionName(p.section));
    }
    if (kKeys[index].use != kRepeated) {
        const uint32_t bit = 1u << index;
        if ((p.seenKeys & bit) != 0) {
            return Fail(p, "duplicate key '%.40s' in [%s]", name, SectionName(p.section));
        }
        if (!CheckNotCombined(p, index)) return false;
        p.seenKeys |= bit;
    }
    p.key = name;
    p.value = value;
    return kKeys[index].parse(p);
}

bool ParseLine(Parser &p, const IniLine &line) {
    const char first = line.kind == kIniBlank ? '\0' : *line.text.begin;
    if (first == '\0' || first == ';' || first == '#') return true;
    if (first == '[') return ParseHeader(p, line);
    return ParseKeyLine(p, line);
}

// Lids must tell boards apart: a set Lid may not collide with another board's.
bool CheckLids(Parser &p) {
    const SimConfig &c = *p.config;
    for (int32_t i = 1; i < c.boardCount; ++i) {
        for (int32_t j = 0; j < i; ++j) {
            if (c.boards[i].lid == c.boards[j].lid) {
                p.line = p.boardLines[i];
                return Fail(p, "Lid 0x%x of this board is already the Lid of board %d",
                            c.boards[i].lid, static_cast<int>(j + 1));
            }
        }
    }
    return true;
}

// The text in single bytes, as the scanner reads it (textread/ini_lines.h).
bool ParseLines(Parser &p, const char *text, size_t length) {
    char copy[kZktIniMaxLineLength + 1];
    IniScan scan;
    IniScanStart(&scan, text, length);
    IniLine line;
    while (IniNextLine(&scan, &line)) {
        p.line = line.number;
        const auto lineLength = static_cast<size_t>(line.whole.end - line.whole.begin);
        if (std::memchr(line.whole.begin, '\0', lineLength) != nullptr) {
            return Fail(p, "NUL byte in line");
        }
        if (lineLength > kZktIniMaxLineLength) {
            return Fail(p, "line longer than %d characters",
                        static_cast<int>(kZktIniMaxLineLength));
        }
        std::memcpy(copy, line.whole.begin, lineLength);
        copy[lineLength] = '\0';
        p.lineOffset = static_cast<size_t>(line.whole.begin - text);
        p.lineCopy = copy;
        if (!ParseLine(p, line)) return false;
    }
    return FinishBoard(p) && CheckLids(p);
}

// A file saved as UTF-16 reads as the same text in single bytes.
// A malformed file still names its trace file: the run truncates it and
// writes the error there, so no earlier trace passes for this run's.
bool ParseAll(Parser &p, const char *text, size_t length) {
    IniText narrow;
    if (!IniNarrowed(text, length, &narrow)) return Fail(p, "out of memory");
    if (ParseLines(p, narrow.text, narrow.length)) return true;
    SimClearConfig(p.config);
    ZktIniFindLibraryPath(p.source, p.sourceLength, "Trace", p.config->tracePath,
                          sizeof p.config->tracePath);
    return false;
}

}  // namespace

void SimClearConfig(SimConfig *config) {
    config->tracePath[0] = '\0';
    config->replayPath[0] = '\0';
    config->replayLine = 0;
    config->crashIn = kZktOperationCount;
    config->reportedDeviceCount = SimOptionalInt{};
    config->boardCount = 0;
}

bool SimParseConfigText(const char *fileLabel, const char *text, size_t length, SimConfig *config,
                        char *message, size_t messageSize) {
    Parser p{};
    p.file = fileLabel;
    p.message = message;
    p.messageSize = messageSize;
    p.config = config;
    p.source = text;
    p.sourceLength = length;
    if (messageSize > 0) message[0] = '\0';
    SimClearConfig(config);
    return ParseAll(p, text, length);
}

SimLoadResult SimLoadConfigFile(const char *path, SimConfig *config, char *message,
                                size_t messageSize) {
    SimClearConfig(config);
    std::string text;
    char reason[128];
    char problem[200];
    const WholeFileResult read = PlatformReadWholeFile(
        path, static_cast<size_t>(kZktIniMaxFileBytes), &text, reason, sizeof reason);
    switch (read) {
        case kWholeFileRead:
            return SimParseConfigText(path, text.data(), text.size(), config, message, messageSize)
                       ? kSimConfigLoaded
                       : kSimConfigInvalid;
        case kWholeFileMissing:
        case kWholeFileNoPath:
            std::snprintf(problem, sizeof problem, "cannot open (%s)", reason);
            break;
        case kWholeFileNoMemory: std::snprintf(problem, sizeof problem, "out of memory"); break;
        case kWholeFileTooLarge:
            std::snprintf(problem, sizeof problem, "larger than %ld bytes", kZktIniMaxFileBytes);
            break;
        // A file that is there but cannot be read: no permission, a folder,
        // a named pipe or a device (never read from), a failed read.
        case kWholeFileNotOpened:
        case kWholeFileFolder:
        case kWholeFileNotRegular:
        case kWholeFileReadFailed:
            std::snprintf(problem, sizeof problem, "cannot read (%s)", reason);
            break;
    }
    // "<path>: <problem>", escaped like every message of the reader.
    char raw[kRawMessageSize];
    std::snprintf(raw, sizeof raw, "%s: %s", path, problem);
    SetEscapedMessage(message, messageSize, raw);
    // Only a file that is not there means "no simulated devices".
    return read == kWholeFileMissing ? kSimConfigMissing : kSimConfigInvalid;
}

namespace {

template <typename Override>
const Override *FindOverride(const Override *overrides, int32_t count, int32_t code) {
    for (int32_t i = 0; i < count; ++i) {
        if (overrides[i].code == code) return &overrides[i];
    }
    return nullptr;
}

}  // namespace

const SimStatusOverride *SimFindStatusOverride(const SimBoard &board, int32_t code) {
    return FindOverride(board.statusOverrides, board.statusOverrideCount, code);
}

const SimWriteOverride *SimFindWriteOverride(const SimBoard &board, int32_t code) {
    return FindOverride(board.writeOverrides, board.writeOverrideCount, code);
}
