// mediafilter2.ax: plays WAV sounds through ALSA, loaded at run time so a machine without
// ALSA or without an audio device simply stays silent.
#include "controls/mediafilter/media_filter_api.h"
#include "controls/mediafilter/wav_file.h"

#include <dlfcn.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace {

// The few ALSA calls we use, resolved from libasound.so.2.
struct Alsa {
    using Open = int (*)(void**, const char*, int, int);
    using SetParams = int (*)(void*, int, int, unsigned, unsigned, int, unsigned);
    using WriteI = long (*)(void*, const void*, unsigned long);
    using Recover = int (*)(void*, int, int);
    using Close = int (*)(void*);
    using ErrorHandler = int (*)(void*);
    Open open = nullptr;
    SetParams setParams = nullptr;
    WriteI writei = nullptr;
    Recover recover = nullptr;
    Close drain = nullptr;
    Close drop = nullptr;
    Close close = nullptr;
    bool ok = false;
};

void SilentAlsaError(const char*, int, const char*, int, const char*, ...) {}

const Alsa& LoadAlsa() {
    static Alsa alsa = [] {
        Alsa a;
        void* lib = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
        if (!lib) return a;
        a.open = reinterpret_cast<Alsa::Open>(dlsym(lib, "snd_pcm_open"));
        a.setParams = reinterpret_cast<Alsa::SetParams>(dlsym(lib, "snd_pcm_set_params"));
        a.writei = reinterpret_cast<Alsa::WriteI>(dlsym(lib, "snd_pcm_writei"));
        a.recover = reinterpret_cast<Alsa::Recover>(dlsym(lib, "snd_pcm_recover"));
        a.drain = reinterpret_cast<Alsa::Close>(dlsym(lib, "snd_pcm_drain"));
        a.drop = reinterpret_cast<Alsa::Close>(dlsym(lib, "snd_pcm_drop"));
        a.close = reinterpret_cast<Alsa::Close>(dlsym(lib, "snd_pcm_close"));
        // ALSA writes to stderr when there is no card; a chat client has no use for that.
        using SetHandler = int (*)(void (*)(const char*, int, const char*, int, const char*, ...));
        if (auto set = reinterpret_cast<SetHandler>(dlsym(lib, "snd_lib_error_set_handler"))) set(&SilentAlsaError);
        a.ok = a.open && a.setParams && a.writei && a.recover && a.drain && a.drop && a.close;
        return a;
    }();
    return alsa;
}

constexpr int kPlayback = 0, kFormatU8 = 1, kFormatS16Le = 2, kInterleaved = 3;

struct Playing {
    std::atomic<bool> stop{false};
};

std::mutex g_mutex;
std::map<int32_t, std::shared_ptr<Playing>> g_playing;
int32_t g_next = 1;
std::atomic<bool> g_enabled{true};

void Play(WavFile wav, bool loop, float volume, std::shared_ptr<Playing> state, int32_t handle) {
    const Alsa& alsa = LoadAlsa();
    void* pcm = nullptr;
    if (alsa.ok && alsa.open(&pcm, "default", kPlayback, 0) == 0) {
        if (alsa.setParams(pcm, wav.bitsPerSample == 8 ? kFormatU8 : kFormatS16Le, kInterleaved,
                           static_cast<unsigned>(wav.channels), static_cast<unsigned>(wav.sampleRate), 1, 200000) == 0) {
            if (volume < 0.999f && wav.bitsPerSample == 16) {
                for (size_t i = 0; i + 1 < wav.data.size(); i += 2) {
                    int16_t s;
                    std::memcpy(&s, &wav.data[i], 2);
                    s = static_cast<int16_t>(s * std::clamp(volume, 0.0f, 1.0f));
                    std::memcpy(&wav.data[i], &s, 2);
                }
            }
            const size_t frameBytes = static_cast<size_t>(wav.FrameBytes());
            const size_t frames = wav.Frames();
            const size_t chunk = static_cast<size_t>(wav.sampleRate) / 20;  // 50 ms, so stop is prompt
            do {
                for (size_t at = 0; at < frames && !state->stop && g_enabled;) {
                    const size_t n = std::min(chunk, frames - at);
                    long written = alsa.writei(pcm, wav.data.data() + at * frameBytes, n);
                    if (written < 0) {
                        if (alsa.recover(pcm, static_cast<int>(written), 1) < 0) {
                            state->stop = true;
                            break;
                        }
                        continue;
                    }
                    at += static_cast<size_t>(written);
                }
            } while (loop && !state->stop && g_enabled);
            if (state->stop || !g_enabled) alsa.drop(pcm);
            else alsa.drain(pcm);
        }
        alsa.close(pcm);
    }
    std::lock_guard<std::mutex> lock(g_mutex);
    g_playing.erase(handle);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int32_t MonekoSoundPlay(const char* path, int loop, float volume) {
    if (!path || !g_enabled) return 0;
    try {
        std::optional<WavFile> wav = WavFile::Read(path);
        if (!wav) return 0;
        auto state = std::make_shared<Playing>();
        int32_t handle;
        {
            std::lock_guard<std::mutex> lock(g_mutex);
            handle = g_next++;
            if (g_next <= 0) g_next = 1;
            g_playing[handle] = state;
        }
        std::thread(Play, std::move(*wav), loop != 0, volume, state, handle).detach();
        return handle;
    } catch (...) {
        return 0;
    }
}

extern "C" __attribute__((visibility("default"))) void MonekoSoundStop(int32_t handle) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_playing.find(handle);
    if (it != g_playing.end()) it->second->stop = true;
}

extern "C" __attribute__((visibility("default"))) void MonekoSoundSetEnabled(int enabled) {
    g_enabled = enabled != 0;
    if (enabled) return;
    std::lock_guard<std::mutex> lock(g_mutex);
    for (auto& [handle, state] : g_playing) state->stop = true;
}

extern "C" __attribute__((visibility("default"))) int MonekoSoundIsEnabled(void) { return g_enabled ? 1 : 0; }
