/* Lists the boards the board access library reports and what each says of
   itself. Build it with
       eval "cc -o list_boards list_boards.c $(pkg-config --cflags --libs zkt)"
   (eval reads the paths as pkg-config escapes them, a space as "\ "), and
   run it in a folder holding a zkt.ini (see zkt(3)). */
#include <inttypes.h>
#include <stdio.h>
#include <string.h>
#include <zkt_api.h>

int main(int argc, char **argv) {
    const char *config = argc > 1 ? argv[1] : "zkt.ini";
    int32_t count = 0;
    int32_t status = ZKT_init(config, &count);
    printf("ZKT_init(\"%s\"): status 0x%08" PRIX32 ", %" PRId32 " boards\n", config,
           (uint32_t)status, count);
    /* A failed ZKT_init still asks for ZKT_cleanup: the library may hold
       what it set up before it failed. */
    const bool initialized = ZktSucceeded(status);

    uint32_t lids[ZKT_MAX_LIDS];
    count = 0;
    if (initialized) {
        status = ZKT_lidList(lids, ZKT_MAX_LIDS, &count);
        printf("ZKT_lidList: status 0x%08" PRIX32 ", %" PRId32 " boards\n", (uint32_t)status,
               count);
        if (!ZktSucceeded(status)) count = 0;
    }

    int32_t held = ZktEntriesHeld(count, ZKT_MAX_LIDS);
    for (int32_t i = 0; i < held; i++) {
        BoardInfo info;
        memset(&info, 0, sizeof info);
        info.size = (uint32_t)sizeof info;
        status = ZKT_getInfo(lids[i], &info);
        if (!ZktSucceeded(status)) {
            printf("board 0x%08" PRIX32 ": ZKT_getInfo status 0x%08" PRIX32 "\n", lids[i],
                   (uint32_t)status);
            continue;
        }
        /* The name is NUL-terminated only when it fits. */
        printf("board 0x%08" PRIX32 ": %.*s, device 0x%04" PRIX32 " revision 0x%02" PRIX32
               ", bus %" PRId32 " dev %" PRId32 " slot %" PRId32 "\n",
               lids[i], (int)sizeof info.name, info.name, info.idWord >> 16, info.idWord & 0xFFu,
               info.bus, info.dev, info.slot);
    }

    status = ZKT_cleanup();
    printf("ZKT_cleanup: status 0x%08" PRIX32 "\n", (uint32_t)status);
    return initialized && ZktSucceeded(status) ? 0 : 1;
}
