#pragma once
// A PCM WAV file read into memory: 8-bit unsigned or 16-bit signed samples, one or two channels.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class WavFile {
public:
    // Null for anything but a well-formed PCM WAV within the size limit.
    static std::optional<WavFile> Parse(const std::vector<uint8_t>& bytes);
    static std::optional<WavFile> Read(const std::string& path);

    int channels = 0;
    int sampleRate = 0;
    int bitsPerSample = 0;
    std::vector<uint8_t> data;  // interleaved frames

    int FrameBytes() const { return channels * bitsPerSample / 8; }
    size_t Frames() const { return FrameBytes() ? data.size() / FrameBytes() : 0; }
};
