// zempack list ARCHIVE: one line per directory entry.
#include "zempack.h"

int zempackList(const std::vector<std::string>& args)
{
    if (rejectUnknownOptions(args, {}))
        return zempackUsage;
    if (args.size() != 1) {
        zempackError("list takes one archive");
        return zempackUsage;
    }
    LoadedArchive archive;
    if (!loadArchiveFile(args[0], archive))
        return zempackFailed;
    std::printf("%-12s %10s %10s\n", "name", "offset", "size");
    uint64_t total = 0;
    for (int i = 0; i < archive.image.entryCount; ++i) {
        PackDirEntry entry = packDirEntry(archive.image.bytes, i);
        std::printf("%-12s %10u %10u\n", unpackedName(entry.name).c_str(), entry.offset,
                    entry.size);
        total += entry.size;
    }
    std::printf("%d files, %llu bytes; unpacked %u bytes, packed %zu bytes\n",
                archive.image.entryCount, static_cast<unsigned long long>(total),
                archive.image.size, archive.file.size());
    return zempackOk;
}
