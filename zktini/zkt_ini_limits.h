// The limits of the zkt.ini format: what the simulator reads at most, and so
// what zktdump may write for a file the simulator takes back whole.
#ifndef QUILMAR_ZKTINI_ZKT_INI_LIMITS_H
#define QUILMAR_ZKTINI_ZKT_INI_LIMITS_H

#include <cstddef>
#include <cstdint>

constexpr int32_t kZktIniMaxBoards = 32;             // [Board] sections in a file
constexpr int32_t kZktIniMaxUnits = 16;              // Unit lines in a [Board]
constexpr int32_t kZktIniMaxServices = 16;           // Service lines in a [Board]
constexpr int32_t kZktIniMaxStatusOverrides = 16;    // Status.<code> keys in a [Board]
constexpr int32_t kZktIniMaxWriteOverrides = 16;     // Write.<code> keys in a [Board]
constexpr int32_t kZktIniMaxPayloadWrites = 8;       // offsets one Write.<code> sets
constexpr size_t kZktIniMaxPathSize = 260;           // a Trace or Replay path, with its NUL
constexpr size_t kZktIniMaxLineLength = 1024;        // a line, its line end excluded
constexpr long kZktIniMaxFileBytes = 1024L * 1024L;  // the whole file

#endif  // QUILMAR_ZKTINI_ZKT_INI_LIMITS_H
