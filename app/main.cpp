// quilmar: lists the boards that the board access library reports and
// programs their synthesizer services from quilmar.ini.
#include "app/walk.h"
#include "platform/platform.h"
#include "settings/settings.h"

int main() {
    PlatformEnsureStandardStreams();
    PlatformStartUp();
    LoadSettings();
    WalkDevices();
    PlatformWaitKey();
    return 0;
}
