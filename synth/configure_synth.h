// Programs a captured synthesizer service from SynthSettings.
#ifndef QUILMAR_SYNTH_CONFIGURE_SYNTH_H
#define QUILMAR_SYNTH_CONFIGURE_SYNTH_H

#include <cstdint>

// Handle of the synthesizer service captured in the current device pass; 0 or
// negative when none is held.
extern int32_t currentService;

// Sends the set-up commands to currentService, printing each value as the
// library hands it back and one line per failed command. With StartStb 1 it
// then waits for a key and starts the strobe. Stops early once the run is
// interrupted (PlatformInterrupted).
void ConfigureSynth();

#endif  // QUILMAR_SYNTH_CONFIGURE_SYNTH_H
