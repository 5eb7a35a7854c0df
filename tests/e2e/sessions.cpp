// A program of several library sessions in one process, as a lab's own
// program may be: "sessions CALLS SESSIONS" makes CALLS ZKT_displayMode calls
// (with the session's number as the mode) before each of SESSIONS sessions,
// and prints what each session finds. Linked against the library directly.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "boardlib/zkt_api.h"

int main(int argc, char **argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: sessions CALLS SESSIONS\n");
        return 2;
    }
    const long calls = std::strtol(argv[1], nullptr, 10);
    const long sessions = std::strtol(argv[2], nullptr, 10);
    for (long session = 1; session <= sessions; ++session) {
        for (long i = 0; i < calls; ++i) ZKT_displayMode(static_cast<int32_t>(session - 1));
        int32_t count = 0;
        const int32_t status = ZKT_init("zkt.ini", &count);
        std::printf("session %ld: ZKT_init status 0x%08" PRIX32 "\n", session,
                    static_cast<uint32_t>(status));
        uint32_t lids[ZKT_MAX_LIDS];
        count = 0;
        const bool listed = ZktSucceeded(ZKT_lidList(lids, ZKT_MAX_LIDS, &count));
        const int32_t held = listed ? ZktEntriesHeld(count, ZKT_MAX_LIDS) : 0;
        for (int32_t i = 0; i < held; ++i) {
            BoardInfo info;
            std::memset(&info, 0, sizeof info);
            info.size = sizeof info;
            ZKT_getInfo(lids[i], &info);
            std::printf("session %ld: board %.*s\n", session, static_cast<int>(sizeof info.name),
                        info.name);
        }
        std::printf("session %ld: ZKT_cleanup status 0x%08" PRIX32 "\n", session,
                    static_cast<uint32_t>(ZKT_cleanup()));
    }
    return 0;
}
