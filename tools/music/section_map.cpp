// The timing check: plays the module through the music player's offline output, notes when
// every row and every sync command becomes audible, and measures each section of the show
// against its scene's length.
#include "music/music.h"

#include "audio/audio.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <utility>

namespace {

// Mixing rate of the measurement: rows are placed to within one step of 1 ms.
constexpr int measureRate = 22050;
constexpr uint64_t stepFrames = measureRate / 1000;
// Longest song the check plays before giving up on finding its end.
constexpr double maxSongSeconds = 900;

// A section boundary: a play position, the first sync 1 after order 1, or the song's end.
struct Boundary {
    int order;
    int row;
    enum Kind { position, endCue, songEnd } kind;
};

// A section of the show: its boundaries and allowed length (seconds). A target of 0 means only
// the range counts; otherwise the range is the target +-2%.
struct SectionRule {
    const char* name;
    Boundary from, to;
    double target, minSeconds, maxSeconds;
};

constexpr double tolerance = 0.02;
constexpr Boundary at(int order, int row)
{
    return {order, row, Boundary::position};
}
constexpr Boundary endCue{0, 0, Boundary::endCue};
constexpr Boundary songEnd{0, 0, Boundary::songEnd};

// Scene lengths are in units of 1.9 ms: Flames 15872 (30.2 s), Credits 5120 (9.73 s), Space
// flight 7680 (14.59 s), Tunnel 6656 (12.65 s), 11776 (22.37 s) for the typical scene, Cosmos
// 2560 (4.86 s), Greetings 4096 (7.78 s), Rubber 16384 (31.1 s), the neon rooms 14848
// (28.21 s) and Final flight 16896 (32.1 s).
const SectionRule rules[] = {
    {"intro", at(0, 0), at(1, 0), 0, 1, 3},
    {"Flames", at(1, 0), endCue, 30.2, 0, 0},
    {"opening picture", endCue, at(2, 32), 0, 3, 5},
    {"Credits", at(2, 32), at(7, 0), 9.73, 0, 0},
    {"Space flight", at(7, 0), at(12, 16), 14.59, 0, 0},
    {"Tunnel", at(12, 16), at(17, 0), 12.65, 0, 0},
    {"Wave grid", at(17, 0), at(23, 0), 22.37, 0, 0},
    {"Cosmos cross-fade", at(23, 0), at(25, 0), 4.86, 0, 0},
    {"Sun and code", at(25, 0), at(33, 0), 22.37, 0, 0},
    {"Disks", at(33, 0), at(41, 0), 22.37, 0, 0},
    {"Greetings", at(41, 0), at(44, 0), 7.78, 0, 0},
    {"Rubber", at(44, 0), at(55, 0), 31.1, 0, 0},
    {"Morph", at(55, 0), at(63, 0), 22.37, 0, 0},
    {"Computer", at(63, 0), at(73, 0), 28.21, 0, 0},
    {"Mother", at(73, 0), at(83, 0), 28.21, 0, 0},
    {"interlude", at(83, 0), at(84, 0), 0, 3, 6},
    {"Final flight", at(84, 0), songEnd, 0, 32.1, 120},
};
constexpr int flamesRule = 1, openingRule = 2, creditsRule = 3, interludeRule = 15;

// Sync values the scenes react to; outside the sections that use them only 3 and 4 may appear.
constexpr int syncEndValue = 1, syncShakeValue = 2;

struct Heard {
    std::map<std::pair<int, int>, double> rowStart;  // (order, row) -> seconds, first pass only
    std::vector<SyncHeard> syncs;
};
Heard* heardNow = nullptr;

void recordSync(unsigned value, unsigned order, unsigned row)
{
    if (heardNow != nullptr) {
        SyncHeard s;
        s.order = static_cast<int>(order);
        s.row = static_cast<int>(row);
        s.value = static_cast<int>(value);
        heardNow->syncs.push_back(s);
    }
}

std::string describe(const Boundary& b)
{
    if (b.kind == Boundary::endCue)
        return "sync 1";
    if (b.kind == Boundary::songEnd)
        return "end";
    return std::to_string(b.order) + "," + std::to_string(b.row);
}

}  // namespace

SectionMap measureSectionMap(const std::vector<uint8_t>& xmBytes)
{
    SectionMap map;
    Heard heard;
    musicStartup();
    musicSetOption(musicOptionOutputDevice, musicDeviceOffline);
    musicSetOption(musicOptionMixRate, measureRate);
    musicInit();
    MusicModule* module = musicLoadModuleFromMemory(xmBytes.data(), xmBytes.size());
    if (module == nullptr) {
        map.problems.push_back(std::string("module does not load: ") + musicLastError());
        musicClose();
        return map;
    }
    const unsigned handle = musicPlayModule(module, 1);
    heardNow = &heard;
    musicSetSyncCallback(handle, recordSync);
    bool wrapped = false;
    for (uint64_t frame = stepFrames; frame < uint64_t(maxSongSeconds * measureRate) && !wrapped;
         frame += stepFrames) {
        const size_t syncsBefore = heard.syncs.size();
        musicRenderOfflineTo(frame);
        MusicPlayStatus status{};
        if (!musicGetPlayStatus(handle, &status))
            break;
        // The row heard at the end of this step began within it: time it from the step's start.
        const double seconds = double(frame - stepFrames) / measureRate;
        if (status.songLoopCount > 0) {
            map.songSeconds = seconds;
            wrapped = true;
        } else {
            heard.rowStart.emplace(std::make_pair(int(status.position), int(status.row)), seconds);
        }
        for (size_t i = syncsBefore; i < heard.syncs.size(); ++i) {
            SyncHeard& s = heard.syncs[i];
            auto it = heard.rowStart.find({s.order, s.row});
            s.seconds = it != heard.rowStart.end() ? it->second : seconds;
        }
        if (wrapped)
            // Syncs of the next pass are not part of this one.
            heard.syncs.resize(syncsBefore);
    }
    heardNow = nullptr;
    musicFreeModule(module);
    musicClose();
    if (!wrapped)
        map.problems.push_back("the song does not come back to its restart position");

    // The end cue: the first sync 1 from order 1 on.
    double endCueSeconds = -1;
    for (const SyncHeard& s : heard.syncs)
        if (s.value == syncEndValue && s.order >= 1) {
            endCueSeconds = s.seconds;
            break;
        }
    if (endCueSeconds < 0)
        map.problems.push_back("no sync 1 ends the opening scene");

    auto timeOf = [&](const Boundary& b, double& out) {
        if (b.kind == Boundary::endCue) {
            out = endCueSeconds;
            return endCueSeconds >= 0;
        }
        if (b.kind == Boundary::songEnd) {
            out = map.songSeconds;
            return wrapped;
        }
        auto it = heard.rowStart.find({b.order, b.row});
        if (it == heard.rowStart.end())
            return false;
        out = it->second;
        return true;
    };

    for (const SectionRule& rule : rules) {
        SectionHeard s;
        s.name = rule.name;
        s.from = describe(rule.from);
        s.to = describe(rule.to);
        s.targetSeconds = rule.target;
        s.minSeconds = rule.target > 0 ? rule.target * (1 - tolerance) : rule.minSeconds;
        s.maxSeconds = rule.target > 0 ? rule.target * (1 + tolerance) : rule.maxSeconds;
        const bool found = timeOf(rule.from, s.start) && timeOf(rule.to, s.end);
        const double length = s.end - s.start;
        s.ok = found && length >= s.minSeconds && length <= s.maxSeconds;
        if (!found)
            map.problems.push_back(s.name + ": boundary " +
                                   (timeOf(rule.from, s.start) ? s.to : s.from) + " never heard");
        else if (!s.ok)
            map.problems.push_back(s.name + ": lasts " + std::to_string(length) + " s, outside " +
                                   std::to_string(s.minSeconds) + ".." +
                                   std::to_string(s.maxSeconds));
        map.sections.push_back(s);
    }

    // Assign each sync to its section; the end cue belongs to the scene it ends.
    std::vector<std::vector<int>> values(map.sections.size());
    std::vector<std::vector<double>> times(map.sections.size());
    bool endCueTaken = false;
    for (SyncHeard& s : heard.syncs) {
        int index = -1;
        if (!endCueTaken && s.value == syncEndValue && s.seconds == endCueSeconds) {
            index = flamesRule;
            endCueTaken = true;
        } else {
            for (size_t i = 0; i < map.sections.size(); ++i)
                if (s.seconds >= map.sections[i].start && s.seconds < map.sections[i].end)
                    index = static_cast<int>(i);
        }
        if (index < 0) {
            map.problems.push_back("sync " + std::to_string(s.value) + " at " +
                                   std::to_string(s.order) + "," + std::to_string(s.row) +
                                   " lies outside every section");
            continue;
        }
        s.section = map.sections[index].name;
        values[index].push_back(s.value);
        times[index].push_back(s.seconds);
        map.syncs.push_back(s);
    }

    // What each section's syncs must be.
    for (size_t i = 0; i < map.sections.size(); ++i) {
        const std::string& name = map.sections[i].name;
        const std::vector<int>& v = values[i];
        if (static_cast<int>(i) == flamesRule) {
            const auto shakes = std::count(v.begin(), v.end(), syncShakeValue);
            if (shakes < 4)
                map.problems.push_back(name + ": " + std::to_string(shakes) +
                                       " camera-shake syncs, want at least 4");
            if (v.empty() || v.back() != syncEndValue ||
                std::count(v.begin(), v.end(), syncEndValue) != 1)
                map.problems.push_back(name + ": must end with the one sync 1");
            if (static_cast<size_t>(shakes) + 1 != v.size())
                map.problems.push_back(name + ": syncs other than 2 and the final 1");
        } else if (static_cast<int>(i) == creditsRule) {
            if (v != std::vector<int>{1, 2, 3, 4})
                map.problems.push_back(name + ": syncs must be 1, 2, 3, 4 in this order");
        } else if (static_cast<int>(i) == interludeRule) {
            const std::vector<double>& t = times[i];
            const SectionHeard& sec = map.sections[i];
            bool even = t.size() >= 4 && std::fabs(t.front() - sec.start) < 0.01;
            for (size_t k = 1; even && k < t.size(); ++k) {
                const double gap = t[k] - t[k - 1];
                even = gap > 0.35 && gap < 0.75 && std::fabs(gap - (t[1] - t[0])) < 0.01;
            }
            if (even)
                even = sec.end - t.back() < (t[1] - t[0]) + 0.01;
            if (!even)
                map.problems.push_back(
                    name + ": needs a sync on every beat from its first row to its end");
        } else if (i == 0 || static_cast<int>(i) == openingRule) {
            if (!v.empty())
                map.problems.push_back(name + ": must carry no sync");
        } else {
            for (int value : v)
                if (value != 3 && value != 4)
                    map.problems.push_back(name + ": sync " + std::to_string(value) +
                                           " where only 3 and 4 may be");
        }
    }
    return map;
}

std::string formatSectionMap(const SectionMap& map)
{
    std::string out;
    char line[256];
    std::snprintf(line, sizeof line, "%-18s %-8s %-8s %9s %9s %9s %9s  %s\n", "section", "from",
                  "to", "start s", "length s", "target s", "dev %", "");
    out += line;
    for (const SectionHeard& s : map.sections) {
        const double length = s.end - s.start;
        char target[32] = "", deviation[32] = "";
        if (s.targetSeconds > 0) {
            std::snprintf(target, sizeof target, "%.2f", s.targetSeconds);
            std::snprintf(deviation, sizeof deviation, "%+.2f",
                          100.0 * (length - s.targetSeconds) / s.targetSeconds);
        } else {
            std::snprintf(target, sizeof target, "%.1f-%.1f", s.minSeconds, s.maxSeconds);
        }
        std::snprintf(line, sizeof line, "%-18s %-8s %-8s %9.3f %9.3f %9s %9s  %s\n",
                      s.name.c_str(), s.from.c_str(), s.to.c_str(), s.start, length, target,
                      deviation, s.ok ? "ok" : "OUT OF RANGE");
        out += line;
    }
    out += "\nsyncs (order,row: value at the time it becomes audible)\n";
    for (const SyncHeard& s : map.syncs) {
        std::snprintf(line, sizeof line, "  %3d,%-3d W%02d  %8.3f s  %s\n", s.order, s.row, s.value,
                      s.seconds, s.section.c_str());
        out += line;
    }
    std::snprintf(line, sizeof line, "\nsong length %.3f s\n", map.songSeconds);
    out += line;
    for (const std::string& p : map.problems)
        out += "PROBLEM: " + p + "\n";
    if (map.problems.empty())
        out += "all sections and syncs hold\n";
    return out;
}
