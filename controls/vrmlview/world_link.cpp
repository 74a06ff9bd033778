#include "controls/vrmlview/world_link.h"

#include "controls/vrmlview/scene_loader.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {

bool IsWeb(const QString& address) {
    return address.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
           address.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}

bool IsWorldFile(const QString& path) {
    const QString name = path.toLower();
    return name.endsWith(QLatin1String(".wrl")) || name.endsWith(QLatin1String(".wrz")) ||
           name.endsWith(QLatin1String(".wrl.gz"));
}

WorldLink Refuse(const QString& why) {
    WorldLink link;
    link.reason = why;
    return link;
}

WorldLink World(const QString& address) {
    WorldLink link;
    link.kind = WorldLink::kWorld;
    link.target = address;
    return link;
}

// Symbolic links followed, so a link inside the folder cannot lead out of it.
QString RealPath(const QString& path) {
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(QFileInfo(path).absoluteFilePath()) : canonical;
}

}  // namespace

WorldLink WorldLink::Resolve(const QString& world, const QString& raw) {
    const QString reference = raw.trimmed();
    if (reference.isEmpty()) return Refuse(QStringLiteral("the link is empty"));
    if (reference.startsWith(QLatin1Char('#'))) {
        WorldLink link;
        link.kind = kViewpoint;
        link.target = QUrl::fromPercentEncoding(reference.mid(1).toUtf8());
        if (link.target.isEmpty()) return Refuse(QStringLiteral("the link names no viewpoint"));
        return link;
    }
    if (world.isEmpty()) return Refuse(QStringLiteral("no world is shown"));

    if (IsWeb(world)) {
        const QUrl base(world);
        const QUrl target = base.resolved(QUrl(reference)).adjusted(QUrl::RemoveFragment | QUrl::NormalizePathSegments);
        if (!target.isValid() || target.scheme().compare(base.scheme(), Qt::CaseInsensitive) != 0 ||
            target.host().compare(base.host(), Qt::CaseInsensitive) != 0 || target.port() != base.port()) {
            return Refuse(QStringLiteral("%1 is not on the world's own site").arg(reference));
        }
        if (!IsWorldFile(target.path())) return Refuse(QStringLiteral("%1 is not a VRML world").arg(reference));
        return World(target.toString());
    }

    // A world on disk: only files of its own folder, whatever way they are named.
    QString path;
    if (reference.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
        path = SceneLoader::LocalPath(reference);
    } else if (reference.contains(QLatin1Char(':')) && !reference.startsWith(QLatin1Char('/'))) {
        return Refuse(QStringLiteral("%1 is not a file of the world").arg(reference));
    } else {
        path = reference;
    }
    const int hash = path.indexOf(QLatin1Char('#'));
    if (hash >= 0) path.truncate(hash);
    const QString folder = RealPath(QFileInfo(SceneLoader::LocalPath(world)).absolutePath());
    if (QDir::isRelativePath(path)) path = QDir(folder).filePath(path);
    const QString real = RealPath(path);
    if (!real.startsWith(folder + QLatin1Char('/'))) {
        return Refuse(QStringLiteral("%1 is outside the world's folder").arg(reference));
    }
    if (!IsWorldFile(real)) return Refuse(QStringLiteral("%1 is not a VRML world").arg(reference));
    if (!QFileInfo(real).isFile()) return Refuse(QStringLiteral("%1 does not exist").arg(reference));
    return World(real);
}
