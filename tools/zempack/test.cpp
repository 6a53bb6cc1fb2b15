// zempack test ARCHIVE: unpacks and checks the directory.
#include "zempack.h"

#include <set>

int zempackTest(const std::vector<std::string>& args)
{
    if (rejectUnknownOptions(args, {}))
        return zempackUsage;
    if (args.size() != 1) {
        zempackError("test takes one archive");
        return zempackUsage;
    }
    LoadedArchive archive;
    if (!loadArchiveFile(args[0], archive))
        return zempackFailed;
    // Entries the engine can never open (duplicates are shadowed) are worth a note, not a failure.
    std::set<std::string> seen;
    for (int i = 0; i < archive.image.entryCount; ++i) {
        PackDirEntry entry = packDirEntry(archive.image.bytes, i);
        std::string name(entry.name, 12);
        if (!seen.insert(name).second)
            std::printf(
                "note: '%s' appears again as entry %d; the earlier entry is the one opened\n",
                unpackedName(entry.name).c_str(), i);
    }
    std::printf("%s: sound, %d files, %u bytes unpacked\n", args[0].c_str(),
                archive.image.entryCount, archive.image.size);
    return zempackOk;
}
