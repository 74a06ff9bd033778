#include "controls/vrmlview/scene_load_context.h"

#include "controls/vrmlview/guarded_inline.h"
#include "controls/vrmlview/scene_loader.h"

#include <Inventor/SoInput.h>
#include <Inventor/nodes/SoNode.h>

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

namespace {
SceneLoadContext* current = nullptr;

bool IsWeb(const QString& address) {
    return address.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
           address.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}
}  // namespace

SceneLoadContext::Limits& SceneLoadContext::Defaults() {
    static Limits limits;
    return limits;
}

SceneLoadContext::SceneLoadContext() : SceneLoadContext(Defaults()) {}

SceneLoadContext::SceneLoadContext(const Limits& limits) : limits_(limits), previous_(current) {
    current = this;
    if (!previous_) GuardedInline::Install();
    clock_.start();
}

SceneLoadContext::~SceneLoadContext() {
    for (SoNode* node : loaded_) node->unref();
    current = previous_;
}

SceneLoadContext* SceneLoadContext::Current() { return current; }

QString SceneLoadContext::Resolve(const QString& raw) const {
    QString reference = raw.trimmed();
    if (reference.isEmpty()) return {};
    if (IsWeb(reference)) return QUrl(reference).adjusted(QUrl::RemoveFragment).toString();
    const QString parent = CurrentFile();
    if (reference.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
        return IsWeb(parent) ? QString() : QDir::cleanPath(SceneLoader::LocalPath(reference));
    }
    if (reference.contains(QLatin1Char(':')) && !reference.startsWith(QLatin1Char('/'))) {
        // Another scheme (ftp:, urn:, javascript: ...): nothing we read.
        const int colon = reference.indexOf(QLatin1Char(':'));
        if (colon > 1 && !reference.left(colon).contains(QLatin1Char('/'))) return {};
    }
    if (IsWeb(parent)) return QUrl(parent).resolved(QUrl(reference)).adjusted(QUrl::RemoveFragment).toString();
    const int hash = reference.indexOf(QLatin1Char('#'));
    if (hash >= 0) reference.truncate(hash);
    if (reference.isEmpty()) return {};
    if (QDir::isAbsolutePath(reference) || parent.isEmpty()) return QDir::cleanPath(reference);
    return QDir::cleanPath(QFileInfo(parent).absoluteDir().filePath(reference));
}

QString SceneLoadContext::Identity(const QString& address) {
    if (IsWeb(address)) return QUrl(address).adjusted(QUrl::RemoveFragment | QUrl::NormalizePathSegments).toString();
    const QString path = SceneLoader::LocalPath(address);
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? QFileInfo(path).absoluteFilePath() : canonical;
}

bool SceneLoadContext::Enter(const QString& address, QString* whyNot) {
    const QString id = Identity(address);
    if (openIds_.contains(id)) {
        *whyNot = QStringLiteral("it includes itself");
        return false;
    }
    if (Depth() > limits_.maxInlineDepth) {
        *whyNot = QStringLiteral("Inlines nested deeper than %1").arg(limits_.maxInlineDepth);
        return false;
    }
    open_.append(address);
    openIds_.append(id);
    return true;
}

void SceneLoadContext::Leave() {
    if (open_.isEmpty()) return;
    open_.removeLast();
    openIds_.removeLast();
}

QString SceneLoadContext::Where(const QString& file, int line) {
    return line > 0 ? QStringLiteral("%1:%2").arg(file).arg(line) : file;
}

int SceneLoadContext::LineOf(SoInput* in) {
    SbString location;
    in->getLocationString(location);
    static const QRegularExpression line(QStringLiteral("line\\s+(\\d+)"));
    QRegularExpressionMatch match = line.match(QString::fromUtf8(location.getString()));
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

void SceneLoadContext::Warn(const QString& file, int line, const QString& text) {
    const QString entry = Where(file, line) + QStringLiteral(": ") + text;
    if (!warnings_.contains(entry)) warnings_.append(entry);
}

bool SceneLoadContext::AddNodes(int count) {
    nodes_ += count;
    return nodes_ <= limits_.maxNodes;
}

SoNode* SceneLoadContext::Loaded(const QString& identity) const { return loaded_.value(identity, nullptr); }

void SceneLoadContext::Remember(const QString& identity, SoNode* content) {
    if (!content) {
        failed_.insert(identity);
        return;
    }
    if (loaded_.contains(identity)) return;
    content->ref();
    loaded_.insert(identity, content);
}
