// v4npelva-content: paints every picture of the show into a staging folder for the packer, or
// draws a contact sheet of a staging folder for a look at the results.
#include "generate.h"

#include "icon.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

static int usage()
{
    std::fprintf(stderr,
                 "usage: v4npelva-content OUTDIR\n"
                 "       v4npelva-content --contact-sheet SHEET.png DIR [SCALE]\n"
                 "       v4npelva-content --icon ICON.bmp [ICON.png]\n");
    return 2;
}

int main(int argc, char** argv)
{
    if ((argc == 4 || argc == 5) && std::strcmp(argv[1], "--contact-sheet") == 0)
        return writeContactSheet(argv[2], argv[3], argc == 5 ? std::atoi(argv[4]) : 1) ? 0 : 1;
    if ((argc == 3 || argc == 4) && std::strcmp(argv[1], "--icon") == 0)
        return writeIcon(argv[2]) && (argc == 3 || writeIconPng(argv[3])) ? 0 : 1;
    if (argc != 2 || argv[1][0] == '-')
        return usage();
    std::error_code error;
    std::filesystem::create_directories(argv[1], error);
    if (error) {
        std::fprintf(stderr, "v4npelva-content: cannot create %s: %s\n", argv[1],
                     error.message().c_str());
        return 1;
    }
    return generateContent(argv[1]) ? 0 : 1;
}
