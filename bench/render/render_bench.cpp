// Renders the test room at 680 x 420 with 100 avatars, all moving at ten poses a second and 20
// of them in gestures, as fast as the view can draw; prints frames per second and peak memory.
// Run under Xvfb:  xvfb-run -a ./render_bench [seconds] [scene.wrl] [avatar.wrl]
#include "controls/vrmlview/vrml_view.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSurfaceFormat>
#include <QTimer>

#include <sys/resource.h>

#include <cmath>
#include <cstdio>

namespace {

long PeakKilobytes() {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
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

}  // namespace

int main(int argc, char** argv) {
    QSurfaceFormat format;
    format.setVersion(2, 1);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setDepthBufferSize(24);
    format.setSwapInterval(0);
    QSurfaceFormat::setDefaultFormat(format);
    QApplication app(argc, argv);
    const double seconds = argc > 1 ? std::max(1.0, atof(argv[1])) : 10.0;
    const QString scene = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral(RENDER_BENCH_DATA "/room.wrl");
    const QString model = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QStringLiteral(RENDER_BENCH_DATA "/avatar.wrl");

    VrmlView view;
    view.resize(680, 420);
    if (view.LoadVrmlFile(scene) != 1) {
        std::fprintf(stderr, "cannot load %s: %s\n", qPrintable(scene), qPrintable(view.LastError()));
        return 1;
    }
    view.SetAvatarModelFile(model);
    constexpr int kAvatars = 100, kGesturing = 20;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < kAvatars; ++i) {
        AvatarPose pose;
        pose.x = ((i % 10) - 4.5f) * 2000;
        pose.z = -(i / 10) * 2000.0f;
        view.CreateAvatar(static_cast<int16_t>(i + 1), "u", QString("avatar %1").arg(i + 1), "1", 1, pose);
    }
    const double createMs = clock.elapsed();
    view.show();

    // Everyone walks a small circle, ten poses a second; the first 20 keep gesturing.
    QTimer poses;
    QObject::connect(&poses, &QTimer::timeout, [&] {
        const double t = clock.elapsed() / 1000.0;
        for (int i = 0; i < kAvatars; ++i) {
            const double a = t + i;
            AvatarPose pose;
            pose.x = static_cast<float>(((i % 10) - 4.5) * 2000 + std::cos(a) * 600);
            pose.z = static_cast<float>(-(i / 10) * 2000.0 + std::sin(a) * 600);
            pose.dx = static_cast<float>(-std::sin(a));
            pose.dz = static_cast<float>(std::cos(a));
            view.MoveAvatar(static_cast<int16_t>(i + 1), pose);
            if (i < kGesturing) view.ControlAvatar(static_cast<int16_t>(i + 1), i % 2 ? "a01" : "a00");
        }
    });
    poses.start(100);

    int frames = 0;
    bool measuring = false;
    QElapsedTimer window;
    double cpuStart = 0, cpuEnd = 0, mainStart = 0, mainEnd = 0;
    QObject::connect(&view, &QOpenGLWidget::frameSwapped, [&] {
        if (measuring) ++frames;
        view.update();  // draw flat out
    });
    // One second to settle, then measure.
    QTimer::singleShot(1000, [&] {
        measuring = true;
        frames = 0;
        window.start();
        cpuStart = CpuSeconds();
        mainStart = CpuSeconds(RUSAGE_THREAD);
    });
    QTimer::singleShot(static_cast<int>((seconds + 1) * 1000), [&] {
        cpuEnd = CpuSeconds();
        mainEnd = CpuSeconds(RUSAGE_THREAD);
        measuring = false;
        app.quit();
    });
    app.exec();
    // RENDER_BENCH_SHOT=file.png keeps a picture of the last frame, to look at.
    if (qEnvironmentVariableIsSet("RENDER_BENCH_SHOT")) view.grabFramebuffer().save(qEnvironmentVariable("RENDER_BENCH_SHOT"));
    const double elapsed = window.isValid() ? window.elapsed() / 1000.0 : 0;
    std::printf("avatars %d (moving %d at 10 poses/s, gesturing %d), %dx%d\n", kAvatars, kAvatars, kGesturing,
                view.width(), view.height());
    std::printf("created in %.0f ms\n", createMs);
    std::printf("frames %d in %.1f s: %.1f fps\n", frames, elapsed, elapsed > 0 ? frames / elapsed : 0.0);
    if (frames > 0)
        std::printf("cpu %.1f ms a frame (all threads), %.1f ms of it on the GUI thread\n",
                    (cpuEnd - cpuStart) * 1000.0 / frames, (mainEnd - mainStart) * 1000.0 / frames);
    std::printf("load average %.2f\n", LoadAverage());
    std::printf("peak memory %.1f MB\n", PeakKilobytes() / 1024.0);
    return 0;
}
