// The limits of the zkt.ini format: what the simulator reads at most, and so
// what zktdump may write for a file the simulator takes back whole.
#ifndef QUILMAR_ZKTINI_ZKT_INI_LIMITS_H
#define QUILMAR_ZKTINI_ZKT_INI_LIMITS_H

#include <cstddef>
#include <cstdint>

constexpr int32_t kSimMaxBoards = 32;
constexpr int32_t kSimMaxUnits = 16;
constexpr int32_t kSimMaxServices = 16;
constexpr int32_t kSimMaxStatusOverrides = 16;
constexpr int32_t kSimMaxWriteOverrides = 16;
constexpr int32_t kSimMaxPayloadWrites = 8;
constexpr size_t kSimMaxPathSize = 260;
constexpr size_t kSimMaxLineLength = 1024;
constexpr long kSimMaxConfigBytes = 1024L * 1024L;

#endif  // QUILMAR_ZKTINI_ZKT_INI_LIMITS_H
