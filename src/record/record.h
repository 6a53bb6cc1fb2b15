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

// The three planes of one 4:2:0 picture, chroma at half the width and height.
struct YuvPlanes {
    uint8_t* y = nullptr;
    uint8_t* u = nullptr;
    uint8_t* v = nullptr;
    int strideY = 0, strideU = 0, strideV = 0;
};
// The shown 320 x 240 picture (0x00RRGGBB) as BT.709 limited-range 4:2:0 at scale times its size
// (1 to 8): each pixel's luma fills its scale x scale block, and each chroma sample is that of the
// mean colour of the pixels under its 2 x 2 block (one pixel for an even scale). Packed (SSE2) and
// scalar reference give the same bytes.
void yuvFromShownScalar(const uint32_t* shown, int scale, const YuvPlanes& out);
void yuvFromShownPacked(const uint32_t* shown, int scale, const YuvPlanes& out);
// The shown picture at scale times its size as blue, green, red, 0 bytes, rows stride bytes apart.
void bgr0FromShown(const uint32_t* shown, int scale, uint8_t* out, int stride);
