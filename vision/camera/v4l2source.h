#pragma once
// Where V4L2 cameras are read from: FFmpeg's "video4linux2" input on "/dev/video%d" at 30 frames a
// second. Tests put FFmpeg's "lavfi" input (or any other input and its options) here instead.
#include <map>
#include <string>

struct V4L2Source {
    std::string format = "video4linux2";
    // "%d" is replaced by the device number; a URL without it is used as it stands.
    std::string url = "/dev/video%d";
    std::map<std::string, std::string> options = {{"framerate", "30"}};
    // A read that delivers nothing for this long gives up, so a stalled camera cannot hang the
    // acquisition thread; the next pass reads again.
    int readTimeoutMs = 1000;

    std::string urlFor(int device) const;
};

extern V4L2Source gV4L2Source;

// Registers FFmpeg's devices once (the inputs above need it).
void RegisterFFmpegDevices();
