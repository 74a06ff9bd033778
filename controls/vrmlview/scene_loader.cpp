#include "controls/vrmlview/scene_loader.h"

#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/VRMLnodes/SoVRMLGroup.h>
#include <Inventor/errors/SoReadError.h>
#include <Inventor/nodes/SoSeparator.h>

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>
#include <QUrl>

namespace {

constexpr qint64 kMaxSceneBytes = 64 * 1024 * 1024;

bool HasScheme(const QString& address, const char* scheme) {
    return address.startsWith(QLatin1String(scheme), Qt::CaseInsensitive);
}

void CollectReadError(const SoError* error, void* data) {
    auto* text = static_cast<QString*>(data);
    if (text->isEmpty() && error) *text = QString::fromLocal8Bit(error->getDebugString().getString());
}

bool FetchHttp(const QString& address, QByteArray* bytes, QString* error, int timeoutMs) {
    QNetworkAccessManager manager;
    QNetworkRequest request{QUrl(address)};
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(timeoutMs);
    QNetworkReply* reply = manager.get(request);
    QEventLoop loop;
    bool tooBig = false;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(reply, &QNetworkReply::downloadProgress, &loop, [&](qint64 received, qint64) {
        if (received > kMaxSceneBytes) {
            tooBig = true;
            reply->abort();
        }
    });
    QTimer::singleShot(timeoutMs, &loop, [&] { reply->abort(); });
    if (!reply->isFinished()) loop.exec();
    bool ok = reply->error() == QNetworkReply::NoError && !tooBig;
    if (ok) {
        *bytes = reply->readAll();
    } else {
        *error = tooBig ? QStringLiteral("scene too large") : reply->errorString();
    }
    reply->deleteLater();
    return ok;
}

}  // namespace

QString SceneLoader::LocalPath(const QString& raw) {
    QString address = raw.trimmed();
    if (HasScheme(address, "http://") || HasScheme(address, "https://")) return {};
    if (!HasScheme(address, "file:")) return address;
    QString rest = address.mid(5);
    if (rest.startsWith("//")) rest = rest.mid(2);
    if (rest.startsWith("localhost/", Qt::CaseInsensitive)) rest = rest.mid(9);
    if (!rest.startsWith('/')) rest.prepend('/');
    // Hosts hand us unencoded paths; only decode when the literal path does not exist.
    if (!QFileInfo::exists(rest) && rest.contains('%')) {
        QString decoded = QUrl::fromPercentEncoding(rest.toUtf8());
        if (QFileInfo::exists(decoded)) return decoded;
    }
    return rest;
}

bool SceneLoader::Fetch(const QString& raw, QByteArray* bytes, QString* baseDirectory,
                        QString* error, int timeoutMs) {
    QString address = raw.trimmed();
    baseDirectory->clear();
    if (address.isEmpty()) {
        *error = QStringLiteral("empty address");
        return false;
    }
    if (HasScheme(address, "http://") || HasScheme(address, "https://")) {
        return FetchHttp(address, bytes, error, timeoutMs);
    }
    QString path = LocalPath(address);
    QFileInfo info(path);
    if (!info.isFile()) {
        *error = QStringLiteral("no such file: %1").arg(path);
        return false;
    }
    if (info.size() > kMaxSceneBytes) {
        *error = QStringLiteral("scene too large");
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
    *bytes = file.readAll();
    *baseDirectory = info.absolutePath();
    return true;
}

SoSeparator* SceneLoader::Parse(const QByteArray& bytes, const QString& baseDirectory, QString* error) {
    if (bytes.isEmpty()) {
        *error = QStringLiteral("empty file");
        return nullptr;
    }
    SoInput input;
    input.setBuffer(bytes.constData(), static_cast<size_t>(bytes.size()));
    if (!input.isValidBuffer() || !(input.isFileVRML2() || input.isFileVRML1())) {
        *error = QStringLiteral("not a VRML file");
        return nullptr;
    }
    QByteArray dir = QFile::encodeName(baseDirectory);
    if (!dir.isEmpty()) SoInput::addDirectoryFirst(dir.constData());
    QString readError;
    SoErrorCB* oldHandler = SoReadError::getHandlerCallback();
    void* oldData = SoReadError::getHandlerData();
    SoReadError::setHandlerCallback(&CollectReadError, &readError);
    SoVRMLGroup* group = SoDB::readAllVRML(&input);
    SoReadError::setHandlerCallback(oldHandler, oldData);
    if (!dir.isEmpty()) SoInput::removeDirectory(dir.constData());
    if (!group) {
        *error = readError.isEmpty() ? QStringLiteral("malformed VRML") : readError;
        return nullptr;
    }
    auto* root = new SoSeparator;
    root->ref();
    root->addChild(group);
    return root;
}

SoSeparator* SceneLoader::Load(const QString& address, QString* error) {
    QByteArray bytes;
    QString base;
    if (!Fetch(address, &bytes, &base, error)) return nullptr;
    return Parse(bytes, base, error);
}
