// Preloaded in front of the board access library for zktdump's signal
// test. Its ZKT_getInfo stands for a library call the user interrupts: it
// lists the files of the current folder on standard error (the dump's new
// file must be among them), then sends the process the signal that
// ZKTDUMP_TEST_SIGNAL names (INT or TERM), as Ctrl-C or kill would.
#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "boardlib/zkt_api.h"

int32_t ZKT_CALL ZKT_getInfo(uint32_t, BoardInfo *) {
    DIR *folder = opendir(".");
    if (folder != nullptr) {
        while (const dirent *entry = readdir(folder)) {
            if (entry->d_name[0] != '.') std::fprintf(stderr, "file: %s\n", entry->d_name);
        }
        closedir(folder);
    }
    const char *name = std::getenv("ZKTDUMP_TEST_SIGNAL");
    const int signalNumber = name != nullptr && std::strcmp(name, "INT") == 0 ? SIGINT : SIGTERM;
    kill(getpid(), signalNumber);
    return static_cast<int32_t>(ZKTerr_BAD_MODE);
}
