// The one way out of the program.
#pragma once

// Ends the process with exit code 0. Windows are left to die with the
// process and queued events are never handled; playback simply stops.
[[noreturn]] void exitProgram();
