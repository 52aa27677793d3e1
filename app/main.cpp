#include "app/main_loop.h"
#include "app/startup.h"

int main(int argc, char **argv)
{
    startPlayer(argc, argv);
    runMainLoop();
}
