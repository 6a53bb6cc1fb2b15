// The web build has no video encoder: --record is refused there, in the recorder's own words.
#include "record/record.h"

bool recordStart(const RecordSettings&, std::string& error)
{
    error = "recording to a video file is not part of the web build";
    return false;
}

bool recordFinish()
{
    return false;
}

RecordCounts recordCounts()
{
    return {};
}
