// Shared by the subcommands: messages, whole-file input and output, archive loading.
#include "zempack.h"

#include <cstdarg>
#include <cstdlib>
#include <fstream>
#include <iterator>

void zempackError(const char* format, ...)
{
    std::fputs("zempack: ", stderr);
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
}

bool rejectUnknownOptions(const std::vector<std::string>& args,
                          const std::vector<std::string>& known)
{
    for (const std::string& a : args) {
        if (a.size() < 2 || a[0] != '-')
            continue;
        bool ok = false;
        for (const std::string& k : known)
            ok = ok || a == k;
        if (!ok) {
            zempackError("unknown option '%s'", a.c_str());
            return true;
        }
    }
    return false;
}

bool readWholeFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open '" + path + "'";
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        error = "cannot read '" + path + "'";
        return false;
    }
    return true;
}

bool writeWholeFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    out.close();
    if (!out) {
        error = "cannot write '" + path + "'";
        return false;
    }
    return true;
}

bool loadArchiveFile(const std::string& path, LoadedArchive& archive)
{
    std::string error;
    if (!readWholeFile(path, archive.file, error)) {
        zempackError("%s", error.c_str());
        return false;
    }
    PackDecodeResult decode;
    PackLoadStatus status =
        loadPackImage(archive.file.data(), archive.file.size(), &archive.image, &decode);
    const char* p = path.c_str();
    switch (status) {
    case PackLoadStatus::ok: return true;
    case PackLoadStatus::notPackFormat:
        zempackError("%s: not a -ZEM- pack archive (the magic \"%s\" is missing)", p, packMagic);
        break;
    case PackLoadStatus::headerTruncated: zempackError("%s: cut short inside its header", p); break;
    case PackLoadStatus::sizeTooLarge:
        zempackError("%s: claims an impossible unpacked size for %zu compressed bytes", p,
                     archive.file.size() - packHeaderSize);
        break;
    case PackLoadStatus::outOfMemory: zempackError("%s: not enough memory to unpack it", p); break;
    case PackLoadStatus::streamCorrupt:
        zempackError("%s: damaged compressed data: %s", p, packDecodeMessage(decode));
        break;
    case PackLoadStatus::directoryDamaged:
        zempackError("%s: the directory is damaged (entries outside the unpacked data)", p);
        break;
    }
    return false;
}

std::string unpackedName(const char packedName[12])
{
    std::string base(packedName, 8);
    std::string extension(packedName + 8, 4);
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    while (!extension.empty() && extension.back() == ' ')
        extension.pop_back();
    return base + extension;
}
