#include "controls/vrmlview/coin_environment.h"

#include "controls/mediafilter/media_filter_api.h"
#include "controls/vrmlview/script_engine.h"
#include "controls/vrmlview/sensor_pump.h"

#include <Inventor/SbImage.h>
#include <Inventor/SbTime.h>
#include <Inventor/SoDB.h>
#include <Inventor/SoInteraction.h>
#include <Inventor/SoRenderManager.h>
#include <Inventor/VRMLnodes/SoVRMLImageTexture.h>
#include <Inventor/fields/SoSFBool.h>
#include <Inventor/nodekits/SoNodeKit.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dlfcn.h>

namespace {

struct Filters {
    MonekoDecodeImageFn decode = nullptr;
    MonekoFreeImageFn freeImage = nullptr;
    MonekoSoundPlayFn play = nullptr;
    MonekoSoundStopFn stop = nullptr;
    MonekoSoundSetEnabledFn setEnabled = nullptr;
    MonekoSoundIsEnabledFn isEnabled = nullptr;
};

Filters& LoadedFilters() {
    static Filters filters;
    return filters;
}

void* OpenFilter(const QString& name) {
    QString path = QDir(CoinEnvironment::FilterDirectory()).filePath(name);
    if (!QFileInfo::exists(path)) return nullptr;
    return dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
}

SbBool ReadImage(const SbString& filename, SbImage* image, void*) {
    const Filters& f = LoadedFilters();
    if (!f.decode || !f.freeImage || !image) return FALSE;
    int w = 0, h = 0, comps = 0;
    unsigned char* pixels = nullptr;
    if (!f.decode(filename.getString(), &w, &h, &comps, &pixels) || !pixels) return FALSE;
    bool ok = w > 0 && h > 0 && w <= 32767 && h <= 32767 && (comps == 3 || comps == 4);
    if (ok) image->setValue(SbVec2s(static_cast<short>(w), static_cast<short>(h)), comps, pixels);
    f.freeImage(pixels);
    return ok ? TRUE : FALSE;
}

}  // namespace

void CoinEnvironment::Ensure() {
    static bool done = false;
    if (done) return;
    done = true;
    // The library would otherwise answer a node type it does not know by loading a shared
    // library of that name ("Foo {}" in a world tries Foo.so, libFoo.so): a world must never
    // make the client load code. Read once, at the library's first type lookup.
    qputenv("COIN_NO_SOTYPE_DYNLOAD", "1");
    SoDB::init();
    SoNodeKit::init();
    SoInteraction::init();

    Filters& f = LoadedFilters();
    if (void* lib = OpenFilter("mediafilter1.ax")) {
        f.decode = reinterpret_cast<MonekoDecodeImageFn>(dlsym(lib, "MonekoDecodeImage"));
        f.freeImage = reinterpret_cast<MonekoFreeImageFn>(dlsym(lib, "MonekoFreeImage"));
    }
    if (void* lib = OpenFilter("mediafilter2.ax")) {
        f.play = reinterpret_cast<MonekoSoundPlayFn>(dlsym(lib, "MonekoSoundPlay"));
        f.stop = reinterpret_cast<MonekoSoundStopFn>(dlsym(lib, "MonekoSoundStop"));
        f.setEnabled = reinterpret_cast<MonekoSoundSetEnabledFn>(dlsym(lib, "MonekoSoundSetEnabled"));
        f.isEnabled = reinterpret_cast<MonekoSoundIsEnabledFn>(dlsym(lib, "MonekoSoundIsEnabled"));
    }

    // Both 3D modules carry this code; a Coin global field marks that one of them already
    // installed the process-wide hooks (Coin itself is shared by the whole process).
    const SbName marker("MonekoCoinEnvironment");
    if (SoDB::getGlobalField(marker)) return;
    SoDB::createGlobalField(marker, SoSFBool::getClassTypeId());

    if (f.decode) SbImage::addReadImageCB(&ReadImage, nullptr);
    ScriptEngine::Install();
    // Fetch textures while the scene is read, so the first frame already shows them.
    SoVRMLImageTexture::setDelayFetchURL(FALSE);
    // Animation at 30 Hz; without this the render manager redraws flat out while anything runs.
    SoRenderManager::enableRealTimeUpdate(FALSE);
    SoDB::setRealTimeInterval(SbTime(1.0 / 30.0));
    new SensorPump(QCoreApplication::instance());
}

QString CoinEnvironment::FilterDirectory() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&CoinEnvironment::FilterDirectory), &info) && info.dli_fname) {
        QFileInfo module(QFile::decodeName(info.dli_fname));
        if (module.isAbsolute()) return module.absolutePath();
    }
    return QCoreApplication::applicationDirPath();
}

bool CoinEnvironment::HasImageDecoder() { return LoadedFilters().decode != nullptr; }
bool CoinEnvironment::HasSoundPlayer() { return LoadedFilters().play != nullptr; }

int32_t CoinEnvironment::PlaySound(const QString& path, bool loop, float volume) {
    const Filters& f = LoadedFilters();
    if (!f.play) return 0;
    return f.play(QFile::encodeName(path).constData(), loop ? 1 : 0, volume);
}

void CoinEnvironment::StopSound(int32_t handle) {
    if (LoadedFilters().stop && handle) LoadedFilters().stop(handle);
}

void CoinEnvironment::SetSoundEnabled(bool enabled) {
    if (LoadedFilters().setEnabled) LoadedFilters().setEnabled(enabled ? 1 : 0);
}

bool CoinEnvironment::SoundEnabled() {
    return LoadedFilters().isEnabled ? LoadedFilters().isEnabled() != 0 : false;
}
