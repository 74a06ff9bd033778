// Worlds from web addresses: Inlines resolved against the world's URL, progress reported, an
// on-disk cache revalidated with the server, and the size limit.
#include "controls/vrmlview/scene_loader.h"
#include "controls/vrmlview/test_scenes.h"
#include "controls/vrmlview/vrml_view.h"

#include <QBuffer>
#include <QMap>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Serves named bodies with an ETag, answering 304 to a request that already has the current one.
class EtagServer {
public:
    EtagServer() {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    QByteArray& request = pending_[socket];
                    request += socket->readAll();
                    if (!request.contains("\r\n\r\n")) return;
                    Answer(socket, request);
                    pending_.remove(socket);
                });
            }
        });
    }
    QString Url(const QString& path) const { return QStringLiteral("http://127.0.0.1:%1/%2").arg(server_.serverPort()).arg(path); }
    QMap<QByteArray, QByteArray> bodies;
    QByteArray declaredLength;  // when set, claimed as the length of every body
    QStringList requests;       // "path" or "path (revalidated)"
    int fullBodies = 0;

private:
    void Answer(QTcpSocket* socket, const QByteArray& request) {
        const QByteArray path = request.split(' ').value(1).mid(1);
        const QByteArray tag = "\"v" + QByteArray::number(qHash(bodies.value(path))) + "\"";
        const bool revalidating = request.contains("If-None-Match: " + tag);
        requests << QString::fromUtf8(path) + (revalidating ? " (revalidated)" : "");
        QByteArray head;
        QByteArray body;
        if (!bodies.contains(path)) {
            head = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n";
        } else if (revalidating) {
            head = "HTTP/1.1 304 Not Modified\r\nETag: " + tag + "\r\n";
        } else {
            body = bodies.value(path);
            ++fullBodies;
            head = "HTTP/1.1 200 OK\r\nContent-Type: model/vrml\r\nETag: " + tag + "\r\nCache-Control: no-cache\r\n" +
                   "Content-Length: " + (declaredLength.isEmpty() ? QByteArray::number(body.size()) : declaredLength) + "\r\n";
        }
        socket->write(head + "Connection: close\r\n\r\n" + body);
        socket->disconnectFromHost();
    }
    QTcpServer server_;
    QMap<QTcpSocket*, QByteArray> pending_;
};

TEST(WebWorldTest, InlinesComeFromTheWorldsServerAndTheCacheIsRevalidated) {
    QTemporaryDir cache;
    SceneLoader::SetCacheDirectory(cache.path());
    EtagServer server;
    server.bodies["worlds/main.wrl"] = "#VRML V2.0 utf8\nViewpoint { position 0 0 6 }\nInline { url \"parts/box.wrl\" }\n";
    server.bodies["worlds/parts/box.wrl"] =
        "#VRML V2.0 utf8\nShape { appearance Appearance { material Material { diffuseColor 0 0 0 emissiveColor 1 0 0 } } "
        "geometry Box { size 2 2 2 } }\n" + QByteArray(4000, ' ');
    VrmlView view;
    QStringList progress;
    QObject::connect(&view, &VrmlView::downloadProgress, [&](const QString& address, qint64 received, qint64 total) {
        progress << QStringLiteral("%1 %2/%3").arg(address.section('/', -1)).arg(received).arg(total);
    });
    ShowForTest(&view);
    ASSERT_EQ(view.LoadVrmlFile(server.Url("worlds/main.wrl")), 1) << view.LastError().toStdString();
    EXPECT_TRUE(view.LastWarnings().isEmpty()) << view.LastWarnings().join("|").toStdString();
    QImage image = Frame(&view);
    EXPECT_GT(image.pixelColor(image.width() / 2, image.height() / 2).red(), 200);
    EXPECT_EQ(server.requests, QStringList({"worlds/main.wrl", "worlds/parts/box.wrl"}));
    const QString boxSize = QString::number(server.bodies["worlds/parts/box.wrl"].size());
    EXPECT_TRUE(progress.contains("box.wrl " + boxSize + "/" + boxSize)) << progress.join("|").toStdString();

    // Again: the server is asked, says nothing changed, and the copies on disk are used.
    server.requests.clear();
    ASSERT_EQ(view.LoadVrmlFile(server.Url("worlds/main.wrl")), 1) << view.LastError().toStdString();
    EXPECT_EQ(server.requests, QStringList({"worlds/main.wrl (revalidated)", "worlds/parts/box.wrl (revalidated)"}));
    EXPECT_EQ(server.fullBodies, 2);
    image = Frame(&view);
    EXPECT_GT(image.pixelColor(image.width() / 2, image.height() / 2).red(), 200);

    // A changed file is downloaded anew.
    server.bodies["worlds/parts/box.wrl"].replace("1 0 0", "0 1 0");
    ASSERT_EQ(view.LoadVrmlFile(server.Url("worlds/main.wrl")), 1);
    image = Frame(&view);
    EXPECT_GT(image.pixelColor(image.width() / 2, image.height() / 2).green(), 200);
    SceneLoader::SetCacheDirectory({});
}

TEST(WebWorldTest, TexturesComeFromTheWorldsServer) {
    QTemporaryDir cache;
    SceneLoader::SetCacheDirectory(cache.path());
    EtagServer server;
    QImage yellow(8, 8, QImage::Format_RGB888);
    yellow.fill(QColor(255, 220, 0));
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    yellow.save(&png, "PNG");
    server.bodies["w/pictures/yellow.png"] = png.data();
    server.bodies["w/textured.wrl"] =
        "#VRML V2.0 utf8\nViewpoint { position 0 0 3 }\n"
        "Shape { appearance Appearance { material Material { diffuseColor 0 0 0 emissiveColor 1 1 1 }\n"
        "  texture ImageTexture { url [ \"pictures/missing.png\" \"pictures/yellow.png\" ] } } geometry Box { size 4 4 0.1 } }\n";
    VrmlView view;
    ShowForTest(&view);
    ASSERT_EQ(view.LoadVrmlFile(server.Url("w/textured.wrl")), 1) << view.LastError().toStdString();
    EXPECT_TRUE(view.LastWarnings().join("|").contains("texture \"pictures/missing.png\" not loaded"))
        << view.LastWarnings().join("|").toStdString();
    const QColor centre = Frame(&view).pixelColor(160, 120);
    EXPECT_GT(centre.red(), 200) << centre.name().toStdString();
    EXPECT_LT(centre.blue(), 60) << centre.name().toStdString();
    SceneLoader::SetCacheDirectory({});
}

TEST(WebWorldTest, WorldsThatClaimToBeHugeAreRefusedWithoutDownloading) {
    QTemporaryDir cache;
    SceneLoader::SetCacheDirectory(cache.path());
    EtagServer server;
    server.bodies["big.wrl"] = "#VRML V2.0 utf8\nShape { geometry Box { } }\n";
    server.declaredLength = QByteArray::number(qint64{200} << 20);
    VrmlView view;
    EXPECT_EQ(view.LoadVrmlFile(server.Url("big.wrl")), -1);
    EXPECT_EQ(view.LastError(), QStringLiteral("scene too large"));
    SceneLoader::SetCacheDirectory({});
}

}  // namespace
