#pragma once
// Process-wide Coin set-up shared by every 3D view: database init, the sensor pump, image
// decoding through mediafilter1.ax and sound through mediafilter2.ax. Safe to call from
// several modules in one process: the first caller installs, the rest reuse it.
#include <QString>

#include <cstdint>

class CoinEnvironment {
public:
    // Call on the GUI thread after QApplication exists.
    static void Ensure();
    // Directory the media filters are loaded from: the folder of the module holding this code.
    static QString FilterDirectory();
    static bool HasImageDecoder();
    static bool HasSoundPlayer();
    // Sound through mediafilter2.ax; every call is a no-op without it.
    static int32_t PlaySound(const QString& path, bool loop, float volume);
    static void StopSound(int32_t handle);
    static void SetSoundEnabled(bool enabled);
    static bool SoundEnabled();
};
