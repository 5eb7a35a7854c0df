// quilmar: lists the boards that the board access library reports and
// programs their synthesizer services from quilmar.ini.
#include "app/command_line.h"
#include "app/walk.h"
#include "platform/platform.h"
#include "settings/settings.h"

int main(int argc, char **argv) {
    PlatformEnsureStandardStreams();
    PlatformStartUp();
    const int answered = AnswerCommandLine(argc, argv);
    if (answered != kCommandLineRun) return answered;
    LoadSettings();
    WalkDevices();
    PlatformWaitKey();
    return 0;
}
