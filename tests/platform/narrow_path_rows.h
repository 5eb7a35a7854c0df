// The check of PlatformNarrowPath that the POSIX and the Windows tests share;
// each gives its own rows, as each system has its own narrow encoding.
#ifndef QUILMAR_TESTS_PLATFORM_NARROW_PATH_ROWS_H
#define QUILMAR_TESTS_PLATFORM_NARROW_PATH_ROWS_H

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "platform/platform.h"

struct NarrowPathRow {
    std::u16string path;
    NarrowPathResult result;
    std::string narrow;  // or the reason
};

// Each row's path narrowed as it says, or refused with its reason and
// nothing left in the output; then roomPath (whose narrow form is
// roomNarrow, three bytes) into exactly the room of its bytes and the NUL,
// and into one byte less.
inline void ExpectNarrowPaths(std::initializer_list<NarrowPathRow> rows,
                              const std::u16string &roomPath, const char *roomNarrow) {
    for (const NarrowPathRow &row : rows) {
        char out[64];
        char reason[128] = "";
        EXPECT_EQ(PlatformNarrowPath(row.path.data(), row.path.size(), out, sizeof out, reason,
                                     sizeof reason),
                  row.result)
            << row.narrow;
        EXPECT_EQ(std::string(row.result == kNarrowPathDone ? out : reason), row.narrow);
        if (row.result != kNarrowPathDone) {
            EXPECT_STREQ(out, "");
        }
    }
    char out[4];
    char reason[8];
    EXPECT_EQ(PlatformNarrowPath(roomPath.data(), roomPath.size(), out, sizeof out, reason,
                                 sizeof reason),
              kNarrowPathDone);
    EXPECT_STREQ(out, roomNarrow);
    EXPECT_EQ(PlatformNarrowPath(roomPath.data(), roomPath.size(), out, 3, reason, sizeof reason),
              kNarrowPathTooLong);
    EXPECT_STREQ(out, "");
}

#endif  // QUILMAR_TESTS_PLATFORM_NARROW_PATH_ROWS_H
