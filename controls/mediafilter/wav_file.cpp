#include "controls/mediafilter/wav_file.h"

#include <cstring>
#include <fstream>

namespace {

constexpr size_t kMaxBytes = 64u * 1024 * 1024;

uint32_t Le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

}  // namespace

std::optional<WavFile> WavFile::Parse(const std::vector<uint8_t>& bytes) {
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 || std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
        return std::nullopt;
    }
    WavFile wav;
    bool haveFormat = false, haveData = false;
    size_t at = 12;
    while (at + 8 <= bytes.size() && !haveData) {
        const uint8_t* chunk = bytes.data() + at;
        const uint32_t size = Le32(chunk + 4);
        const size_t body = at + 8;
        // A chunk may claim more than the file holds; the data chunk is then cut to what is there.
        const size_t available = bytes.size() - body;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (size < 16 || available < 16) return std::nullopt;
            const uint8_t* f = bytes.data() + body;
            if (Le16(f) != 1) return std::nullopt;  // PCM only
            wav.channels = Le16(f + 2);
            wav.sampleRate = static_cast<int>(Le32(f + 4));
            wav.bitsPerSample = Le16(f + 14);
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat) return std::nullopt;
            const size_t take = std::min<size_t>(size, available);
            wav.data.assign(bytes.begin() + static_cast<long>(body), bytes.begin() + static_cast<long>(body + take));
            haveData = true;
        }
        if (size > available) break;
        at = body + size + (size & 1);
    }
    if (!haveFormat || !haveData) return std::nullopt;
    if (wav.channels < 1 || wav.channels > 2) return std::nullopt;
    if (wav.bitsPerSample != 8 && wav.bitsPerSample != 16) return std::nullopt;
    if (wav.sampleRate < 1000 || wav.sampleRate > 192000) return std::nullopt;
    wav.data.resize(wav.Frames() * wav.FrameBytes());
    if (wav.data.empty()) return std::nullopt;
    return wav;
}

std::optional<WavFile> WavFile::Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return std::nullopt;
    const std::streamoff size = in.tellg();
    if (size <= 0 || static_cast<size_t>(size) > kMaxBytes) return std::nullopt;
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), size)) return std::nullopt;
    return Parse(bytes);
}
