// v4npelva-music: writes the soundtrack module. Usage: v4npelva-music OUTPUT.xm
#include "music/music.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.xm\n", argv[0]);
        return 2;
    }
    std::string error;
    if (!writeXmFile(composeSoundtrack(), argv[1], error)) {
        std::fprintf(stderr, "v4npelva-music: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
