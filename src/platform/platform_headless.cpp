// The headless backend, the platform's null driver: no window and no device. Its clock is
// virtual, advanced only by waits and by each shown frame (one frame period), and its events are
// the ones posted to it, each taken once the virtual clock reaches its due time.
#include "platform/platform_state.h"

namespace {

uint64_t framePeriodMicros()
{
    int rate = platform.config.frameRate > 0 ? platform.config.frameRate : 60;
    return 1000000u / static_cast<uint64_t>(rate);
}

// Removes and returns the queued event due first, if it is due by the given time.
bool takeDue(uint64_t byMicros, PlatformEvent& event, uint64_t& dueMicros)
{
    int best = -1;
    for (int i = 0; i < platform.queueCount; ++i) {
        const QueuedEvent& q = platform.queue[i];
        if (q.dueMicros > byMicros)
            continue;
        if (best < 0 || q.dueMicros < platform.queue[best].dueMicros ||
            (q.dueMicros == platform.queue[best].dueMicros &&
             q.sequence < platform.queue[best].sequence))
            best = i;
    }
    if (best < 0)
        return false;
    event = platform.queue[best].event;
    dueMicros = platform.queue[best].dueMicros;
    for (int i = best + 1; i < platform.queueCount; ++i)
        platform.queue[i - 1] = platform.queue[i];
    --platform.queueCount;
    return true;
}

// Queues an event; when the queue is full the oldest one is dropped to make room.
void enqueue(const PlatformEvent& event, uint64_t dueMicros)
{
    if (platform.queueCount == platformQueueCapacity) {
        for (int i = 1; i < platform.queueCount; ++i)
            platform.queue[i - 1] = platform.queue[i];
        --platform.queueCount;
    }
    platform.queue[platform.queueCount++] = {event, dueMicros, platform.queueSequence++};
}

}  // namespace

uint32_t headlessTicks()
{
    return platform.config.startTicks + static_cast<uint32_t>(platform.virtualMicros / 1000);
}

void headlessWait(uint32_t ms)
{
    platform.virtualMicros += static_cast<uint64_t>(ms) * 1000;
}

void headlessClientSize(int& width, int& height)
{
    width = platform.windowOpen ? platformTargetWidth : 0;
    height = platform.windowOpen ? platformTargetHeight : 0;
}

bool headlessPollEvent(PlatformEvent& event)
{
    uint64_t due;
    return takeDue(platform.virtualMicros, event, due);
}

bool headlessWaitEvent(PlatformEvent& event, uint32_t timeoutMs)
{
    uint64_t until = platform.virtualMicros + static_cast<uint64_t>(timeoutMs) * 1000;
    uint64_t due;
    if (takeDue(until, event, due)) {
        if (due > platform.virtualMicros)
            platform.virtualMicros = due;
        return true;
    }
    platform.virtualMicros = until;
    return false;
}

void headlessPostEventAfter(const PlatformEvent& event, uint32_t afterMs)
{
    enqueue(event, platform.virtualMicros + static_cast<uint64_t>(afterMs) * 1000);
}

void headlessShow()
{
    platform.virtualMicros += framePeriodMicros();
}
