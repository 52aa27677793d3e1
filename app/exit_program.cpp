#include "app/exit_program.h"

#include <cstdio>
#include <unistd.h>

void exitProgram()
{
    std::fflush(nullptr);
    // _exit, not exit: no destructor may tear down windows or the engine first.
    _exit(0);
}
