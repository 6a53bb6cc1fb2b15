// Recording what the headless backend shows, with the music's samples, to a video file.
#pragma once

#include <cstdint>
#include <string>

struct RecordSettings {
    std::string path;       // .mp4: H.264 and AAC; .mkv: H.264 (or FFV1) and FLAC
    int scale = 4;          // each pixel of the 320 x 240 picture becomes scale x scale
    int fps = 60;           // frames per second of the video, and of the virtual clock
    bool lossless = false;  // FFV1 in Matroska
    double expectedMs = 0;  // the show's length for the progress line; 0: no percentage
    bool progress = true;   // the progress line on standard error
};

// Checks the container and encoders and arms the recorder: every frame the platform shows from
// now on is encoded, with the music rendered up to it. False with a one-line reason in error.
bool recordStart(const RecordSettings& settings, std::string& error);
// Ends the recording: encodes what is pending, writes the file's index and closes it. True when
// the file is complete and nothing failed on the way.
bool recordFinish();
// What was written, for tests and the closing line.
struct RecordCounts {
    int64_t videoFrames = 0;
    int64_t audioSamples = 0;  // per channel
    int sampleRate = 0;
    bool interrupted = false;  // Ctrl+C or a write failure ended the show early
};
RecordCounts recordCounts();
