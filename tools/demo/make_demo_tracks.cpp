// make-demo-tracks OUTDIR: writes the generated demo tracks into OUTDIR (created if missing).
#include "demo_tracks.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-demo-tracks OUTDIR\n");
        return 2;
    }
    std::error_code error;
    std::filesystem::create_directories(argv[1], error);
    if (error || !demo::writeDemoTracks(argv[1])) {
        std::fprintf(stderr, "make-demo-tracks: cannot write the tracks into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
