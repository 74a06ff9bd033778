// Renders a region at 680 x 420 with a crowd, all moving at ten poses a second and a fifth of
// them in gestures, as fast as the view can draw; prints frames per second, CPU a frame and
// peak memory for each crowd size.
// Run under Xvfb:
//   xvfb-run -a ./render_bench [seconds] [scene.wrl] [avatar.wrl] [--counts 10,50,100,200] [--still]
//                              [--textures high|low|off]
// Without a scene the default world's lobby is drawn; without an avatar file the crowd mixes
// the default world's six avatars. Seconds are per crowd size. --still keeps everyone standing
// without gestures, so pictures of two builds can be compared.
#include "controls/vrmlview/avatar.h"
#include "controls/vrmlview/vrml_view.h"

#include <Inventor/SbBox.h>
#include <Inventor/SbViewportRegion.h>
#include <Inventor/actions/SoGetBoundingBoxAction.h>
#include <Inventor/nodes/SoPerspectiveCamera.h>
#include <Inventor/nodes/SoSeparator.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSurfaceFormat>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

namespace {

long StatusKilobytes(const char* key) {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key)) return line.mid(static_cast<int>(strlen(key))).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// CPU time of the whole process (every llvmpipe thread included), in seconds. Frames per
// second swing with the machine's load; CPU time per frame much less so.
double CpuSeconds(int who = RUSAGE_SELF) {
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double LoadAverage() {
    double load = -1;
    if (FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(f, "%lf", &load) != 1) load = -1;
        std::fclose(f);
    }
    return load;
}

struct Result {
    int avatars = 0;
    int frames = 0;
    double seconds = 0, cpuMs = 0, guiMs = 0, createMs = 0;
    long peakKb = 0, residentKb = 0;
    int byLevel[4] = {};  // figures in full, and at each lighter drawing, at the end
};

// Where the crowd stands: a grid over the floor the scene spans before the viewpoint (at most
// 40 m deep), so the density grows with the count as in a filling room.
struct Floor {
    float x0 = -9, z0 = -18, x1 = 9, z1 = 0;
};

Floor FloorOf(VrmlView& view) {
    SoGetBoundingBoxAction box(SbViewportRegion(680, 420));
    box.apply(view.Scene());
    SbBox3f bounds = box.getBoundingBox();
    Floor floor;
    if (bounds.isEmpty()) return floor;
    const SbVec3f eye = view.Camera()->position.getValue();
    auto clampTo = [](float v, float lo, float hi) { return std::max(lo, std::min(hi, v)); };
    floor.x0 = clampTo(bounds.getMin()[0] + 1, eye[0] - 20, eye[0]);
    floor.x1 = clampTo(bounds.getMax()[0] - 1, eye[0], eye[0] + 20);
    floor.z0 = clampTo(bounds.getMin()[2] + 1, eye[2] - 40, eye[2]);
    // The crowd stands in front of the viewer, all of it in the picture: the hardest case.
    floor.z1 = clampTo(bounds.getMax()[2] - 1, eye[2] - 40, eye[2] - 2);
    return floor;
}

}  // namespace

int main(int argc, char** argv) {
    QSurfaceFormat format;
    format.setVersion(2, 1);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setDepthBufferSize(24);
    format.setSwapInterval(0);
    QSurfaceFormat::setDefaultFormat(format);
    QApplication app(argc, argv);

    std::vector<int> counts{10, 50, 100, 200};
    bool still = false;
    QString textures = QStringLiteral("high");
    QStringList positional;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QLatin1String("--counts") && i + 1 < argc) {
            counts.clear();
            for (const QString& n : QString::fromLocal8Bit(argv[++i]).split(QLatin1Char(',')))
                if (!n.trimmed().isEmpty() && n.toInt() >= 0) counts.push_back(std::min(n.toInt(), 1000));
        } else if (arg == QLatin1String("--textures") && i + 1 < argc) {
            textures = QString::fromLocal8Bit(argv[++i]);
        } else if (arg == QLatin1String("--still")) {
            still = true;
        } else {
            positional << arg;
        }
    }
    if (counts.empty()) {
        std::fprintf(stderr, "--counts wants numbers like 10,50,100,200\n");
        return 2;
    }
    const double seconds = positional.size() > 0 ? std::max(1.0, positional[0].toDouble()) : 5.0;
    const QString content = QStringLiteral(RENDER_BENCH_CONTENT);
    const QString scene = positional.size() > 1 ? positional[1] : content + QStringLiteral("/Region/lobby.wrl");
    QStringList models;
    if (positional.size() > 2) {
        models << positional[2];
    } else {
        for (const char* kind : {"bear", "bird", "cat", "dog", "frog", "robot"})
            models << QStringLiteral("%1/AvatarData/%2/%2.wrl").arg(content, QLatin1String(kind));
    }

    VrmlView view;
    view.resize(680, 420);
    // What each drawing of each model costs in triangles.
    {
        AvatarModelCache cache;
        for (const QString& model : models) {
            std::printf("%-10s triangles by level:", qPrintable(QFileInfo(model).baseName()));
            for (int level = 1; level <= AvatarModelCache::kLighterLevels; ++level) {
                const AvatarLod* lod = cache.Lighter(model, level, false, true);
                std::printf(" %d: %d (%d parts)", level, lod ? lod->Triangles() : -1, lod ? lod->Parts() : 0);
            }
            std::printf("\n");
        }
    }

    if (view.LoadVrmlFile(scene) != 1) {
        std::fprintf(stderr, "cannot load %s: %s\n", qPrintable(scene), qPrintable(view.LastError()));
        return 1;
    }
    const Floor floor = FloorOf(view);
    // The user's texture options, as the host sets them.
    view.SetHighQualityTextures(textures == QLatin1String("high"));
    view.SetTexturesEnabled(textures != QLatin1String("off"));
    view.show();

    int crowd = 0;
    std::vector<SbVec3f> spots;
    QElapsedTimer clock;
    clock.start();
    auto gesturing = [](int i) { return i % 5 == 0; };

    // Everyone walks a small circle, ten poses a second; every fifth keeps gesturing.
    QTimer poses;
    QObject::connect(&poses, &QTimer::timeout, [&] {
        const double t = clock.elapsed() / 1000.0;
        for (int i = 0; i < crowd; ++i) {
            const double a = t + i;
            AvatarPose pose;
            pose.x = static_cast<float>((spots[i][0] + std::cos(a) * 0.6) * 1000);
            pose.z = static_cast<float>((spots[i][2] + std::sin(a) * 0.6) * 1000);
            pose.dx = static_cast<float>(-std::sin(a));
            pose.dz = static_cast<float>(std::cos(a));
            const auto id = static_cast<int16_t>(i + 1);
            view.MoveAvatar(id, pose);
            const Avatar* avatar = view.FindAvatar(id);
            if (gesturing(i) && avatar && !avatar->GestureRunning()) view.ControlAvatar(id, i % 2 ? "a01" : "a00");
        }
    });
    if (!still) poses.start(100);

    auto populate = [&](int count, Result* result) {
        for (int i = 0; i < crowd; ++i) view.DeleteAvatar(static_cast<int16_t>(i + 1));
        const int columns = std::max(1, static_cast<int>(std::ceil(
            std::sqrt(count * (floor.x1 - floor.x0) / std::max(0.1f, floor.z1 - floor.z0)))));
        const int rows = (count + columns - 1) / columns;
        spots.clear();
        QElapsedTimer made;
        made.start();
        for (int i = 0; i < count; ++i) {
            const float fx = (i % columns + 0.5f) / columns, fz = (i / columns + 0.5f) / rows;
            spots.emplace_back(floor.x0 + fx * (floor.x1 - floor.x0), 0, floor.z0 + fz * (floor.z1 - floor.z0));
            AvatarPose pose;
            pose.x = spots.back()[0] * 1000;
            pose.z = spots.back()[2] * 1000;
            pose.dz = 1;  // facing the viewer
            view.SetAvatarModelFile(models[i % models.size()]);
            view.CreateAvatar(static_cast<int16_t>(i + 1), "u", QString("avatar %1").arg(i + 1), "1", 1, pose);
        }
        result->createMs = made.elapsed();
        crowd = count;
    };

    std::vector<Result> results;
    size_t step = 0;
    int frames = 0;
    bool measuring = false;
    QElapsedTimer window;
    double cpuStart = 0, mainStart = 0;
    QObject::connect(&view, &CoinView::FrameShown, [&] {
        if (measuring) ++frames;
        view.RequestFrame();  // draw flat out
    });
    std::function<void()> next = [&] {
        if (step == counts.size()) {
            app.quit();
            return;
        }
        Result result;
        result.avatars = counts[step];
        populate(counts[step], &result);
        results.push_back(result);
        // One second to settle, then measure.
        QTimer::singleShot(1000, [&] {
            measuring = true;
            frames = 0;
            window.start();
            cpuStart = CpuSeconds();
            mainStart = CpuSeconds(RUSAGE_THREAD);
        });
        QTimer::singleShot(static_cast<int>((seconds + 1) * 1000), [&] {
            measuring = false;
            Result& r = results.back();
            r.frames = frames;
            r.seconds = window.elapsed() / 1000.0;
            if (frames > 0) {
                r.cpuMs = (CpuSeconds() - cpuStart) * 1000.0 / frames;
                r.guiMs = (CpuSeconds(RUSAGE_THREAD) - mainStart) * 1000.0 / frames;
            }
            r.peakKb = StatusKilobytes("VmHWM:");
            r.residentKb = StatusKilobytes("VmRSS:");
            for (int i = 0; i < crowd; ++i) {
                if (const Avatar* avatar = view.FindAvatar(static_cast<int16_t>(i + 1))) {
                    ++r.byLevel[std::clamp(avatar->Level(), 0, 3)];
                }
            }
            // RENDER_BENCH_SHOT=shot.png keeps a picture of each crowd (shot-100.png...).
            if (qEnvironmentVariableIsSet("RENDER_BENCH_SHOT")) {
                QString file = qEnvironmentVariable("RENDER_BENCH_SHOT");
                file.insert(file.endsWith(QLatin1String(".png")) ? file.size() - 4 : file.size(),
                            QStringLiteral("-%1").arg(r.avatars));
                view.GrabImage().save(file);
            }
            ++step;
            next();
        });
    };
    QTimer::singleShot(0, next);
    app.exec();

    std::printf("region %s, %dx%d, %s textures, %s; %s\n", qPrintable(QFileInfo(scene).fileName()), view.width(),
                view.height(), qPrintable(textures),
                models.size() > 1 ? "six avatar kinds mixed" : qPrintable(QFileInfo(models[0]).fileName()),
                still ? "standing still" : "all moving at 10 poses/s, every fifth gesturing");
    std::printf("%8s %10s %8s %14s %12s %12s %10s %16s\n", "avatars", "created ms", "fps", "cpu ms/frame",
                "gui ms/frame", "peak MB", "rss MB", "full/1/2/3");
    for (const Result& r : results) {
        std::printf("%8d %10.0f %8.1f %14.1f %12.1f %12.1f %10.1f %16s\n", r.avatars, r.createMs,
                    r.seconds > 0 ? r.frames / r.seconds : 0.0, r.cpuMs, r.guiMs, r.peakKb / 1024.0,
                    r.residentKb / 1024.0,
                    qPrintable(QStringLiteral("%1/%2/%3/%4").arg(r.byLevel[0]).arg(r.byLevel[1]).arg(r.byLevel[2]).arg(r.byLevel[3])));
    }
    std::printf("load average %.2f\n", LoadAverage());
    return 0;
}
