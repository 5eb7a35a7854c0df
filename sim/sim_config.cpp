#include "sim/sim_config.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

#include "sim/sim_text.h"
#include "sim/sim_trace_path.h"

namespace {

enum Section { kNoSection, kLibrarySection, kBoardSection };

// Keys of a section; a key may appear once per section (Unit, Service,
// Status.<code> and Write.<code> are checked separately).
enum Key {
    kKeyTrace,
    kKeyDeviceCount,
    kKeyName,
    kKeyDevId,
    kKeyRevId,
    kKeyIdWord,
    kKeyBus,
    kKeyDev,
    kKeySlot,
    kKeyLid,
    kKeyOpen,  // Open and OpenHandle
    kKeyInfo,
    kKeyCaptureMode,
    kKeyCapture,  // Capture and CaptureHandle
    kKeyUnitCount,
    kKeyServiceCount,
    kKeyInternalClock,
    kKeyMaxRefClock,
    kKeyTuningBits,
    kKeyThresholdMin,
    kKeyThresholdMax,
    kKeyUnit,
    kKeyService,
    kKeyStatus,
    kKeyWrite,
    kKeyUnknown
};

struct KeyName {
    const char *name;
    Key key;
    Section section;
};

const KeyName kKeyNames[] = {
    {"Trace", kKeyTrace, kLibrarySection},
    {"DeviceCount", kKeyDeviceCount, kLibrarySection},
    {"Name", kKeyName, kBoardSection},
    {"DevID", kKeyDevId, kBoardSection},
    {"RevID", kKeyRevId, kBoardSection},
    {"IdWord", kKeyIdWord, kBoardSection},
    {"Bus", kKeyBus, kBoardSection},
    {"Dev", kKeyDev, kBoardSection},
    {"Slot", kKeySlot, kBoardSection},
    {"Lid", kKeyLid, kBoardSection},
    {"Open", kKeyOpen, kBoardSection},
    {"OpenHandle", kKeyOpen, kBoardSection},
    {"Info", kKeyInfo, kBoardSection},
    {"CaptureMode", kKeyCaptureMode, kBoardSection},
    {"Capture", kKeyCapture, kBoardSection},
    {"CaptureHandle", kKeyCapture, kBoardSection},
    {"UnitCount", kKeyUnitCount, kBoardSection},
    {"ServiceCount", kKeyServiceCount, kBoardSection},
    {"InternalClock", kKeyInternalClock, kBoardSection},
    {"MaxRefClock", kKeyMaxRefClock, kBoardSection},
    {"TuningBits", kKeyTuningBits, kBoardSection},
    {"ThresholdMin", kKeyThresholdMin, kBoardSection},
    {"ThresholdMax", kKeyThresholdMax, kBoardSection},
    {"Unit", kKeyUnit, kBoardSection},
    {"Service", kKeyService, kBoardSection},
};

struct Parser {
    const char *file;
    int line;
    char *message;
    size_t messageSize;
    SimConfig *config;
    Section section;
    uint32_t seenKeys;  // bit per Key in the current section
    bool librarySeen;
    // Of the board being read.
    SimBoard *board;
    uint32_t devId;
    uint32_t revId;
    bool idWordSet;
    int boardLines[kSimMaxBoards];
};

bool Fail(Parser &p, const char *format, ...) {
    int used = std::snprintf(p.message, p.messageSize, "%s:%d: ", p.file, p.line);
    if (used < 0) used = 0;
    if (static_cast<size_t>(used) < p.messageSize) {
        va_list args;
        va_start(args, format);
        std::vsnprintf(p.message + used, p.messageSize - static_cast<size_t>(used), format, args);
        va_end(args);
    }
    return false;
}

const char *SectionName(Section section) {
    return section == kLibrarySection ? "Library" : "Board";
}

bool ParseRange(Parser &p, const char *key, const char *value, int64_t low, int64_t high,
                const char *rangeText, int64_t *out) {
    int64_t parsed = 0;
    if (!SimParseInteger(value, &parsed)) return Fail(p, "bad number '%.40s' for %s", value, key);
    if (parsed < low || parsed > high) {
        return Fail(p, "'%.40s' out of range for %s (%s)", value, key, rangeText);
    }
    *out = parsed;
    return true;
}

bool ParseInt32(Parser &p, const char *key, const char *value, int32_t *out) {
    int64_t parsed = 0;
    if (!ParseRange(p, key, value, INT32_MIN, INT32_MAX, "-2147483648..2147483647", &parsed)) {
        return false;
    }
    *out = static_cast<int32_t>(parsed);
    return true;
}

// A 32-bit word written either signed or unsigned (-1 and 0xFFFFFFFF alike).
bool ParseWord(Parser &p, const char *key, const char *value, uint32_t *out) {
    int64_t parsed = 0;
    if (!ParseRange(p, key, value, INT32_MIN, UINT32_MAX, "32 bits", &parsed)) return false;
    *out = static_cast<uint32_t>(parsed);
    return true;
}

bool ParseUnsigned(Parser &p, const char *key, const char *value, uint32_t high,
                   const char *rangeText, uint32_t *out) {
    int64_t parsed = 0;
    if (!ParseRange(p, key, value, 0, high, rangeText, &parsed)) return false;
    *out = static_cast<uint32_t>(parsed);
    return true;
}

bool ParseFinite(Parser &p, const char *key, const char *value, bool positive, double *out) {
    double parsed = 0.0;
    if (!SimParseDouble(value, &parsed)) return Fail(p, "bad number '%.40s' for %s", value, key);
    if (positive && !(parsed > 0.0)) return Fail(p, "%s must be above 0", key);
    *out = parsed;
    return true;
}

bool ParseStatusWord(Parser &p, const char *key, const char *value, uint32_t *out) {
    static const struct {
        const char *name;
        uint32_t status;
    } kNames[] = {{"ZKTerr_OK", ZKTerr_OK},
                  {"ZKTerr_BAD_MODE", ZKTerr_BAD_MODE},
                  {"ZKTerr_INSUFFICIENT_SERVICES", ZKTerr_INSUFFICIENT_SERVICES},
                  {"ZKTerr_DDS_INVALID_WRRDREG", ZKTerr_DDS_INVALID_WRRDREG}};
    for (const auto &entry : kNames) {
        if (SimEqualNoCase(value, entry.name)) {
            *out = entry.status;
            return true;
        }
    }
    return ParseWord(p, key, value, out);
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

bool ParseUnit(Parser &p, char *value) {
    SimBoard &b = *p.board;
    if (b.unitCount >= kSimMaxUnits) return Fail(p, "too many units (at most %d)", kSimMaxUnits);
    char *code = SplitAt(value, ',');
    char *attr = code ? SplitAt(code, ',') : nullptr;
    char *description = attr ? SplitAt(attr, ',') : nullptr;
    if (description == nullptr) {
        return Fail(p, "bad list for Unit: expected <Id>, <Code>, <Attr>, <description>");
    }
    SimUnit &unit = b.units[b.unitCount];
    if (!ParseInt32(p, "Unit Id", Trimmed(value), &unit.id)) return false;
    if (!ParseWord(p, "Unit Code", Trimmed(code), &unit.code)) return false;
    if (!ParseWord(p, "Unit Attr", Trimmed(attr), &unit.attr)) return false;
    SimCopyToField(unit.description, sizeof unit.description, Trimmed(description));
    ++b.unitCount;
    return true;
}

bool ParseService(Parser &p, char *value) {
    SimBoard &b = *p.board;
    if (b.serviceCount >= kSimMaxServices) {
        return Fail(p, "too many services (at most %d)", kSimMaxServices);
    }
    char *attr = SplitAt(value, ',');
    if (attr == nullptr) return Fail(p, "bad list for Service: expected <name>, <Attr>");
    SimService &service = b.services[b.serviceCount];
    if (!ParseWord(p, "Service Attr", Trimmed(attr), &service.attr)) return false;
    SimCopyToField(service.name, sizeof service.name, Trimmed(value));
    ++b.serviceCount;
    return true;
}

bool ParseCode(Parser &p, const char *key, const char *codeText, int32_t *code) {
    uint32_t word = 0;
    if (!ParseWord(p, key, codeText, &word)) return false;
    *code = static_cast<int32_t>(word);
    return true;
}

bool ParseStatusOverride(Parser &p, const char *key, const char *codeText, const char *value) {
    SimBoard &b = *p.board;
    int32_t code = 0;
    if (!ParseCode(p, key, codeText, &code)) return false;
    if (SimFindStatusOverride(b, code) != nullptr) {
        return Fail(p, "duplicate key '%s' in [Board]", key);
    }
    if (b.statusOverrideCount >= kSimMaxStatusOverrides) {
        return Fail(p, "too many Status overrides (at most %d)", kSimMaxStatusOverrides);
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
    int64_t offset = 0;
    if (!ParseRange(p, key, Trimmed(item), 0, payloadSize, "an offset in the payload", &offset)) {
        return false;
    }
    write->offset = static_cast<int32_t>(offset);
    const char *typeText = Trimmed(type);
    int64_t width = 0;
    if (SimEqualNoCase(typeText, "i32")) {
        write->isDouble = false;
        width = 4;
        uint32_t word = 0;
        if (!ParseWord(p, key, Trimmed(value), &word)) return false;
        write->intValue = static_cast<int32_t>(word);
    } else if (SimEqualNoCase(typeText, "f64")) {
        write->isDouble = true;
        width = 8;
        if (!ParseFinite(p, key, Trimmed(value), false, &write->doubleValue)) return false;
    } else {
        return Fail(p, "bad type '%.20s' in %s: expected i32 or f64", typeText, key);
    }
    if (offset + width > payloadSize) {
        return Fail(p, "%s: %d bytes at offset %d lie beyond the %d-byte payload", key,
                    static_cast<int>(width), static_cast<int>(offset), payloadSize);
    }
    return true;
}

bool ParseWriteOverride(Parser &p, const char *key, const char *codeText, char *value) {
    SimBoard &b = *p.board;
    int32_t code = 0;
    if (!ParseCode(p, key, codeText, &code)) return false;
    const int32_t payloadSize = SimPayloadSize(code);
    if (payloadSize <= 0) return Fail(p, "%s: code 0x%x has no payload to write", key, code);
    if (SimFindWriteOverride(b, code) != nullptr) {
        return Fail(p, "duplicate key '%s' in [Board]", key);
    }
    if (b.writeOverrideCount >= kSimMaxWriteOverrides) {
        return Fail(p, "too many Write overrides (at most %d)", kSimMaxWriteOverrides);
    }
    SimWriteOverride &entry = b.writeOverrides[b.writeOverrideCount];
    entry.code = code;
    entry.writeCount = 0;
    char *item = value;
    while (item != nullptr) {
        char *next = SplitAt(item, ',');
        if (entry.writeCount >= kSimMaxPayloadWrites) {
            return Fail(p, "too many writes in %s (at most %d)", key, kSimMaxPayloadWrites);
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

bool ParseOutcome(Parser &p, const char *key, const char *value, SimOptionalInt *out) {
    if (SimEqualNoCase(value, "ok")) {
        out->set = false;
    } else if (SimEqualNoCase(value, "fail")) {
        out->set = true;
        out->value = static_cast<int32_t>(ZKTerr_BAD_MODE);
    } else {
        return Fail(p, "bad value '%.40s' for %s: expected ok or fail", value, key);
    }
    return true;
}

bool ParseOptional(Parser &p, const char *key, const char *value, SimOptionalInt *out) {
    out->set = true;
    return ParseInt32(p, key, value, &out->value);
}

bool ParseLibraryKey(Parser &p, Key key, const char *name, const char *value) {
    SimConfig &c = *p.config;
    if (key == kKeyTrace) {
        if (std::strlen(value) >= sizeof c.tracePath) {
            return Fail(p, "Trace path longer than %d characters",
                        static_cast<int>(sizeof c.tracePath - 1));
        }
        std::memcpy(c.tracePath, value, std::strlen(value) + 1);
        return true;
    }
    return ParseOptional(p, name, value, &c.reportedDeviceCount);
}

bool ParseBoardKey(Parser &p, Key key, const char *name, char *value) {
    SimBoard &b = *p.board;
    switch (key) {
        case kKeyName: SimCopyToField(b.name, sizeof b.name, value); return true;
        case kKeyDevId: return ParseUnsigned(p, name, value, 0xFFFF, "0..0xFFFF", &p.devId);
        case kKeyRevId: return ParseUnsigned(p, name, value, 0xFF, "0..0xFF", &p.revId);
        case kKeyIdWord: p.idWordSet = true; return ParseWord(p, name, value, &b.idWord);
        case kKeyBus: return ParseInt32(p, name, value, &b.bus);
        case kKeyDev: return ParseInt32(p, name, value, &b.dev);
        case kKeySlot: return ParseInt32(p, name, value, &b.slot);
        case kKeyLid: return ParseWord(p, name, value, &b.lid);
        case kKeyOpen:
            if (SimEqualNoCase(name, "Open")) return ParseOutcome(p, name, value, &b.openResult);
            return ParseOptional(p, name, value, &b.openResult);
        case kKeyInfo:
            if (SimEqualNoCase(value, "ok") || SimEqualNoCase(value, "fail")) {
                b.infoFails = SimEqualNoCase(value, "fail");
                return true;
            }
            return Fail(p, "bad value '%.40s' for %s: expected ok or fail", value, name);
        case kKeyCaptureMode:
            b.captureMode.set = true;
            if (SimEqualNoCase(value, "exclusive")) {
                b.captureMode.value = ZKT_CAPTURE_EXCLUSIVE;
                return true;
            }
            if (SimEqualNoCase(value, "spy")) {
                b.captureMode.value = ZKT_CAPTURE_SPY;
                return true;
            }
            return ParseInt32(p, name, value, &b.captureMode.value);
        case kKeyCapture:
            if (SimEqualNoCase(name, "Capture")) {
                return ParseOutcome(p, name, value, &b.captureResult);
            }
            return ParseOptional(p, name, value, &b.captureResult);
        case kKeyUnitCount: return ParseOptional(p, name, value, &b.reportedUnitCount);
        case kKeyServiceCount: return ParseOptional(p, name, value, &b.reportedServiceCount);
        case kKeyInternalClock: return ParseFinite(p, name, value, true, &b.dds.internalClock);
        case kKeyMaxRefClock: return ParseFinite(p, name, value, true, &b.dds.maxRefClock);
        case kKeyTuningBits: {
            int64_t bits = 0;
            if (!ParseRange(p, name, value, 8, 48, "8..48", &bits)) return false;
            b.dds.tuningBits = static_cast<int32_t>(bits);
            return true;
        }
        case kKeyThresholdMin: return ParseFinite(p, name, value, false, &b.dds.thresholdMin);
        case kKeyThresholdMax: return ParseFinite(p, name, value, false, &b.dds.thresholdMax);
        case kKeyUnit: return ParseUnit(p, value);
        case kKeyService: return ParseService(p, value);
        default: return Fail(p, "unknown key '%.40s' in [Board]", name);
    }
}

// Completes the board being read: values that depend on several keys.
bool FinishBoard(Parser &p) {
    if (p.board == nullptr) return true;
    SimBoard &b = *p.board;
    if (!p.idWordSet) b.idWord = (p.devId << 16) | p.revId;
    if (!(b.dds.thresholdMin < b.dds.thresholdMax)) {
        p.line = p.boardLines[&b - p.config->boards];
        return Fail(p, "ThresholdMin must be below ThresholdMax in this [Board]");
    }
    p.board = nullptr;
    return true;
}

bool StartBoard(Parser &p) {
    SimConfig &c = *p.config;
    if (c.boardCount >= kSimMaxBoards)
        return Fail(p, "too many boards (at most %d)", kSimMaxBoards);
    const int32_t index = c.boardCount++;
    SimBoard &b = c.boards[index];
    std::memset(&b, 0, sizeof b);
    b.lid = 0x1000u + static_cast<uint32_t>(index) + 1u;
    b.dds = SimDefaultDdsLimits();
    p.board = &b;
    p.devId = 0;
    p.revId = 0;
    p.idWordSet = false;
    p.boardLines[index] = p.line;
    return true;
}

bool ParseHeader(Parser &p, char *line, size_t length) {
    if (line[length - 1] != ']') return Fail(p, "bad section header: expected [Name]");
    line[length - 1] = '\0';
    const char *name = Trimmed(line + 1);
    if (!FinishBoard(p)) return false;
    p.seenKeys = 0;
    if (SimEqualNoCase(name, "Library")) {
        if (p.librarySeen) return Fail(p, "second [Library] section");
        p.librarySeen = true;
        p.section = kLibrarySection;
        return true;
    }
    if (SimEqualNoCase(name, "Board")) {
        p.section = kBoardSection;
        return StartBoard(p);
    }
    return Fail(p, "unknown section [%.40s]", name);
}

bool ParseKeyLine(Parser &p, char *line) {
    char *value = SplitAt(line, '=');
    const char *name = Trimmed(line);
    if (value == nullptr) return Fail(p, "expected 'key = value'");
    value = Trimmed(value);
    if (*name == '\0') return Fail(p, "missing key before '='");
    if (p.section == kNoSection) return Fail(p, "key '%.40s' outside any section", name);

    if (p.section == kBoardSection && SimStartsNoCase(name, "Status.")) {
        return ParseStatusOverride(p, name, name + 7, value);
    }
    if (p.section == kBoardSection && SimStartsNoCase(name, "Write.")) {
        return ParseWriteOverride(p, name, name + 6, value);
    }
    Key key = kKeyUnknown;
    for (const KeyName &entry : kKeyNames) {
        if (entry.section == p.section && SimEqualNoCase(name, entry.name)) key = entry.key;
    }
    if (key == kKeyUnknown) {
        return Fail(p, "unknown key '%.40s' in [%s]", name, SectionName(p.section));
    }
    if (key != kKeyUnit && key != kKeyService) {
        const uint32_t bit = 1u << key;
        if ((p.seenKeys & bit) != 0) {
            return Fail(p, "duplicate key '%.40s' in [%s]", name, SectionName(p.section));
        }
        p.seenKeys |= bit;
    }
    if (p.section == kLibrarySection) return ParseLibraryKey(p, key, name, value);
    return ParseBoardKey(p, key, name, value);
}

bool ParseLine(Parser &p, char *line, size_t length) {
    line = SimTrim(line, &length);
    if (length == 0 || line[0] == ';' || line[0] == '#') return true;
    if (line[0] == '[') return ParseHeader(p, line, length);
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

bool ParseAll(Parser &p, const char *text, size_t length) {
    char line[kSimMaxLineLength + 1];
    size_t at = 0;
    if (length >= 3 && std::memcmp(text, "\xEF\xBB\xBF", 3) == 0) at = 3;
    while (at < length) {
        ++p.line;
        size_t end = at;
        while (end < length && text[end] != '\n') {
            if (text[end] == '\0') return Fail(p, "NUL byte in line");
            ++end;
        }
        const size_t lineLength = end - at;
        if (lineLength > kSimMaxLineLength) {
            return Fail(p, "line longer than %d characters", static_cast<int>(kSimMaxLineLength));
        }
        std::memcpy(line, text + at, lineLength);
        line[lineLength] = '\0';
        if (!ParseLine(p, line, lineLength)) return false;
        at = end + 1;
    }
    return FinishBoard(p) && CheckLids(p);
}

}  // namespace

void SimClearConfig(SimConfig *config) {
    config->tracePath[0] = '\0';
    config->reportedDeviceCount.set = false;
    config->reportedDeviceCount.value = 0;
    config->boardCount = 0;
}

bool SimParseConfigText(const char *fileLabel, const char *text, size_t length, SimConfig *config,
                        char *message, size_t messageSize) {
    Parser p;
    std::memset(&p, 0, sizeof p);
    p.file = fileLabel;
    p.message = message;
    p.messageSize = messageSize;
    p.config = config;
    if (messageSize > 0) message[0] = '\0';
    SimClearConfig(config);
    if (!ParseAll(p, text, length)) {
        SimClearConfig(config);
        SimFindTracePath(text, length, config->tracePath, sizeof config->tracePath);
        return false;
    }
    return true;
}

SimLoadResult SimLoadConfigFile(const char *path, SimConfig *config, char *message,
                                size_t messageSize) {
    SimClearConfig(config);
    FILE *file = std::fopen(path, "rb");
    if (file == nullptr) {
        const int error = errno;
        std::snprintf(message, messageSize, "%s: cannot open (%s)", path, std::strerror(error));
        return error == ENOENT ? kSimConfigMissing : kSimConfigInvalid;
    }
    char *text = new (std::nothrow) char[kSimMaxConfigBytes + 1];
    if (text == nullptr) {
        std::fclose(file);
        std::snprintf(message, messageSize, "%s: out of memory", path);
        return kSimConfigInvalid;
    }
    const size_t length = std::fread(text, 1, kSimMaxConfigBytes + 1, file);
    const bool readFailed = std::ferror(file) != 0;
    std::fclose(file);
    SimLoadResult result = kSimConfigLoaded;
    if (readFailed) {
        std::snprintf(message, messageSize, "%s: cannot read", path);
        result = kSimConfigInvalid;
    } else if (length > static_cast<size_t>(kSimMaxConfigBytes)) {
        std::snprintf(message, messageSize, "%s: larger than %ld bytes", path, kSimMaxConfigBytes);
        result = kSimConfigInvalid;
    } else if (!SimParseConfigText(path, text, length, config, message, messageSize)) {
        result = kSimConfigInvalid;
    }
    delete[] text;
    return result;
}

const SimStatusOverride *SimFindStatusOverride(const SimBoard &board, int32_t code) {
    for (int32_t i = 0; i < board.statusOverrideCount; ++i) {
        if (board.statusOverrides[i].code == code) return &board.statusOverrides[i];
    }
    return nullptr;
}

const SimWriteOverride *SimFindWriteOverride(const SimBoard &board, int32_t code) {
    for (int32_t i = 0; i < board.writeOverrideCount; ++i) {
        if (board.writeOverrides[i].code == code) return &board.writeOverrides[i];
    }
    return nullptr;
}
