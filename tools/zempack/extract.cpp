// zempack extract ARCHIVE [NAME...] [-C DIR]: writes files out of an archive.
#include "zempack.h"

#include <filesystem>
#include <set>

namespace fs = std::filesystem;

namespace {

// A name from the directory is written only if it is a plain file name (a damaged or hostile
// archive could hold slashes or "..").
bool safeFileName(const std::string& name)
{
    if (name.empty() || name == "." || name == "..")
        return false;
    for (char c : name) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f || c == '/' || c == '\\')
            return false;
    }
    return true;
}

}  // namespace

int zempackExtract(const std::vector<std::string>& args)
{
    std::string archivePath;
    std::string outDir = ".";
    std::vector<std::string> names;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-C") {
            if (i + 1 >= args.size()) {
                zempackError("-C needs a folder");
                return zempackUsage;
            }
            outDir = args[++i];
        } else if (args[i].size() > 1 && args[i][0] == '-') {
            zempackError("unknown option '%s'", args[i].c_str());
            return zempackUsage;
        } else if (archivePath.empty()) {
            archivePath = args[i];
        } else {
            names.push_back(args[i]);
        }
    }
    if (archivePath.empty()) {
        zempackError("extract takes an archive");
        return zempackUsage;
    }
    LoadedArchive archive;
    if (!loadArchiveFile(archivePath, archive))
        return zempackFailed;
    std::error_code ec;
    fs::create_directories(outDir, ec);
    if (!fs::is_directory(outDir, ec)) {
        zempackError("cannot create folder '%s'", outDir.c_str());
        return zempackFailed;
    }

    // Each wanted entry: the first with its packed name, as the engine would open it.
    std::vector<int> wanted;
    if (names.empty()) {
        std::set<std::string> seen;
        for (int i = 0; i < archive.image.entryCount; ++i) {
            PackDirEntry entry = packDirEntry(archive.image.bytes, i);
            if (seen.insert(std::string(entry.name, 12)).second)
                wanted.push_back(i);
        }
    } else {
        for (const std::string& name : names) {
            char key[13];
            makePackName(key, name.c_str());
            int found = -1;
            for (int i = 0; i < archive.image.entryCount && found < 0; ++i)
                if (std::string(packDirEntry(archive.image.bytes, i).name, 12) ==
                    std::string(key, 12))
                    found = i;
            if (found < 0) {
                zempackError("%s: no file '%s' in the archive", archivePath.c_str(), name.c_str());
                return zempackFailed;
            }
            wanted.push_back(found);
        }
    }
    for (int i : wanted) {
        PackDirEntry entry = packDirEntry(archive.image.bytes, i);
        std::string name = unpackedName(entry.name);
        if (!safeFileName(name)) {
            zempackError("%s: entry %d has a name that is not a plain file name; not written",
                         archivePath.c_str(), i);
            return zempackFailed;
        }
        const uint8_t* from = archive.image.bytes + entry.offset;
        std::vector<uint8_t> bytes(from, from + entry.size);
        std::string error;
        if (!writeWholeFile((fs::path(outDir) / name).string(), bytes, error)) {
            zempackError("%s", error.c_str());
            return zempackFailed;
        }
        std::printf("%s\n", name.c_str());
    }
    return zempackOk;
}
