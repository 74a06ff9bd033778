#include "controls/vrmlview/scene_loader.h"
#include "controls/vrmlview/test_scenes.h"
#include "controls/vrmlview/vrml_view.h"

#include <Inventor/nodes/SoSeparator.h>

#include <QFile>
#include <QImage>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <gtest/gtest.h>


#include <vector>

namespace {

const QColor kSky(51, 102, 230);
const QColor kFloor(51, 153, 51);
const QPoint kSkyPoint(20, 10), kFloorPoint(20, 230), kBlockPoint(160, 132);

// Serves one file (or a 404) over HTTP on loopback, one request per connection.
class TinyHttpServer {
public:
    explicit TinyHttpServer(QByteArray body, bool found = true) : body_(std::move(body)), found_(found) {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    if (!socket->readAll().contains("\r\n\r\n")) return;
                    QByteArray head = found_ ? "HTTP/1.0 200 OK\r\n" : "HTTP/1.0 404 Not Found\r\n";
                    QByteArray body = found_ ? body_ : QByteArray("missing");
                    socket->write(head + "Content-Type: model/vrml\r\nContent-Length: " +
                                  QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
                    socket->disconnectFromHost();
                });
            }
        });
    }
    QString Url(const QString& path) const {
        return QStringLiteral("http://127.0.0.1:%1/%2").arg(server_.serverPort()).arg(path);
    }

private:
    QTcpServer server_;
    QByteArray body_;
    bool found_;
};

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class SceneViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(view.LoadVrmlFile(TestDataPath("room.wrl")), 1) << view.LastError().toStdString();
        ShowForTest(&view);
    }
    VrmlView view;
};

TEST_F(SceneViewTest, ShowsSkyAboveFloorBelowAndTheBlockAheadFromTheFirstViewpoint) {
    QImage image = Frame(&view);
    EXPECT_TRUE(Near(image.pixelColor(kSkyPoint), kSky)) << image.pixelColor(kSkyPoint).name().toStdString();
    EXPECT_TRUE(Near(image.pixelColor(kFloorPoint), kFloor)) << image.pixelColor(kFloorPoint).name().toStdString();
    QColor block = image.pixelColor(kBlockPoint);
    EXPECT_GT(block.red(), 150);
    EXPECT_LT(block.green(), 60);
}

TEST_F(SceneViewTest, BadFilesFailAndKeepTheSceneShown) {
    QImage before = Frame(&view);
    QTemporaryDir dir;
    QFile text(dir.filePath("notes.wrl"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("this is not a scene at all\n");
    text.close();
    QFile empty(dir.filePath("empty.wrl"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    QFile binary(dir.filePath("noise.wrl"));
    ASSERT_TRUE(binary.open(QIODevice::WriteOnly));
    binary.write(QByteArray("#VRML V2.0 utf8\n") + QByteArray(4096, '\xff') + QByteArray("{[{[", 4));
    binary.close();
    for (const QString& bad : {TestDataPath("broken.wrl"), TestDataPath("missing.wrl"), dir.filePath("notes.wrl"),
                               dir.filePath("empty.wrl"), dir.filePath("noise.wrl"), QString(), dir.path(),
                               QStringLiteral("ftp://127.0.0.1/x.wrl")}) {
        EXPECT_EQ(view.LoadVrmlFile(bad), -1) << bad.toStdString();
        EXPECT_FALSE(view.LastError().isEmpty());
    }
    EXPECT_EQ(DifferentPixels(before, Frame(&view)), 0);
}

TEST_F(SceneViewTest, LoadsFileUrlsAndHttpAddresses) {
    EXPECT_EQ(view.LoadVrmlFile("file://" + TestDataPath("room.wrl")), 1);
    EXPECT_EQ(view.LoadVrmlFile("  file://" + TestDataPath("room.wrl") + " \t"), 1);

    TinyHttpServer server(ReadFile(TestDataPath("room.wrl")));
    ASSERT_EQ(view.LoadVrmlFile(server.Url("room.wrl")), 1) << view.LastError().toStdString();
    EXPECT_TRUE(Near(Frame(&view).pixelColor(kFloorPoint), kFloor));

    TinyHttpServer missing("", false);
    EXPECT_EQ(view.LoadVrmlFile(missing.Url("gone.wrl")), -1);
    TinyHttpServer garbage("<html>not vrml</html>");
    EXPECT_EQ(view.LoadVrmlFile(garbage.Url("page.html")), -1);
    EXPECT_TRUE(Near(Frame(&view).pixelColor(kFloorPoint), kFloor));
}

TEST_F(SceneViewTest, DisplayOptionsChangeThePicture) {
    QImage smooth = Frame(&view);
    ASSERT_TRUE(view.SetGraphicModeStill(CoinView::kWireFrame));
    QImage wire = Frame(&view);
    // Wire frame leaves the faces empty: the block's middle shows the background.
    EXPECT_LT(wire.pixelColor(kBlockPoint).red(), 100);
    EXPECT_GT(DifferentPixels(smooth, wire), 1000);
    ASSERT_TRUE(view.SetGraphicModeStill(CoinView::kFlat));
    QImage flat = Frame(&view);
    EXPECT_GT(DifferentPixels(smooth, flat, 3), 50) << "the ball should show facets";
    EXPECT_FALSE(view.SetGraphicModeStill(3));
    EXPECT_FALSE(view.SetGraphicModeStill(-1));
    view.SetGraphicModeStill(CoinView::kSmooth);

    view.SetHeadlight(false);
    QImage dark = Frame(&view);
    EXPECT_LT(dark.pixelColor(kBlockPoint).red(), smooth.pixelColor(kBlockPoint).red() - 60);
    // Emissive floor does not depend on light.
    EXPECT_TRUE(Near(dark.pixelColor(kFloorPoint), kFloor));
    view.SetHeadlight(true);

    view.SetDithering(false);
    view.SetFullColor(false);
    QImage reduced = Frame(&view);
    for (QPoint p : {kSkyPoint, kFloorPoint, kBlockPoint}) {
        QColor c = reduced.pixelColor(p);
        EXPECT_EQ(c.red() & 7, 0);
        EXPECT_EQ(c.green() & 3, 0);
        EXPECT_EQ(c.blue() & 7, 0);
    }
    view.SetDithering(true);
    QImage dithered = Frame(&view);
    EXPECT_GT(DifferentPixels(reduced, dithered, 0), 100);
}

TEST(TextureOptionTest, TexturesShowOnlyWhenEnabled) {
    QTemporaryDir dir;
    QImage checker(8, 8, QImage::Format_RGB888);
    checker.fill(QColor(255, 200, 0));
    ASSERT_TRUE(checker.save(dir.filePath("yellow.png")));
    QFile scene(dir.filePath("textured.wrl"));
    ASSERT_TRUE(scene.open(QIODevice::WriteOnly));
    scene.write("#VRML V2.0 utf8\n"
                "Viewpoint { position 0 0 3 }\n"
                "Shape { appearance Appearance { material Material { diffuseColor 0 0 0 emissiveColor 1 1 1 }\n"
                "  texture ImageTexture { url \"yellow.png\" } } geometry Box { size 4 4 0.1 } }\n");
    scene.close();
    VrmlView view;
    ASSERT_EQ(view.LoadVrmlFile(dir.filePath("textured.wrl")), 1);
    ShowForTest(&view);
    QColor textured = Frame(&view).pixelColor(160, 120);
    EXPECT_GT(textured.red(), 200);
    EXPECT_LT(textured.blue(), 60) << textured.name().toStdString();
    view.SetTexturesEnabled(false);
    QColor plain = Frame(&view).pixelColor(160, 120);
    EXPECT_GT(plain.blue(), 200) << plain.name().toStdString();
}

TEST(SceneOpacityTest, ThePictureStaysOpaqueWhereSomethingTranslucentWasDrawn) {
    // A window showing through the picture would show the desktop behind in its place.
    QTemporaryDir dir;
    const QString glass = WriteWorld(dir.path(), "glass.wrl",
        "#VRML V2.0 utf8\n"
        "Viewpoint { position 0 0 3 }\n"
        "Background { skyColor [ 0.2 0.4 0.9 ] }\n"
        "Shape { appearance Appearance { material Material { diffuseColor 0 0 0 emissiveColor 1 0 0\n"
        "  transparency 0.5 } } geometry Box { size 1 1 0.1 } }\n"
        "Transform { translation 0 0 -2 children Shape { appearance Appearance { material Material {\n"
        "  diffuseColor 0 0 0 emissiveColor 0 1 0 transparency 0.7 } } geometry Box { size 8 8 0.1 } } }\n");
    VrmlView view;
    ASSERT_EQ(view.LoadVrmlFile(glass), 1);
    ShowForTest(&view);
    for (bool fullColor : {true, false}) {
        view.SetFullColor(fullColor);
        QImage image = Frame(&view);
        // The frame keeps the alpha it was drawn with.
        ASSERT_TRUE(image.hasAlphaChannel());
        int translucent = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) translucent += qAlpha(image.pixel(x, y)) != 255;
        EXPECT_EQ(translucent, 0) << (fullColor ? "full colour" : "reduced colour");
        // Blended all the same: the red glass over the green one shows both.
        QColor middle = image.pixelColor(image.width() / 2, image.height() / 2);
        EXPECT_GT(middle.red(), 60) << middle.name().toStdString();
        EXPECT_GT(middle.green(), 30) << middle.name().toStdString();
    }
}

TEST(SceneDepthTest, AShapeBehindAnotherIsHiddenInAWorldWithoutABackground) {
    // Nothing in this world switches the depth test: the view must have it on by itself. The red
    // box is drawn after the green one and lies behind it; the box's far face after its near one.
    QTemporaryDir dir;
    const QString behind = WriteWorld(dir.path(), "behind.wrl", kPlatesWorld);
    VrmlView view;
    ASSERT_EQ(view.LoadVrmlFile(behind), 1);
    ShowForTest(&view);
    for (int frame = 0; frame < 2; ++frame) {
        const QImage image = Frame(&view);
        const QColor middle = image.pixelColor(image.width() / 2, image.height() / 2);
        EXPECT_GT(middle.green(), 200) << middle.name().toStdString();
        EXPECT_LT(middle.red(), 40) << middle.name().toStdString();
    }
}

}  // namespace
