// zempack pack OUT.zem FILE|DIR...: packs the files, directories by the files directly inside.
#include "zempack.h"

#include "packer/packer.h"

#include <algorithm>
#include <filesystem>
#include <map>

namespace fs = std::filesystem;

namespace {

// Adds one file under its own name; false after reporting a problem.
bool addFile(const fs::path& path, std::vector<PackInput>& files,
             std::map<std::string, std::string>& packedFrom)
{
    PackInput input;
    input.name = path.filename().string();
    char packed[12];
    std::string error;
    if (!checkPackName(input.name, packed, error)) {
        zempackError("%s (%s)", error.c_str(), path.c_str());
        return false;
    }
    std::string key(packed, 12);
    auto earlier = packedFrom.find(key);
    if (earlier != packedFrom.end()) {
        zempackError("'%s' and '%s' both pack as '%s'", earlier->second.c_str(), path.c_str(),
                     unpackedName(packed).c_str());
        return false;
    }
    if (!readWholeFile(path.string(), input.bytes, error)) {
        zempackError("%s", error.c_str());
        return false;
    }
    packedFrom[key] = path.string();
    input.name = unpackedName(packed);
    files.push_back(std::move(input));
    return true;
}

}  // namespace

int zempackPack(const std::vector<std::string>& args)
{
    if (rejectUnknownOptions(args, {}))
        return zempackUsage;
    if (args.size() < 2) {
        zempackError("pack takes an output archive and at least one file or folder");
        return zempackUsage;
    }
    std::vector<PackInput> files;
    std::map<std::string, std::string> packedFrom;
    for (size_t i = 1; i < args.size(); ++i) {
        fs::path path(args[i]);
        std::error_code ec;
        if (fs::is_directory(path, ec)) {
            std::vector<fs::path> inside;
            for (const fs::directory_entry& entry : fs::directory_iterator(path, ec)) {
                if (entry.is_regular_file())
                    inside.push_back(entry.path());
                else if (entry.is_directory())
                    std::fprintf(stderr,
                                 "zempack: skipping folder '%s' (archives have no folders)\n",
                                 entry.path().c_str());
            }
            if (ec) {
                zempackError("cannot read folder '%s'", path.c_str());
                return zempackFailed;
            }
            // Name order as stored (lower-case), so the directory does not depend on the case.
            auto lowered = [](const fs::path& p) {
                std::string s = p.filename().string();
                for (char& c : s)
                    c = c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
                return s;
            };
            std::sort(inside.begin(), inside.end(), [&](const fs::path& a, const fs::path& b) {
                return lowered(a) < lowered(b);
            });
            for (const fs::path& p : inside)
                if (!addFile(p, files, packedFrom))
                    return zempackFailed;
        } else if (fs::is_regular_file(path, ec)) {
            if (!addFile(path, files, packedFrom))
                return zempackFailed;
        } else {
            zempackError("no such file or folder '%s'", path.c_str());
            return zempackFailed;
        }
    }
    std::vector<uint8_t> archive;
    std::string error;
    if (!buildArchive(files, archive, error)) {
        zempackError("%s", error.c_str());
        return zempackFailed;
    }
    if (!writeWholeFile(args[0], archive, error)) {
        zempackError("%s", error.c_str());
        return zempackFailed;
    }
    uint64_t total = 0;
    for (const PackInput& f : files)
        total += f.bytes.size();
    std::printf("packed %zu files (%llu bytes) into %s: %zu bytes\n", files.size(),
                static_cast<unsigned long long>(total), args[0].c_str(), archive.size());
    return zempackOk;
}
