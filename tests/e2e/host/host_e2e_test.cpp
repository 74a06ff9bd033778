#include "platform/registry/registry.h"
#include "server/server_process.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <QColor>
#include <cstdlib>

namespace {

namespace reg = platform::registry;

class HostEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        const char* bin = std::getenv("MONEKO_BIN_DIR");
        ASSERT_NE(bin, nullptr);
        bin_ = QString::fromLocal8Bit(bin);
        env_ = QProcessEnvironment::systemEnvironment();
        env_.insert("MONEKO_REGISTRY", dir_.filePath("registry.reg"));
        env_.insert("XDG_DATA_HOME", dir_.filePath("data"));
        env_.insert("XDG_CONFIG_HOME", dir_.filePath("config"));
        ::setenv("MONEKO_REGISTRY", dir_.filePath("registry.reg").toLocal8Bit().constData(), 1);
    }
    void TearDown() override { ::unsetenv("MONEKO_REGISTRY"); }

    int Run(const QString& program, const QStringList& args, int timeoutMs, QString* output) {
        QProcess process;
        process.setProcessEnvironment(env_);
        process.setWorkingDirectory(dir_.path());
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(bin_ + "/" + program, args);
        if (!process.waitForFinished(timeoutMs)) {
            process.kill();
            process.waitForFinished();
            *output = QString::fromLocal8Bit(process.readAll()) + "\n(timed out)";
            return -1;
        }
        *output = QString::fromLocal8Bit(process.readAll());
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    static void SetHost(const std::string& host) {
        const std::string key = std::string("SOFTWARE\\Sorvik\\Moneko\x81\xF4\\2.0\\Login");
        reg::HKEY handle = nullptr;
        ASSERT_EQ(reg::RegCreateKeyA(reg::HKEY_LOCAL_MACHINE, key.c_str(), &handle), reg::ERROR_SUCCESS);
        ASSERT_EQ(reg::RegSetValueExA(handle, "Host", 0, reg::REG_SZ, reinterpret_cast<const reg::BYTE*>(host.data()),
                                      static_cast<reg::DWORD>(host.size())),
                  reg::ERROR_SUCCESS);
        reg::RegCloseKey(handle);
    }

    QTemporaryDir dir_;
    QString bin_;
    QProcessEnvironment env_;
};

TEST_F(HostEndToEnd, SetupThenThePageShowsTheRegion) {
    QString output;
    ASSERT_EQ(Run("moneko-setup", {dir_.filePath("inst")}, 120000, &output), 0) << output.toStdString();

    server::ServerProcess server;
    ASSERT_TRUE(server.Start());
    SetHost("127.0.0.1:" + std::to_string(server.Port()));

    QFile page(dir_.filePath("page.html"));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.write("<html><body><OBJECT CLASSID=\"clsid:78DAB892-D3DF-4A48-B4E8-4EC107EF0D8F\" width=680 height=420>\n"
               "<PARAM NAME=\"SRC\" VALUE=\"inst/Region/lobby.wrl\"></OBJECT></body></html>\n");
    page.close();

    // The view's part of the window (below the toolbar, left of any dialog's edge) holds a
    // rendered room: many colours, not one flat fill. A loaded machine may not have drawn the
    // first frame by the first picture, so a second one is taken later before giving up.
    const QString shot = dir_.filePath("shot.png");
    bool drawn = false;
    int colourCount = 0;
    for (const char* after : {"14", "30"}) {
        ASSERT_EQ(Run("moneko", {"--screenshot", shot, "--after", after, dir_.filePath("page.html")}, 120000, &output), 0)
            << output.toStdString();
        QImage image(shot);
        ASSERT_FALSE(image.isNull()) << output.toStdString();
        const QRect view(12, 80, 160, 200);
        ASSERT_TRUE(image.rect().contains(view));
        QSet<QRgb> colours;
        for (int y = view.top(); y <= view.bottom(); y += 2)
            for (int x = view.left(); x <= view.right(); x += 2) colours.insert(image.pixel(x, y));
        // The room is lit and textured: its ceiling and floor differ, and shading gives many colours.
        const QColor ceiling = image.pixelColor(view.center().x(), view.top());
        const QColor floor = image.pixelColor(view.center().x(), view.bottom());
        colourCount = colours.size();
        drawn = colourCount > 40 && std::abs(ceiling.lightness() - floor.lightness()) > 30;
        if (drawn) break;
    }
    EXPECT_TRUE(drawn) << colourCount << " colours; screenshot kept at " << shot.toStdString();
    if (!drawn) dir_.setAutoRemove(false);
    server.Stop();
}

TEST_F(HostEndToEnd, AWorldThatCannotLoadIsNamedAndAnUnwatchedRunDoesNotWaitForAnyone) {
    QString output;
    ASSERT_EQ(Run("moneko-setup", {dir_.filePath("inst")}, 120000, &output), 0) << output.toStdString();
    const QString shot = dir_.filePath("missing.png");
    const QString missing = dir_.filePath("no-such-world.wrl");
    // The box about the world would wait for a click; nobody is there to give one.
    ASSERT_EQ(Run("moneko", {"--screenshot", shot, "--after", "6", missing}, 60000, &output), 0) << output.toStdString();
    EXPECT_TRUE(output.contains("nobody is watching")) << output.toStdString();
    EXPECT_TRUE(output.contains(missing)) << "the message names the world: " << output.toStdString();
    EXPECT_FALSE(QImage(shot).isNull()) << output.toStdString();
}

TEST_F(HostEndToEnd, EveryProgramExplainsItselfWithoutADisplay) {
    QProcessEnvironment env = env_;
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XAUTHORITY"}) env.remove(name);
    for (const char* program : {"moneko", "moneko-setup", "moneko-bot", "moneko-server"}) {
        for (const char* flag : {"--help", "-h"}) {
            QProcess process;
            process.setProcessEnvironment(env);
            process.start(bin_ + "/" + program, {flag});
            ASSERT_TRUE(process.waitForFinished(20000)) << program;
            const QString out = QString::fromLocal8Bit(process.readAllStandardOutput());
            const QString err = QString::fromLocal8Bit(process.readAllStandardError());
            EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << program << " " << err.toStdString();
            EXPECT_EQ(process.exitCode(), 0) << program << " " << flag << " " << err.toStdString();
            EXPECT_TRUE(out.startsWith("usage: ")) << program << ": " << out.toStdString();
            EXPECT_TRUE(out.contains("--help")) << program;
            // Every option has its meaning and, where it has one, its default on its line.
            EXPECT_TRUE(out.contains("default")) << program << ": " << out.toStdString();
            EXPECT_TRUE(err.isEmpty()) << program << ": " << err.toStdString();
        }
    }
}

}  // namespace
