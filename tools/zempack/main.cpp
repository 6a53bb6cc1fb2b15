// zempack entry: picks the subcommand.
#include "zempack.h"

#include <cstring>

void printZempackUsage(std::FILE* to)
{
    std::fputs(
        "usage: zempack pack OUT.zem FILE|DIR...     pack files (a DIR adds the files inside it)\n"
        "       zempack list ARCHIVE                 list name, offset and size of each file\n"
        "       zempack extract ARCHIVE [NAME...] [-C DIR]\n"
        "                                            write the named files (default: all) into "
        "DIR\n"
        "       zempack test ARCHIVE                 unpack and check the directory\n"
        "       zempack info ARCHIVE NAME            load a 3DS file and show its objects and "
        "tracks\n"
        "       zempack --help                       show this text\n"
        "File names inside an archive are 8.3 names, stored lower-case.\n"
        "Exit codes: 0 done, 1 a file could not be read or written or an archive is damaged,\n"
        "2 bad command line.\n",
        to);
}

int main(int argc, char** argv)
{
    if (argc < 2) {
        printZempackUsage(stderr);
        return zempackUsage;
    }
    std::string command = argv[1];
    std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "--help" || command == "-h" || command == "help") {
        printZempackUsage(stdout);
        return zempackOk;
    }
    for (const std::string& a : args) {
        if (a == "--help" || a == "-h") {
            printZempackUsage(stdout);
            return zempackOk;
        }
    }
    if (command == "pack")
        return zempackPack(args);
    if (command == "list")
        return zempackList(args);
    if (command == "extract")
        return zempackExtract(args);
    if (command == "test")
        return zempackTest(args);
    if (command == "info")
        return zempackInfo(args);
    if (!command.empty() && command[0] == '-')
        zempackError("unknown option '%s'", command.c_str());
    else
        zempackError("unknown command '%s'", command.c_str());
    printZempackUsage(stderr);
    return zempackUsage;
}
