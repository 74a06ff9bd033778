#include "controls/vrmlview/scene_loader.h"

#include "controls/vrmlview/scene_graph_checker.h"
#include "controls/vrmlview/scene_load_context.h"
#include "controls/vrmlview/scene_repair.h"
#include "controls/vrmlview/vrml_text.h"
#include "controls/vrmlview/web_textures.h"

#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/VRMLnodes/SoVRMLGroup.h>
#include <Inventor/errors/SoReadError.h>
#include <Inventor/nodes/SoSeparator.h>

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkDiskCache>
#include <QNetworkReply>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

#include <zlib.h>

#include <memory>
#include <vector>

namespace {

constexpr qint64 kMaxSceneBytes = 64 * 1024 * 1024;

bool HasScheme(const QString& address, const char* scheme) {
    return address.startsWith(QLatin1String(scheme), Qt::CaseInsensitive);
}

bool IsWeb(const QString& address) { return HasScheme(address, "http://") || HasScheme(address, "https://"); }

// Every read error the library reports while one file is read, in order.
void CollectReadError(const SoError* error, void* data) {
    if (error) static_cast<QStringList*>(data)->append(QString::fromLocal8Bit(error->getDebugString().getString()));
}

QString& CacheDirectory() {
    static QString directory;
    return directory;
}

// One manager for every download, with an on-disk cache: the server is asked whether a copy
// is still current (ETag, Last-Modified), and an unchanged world is not downloaded again.
QNetworkAccessManager& Manager() {
    static QNetworkAccessManager* manager = nullptr;
    static QString cacheIn;
    QString wanted = CacheDirectory();
    if (wanted.isEmpty()) {
        wanted = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/moneko/web");
    }
    if (!manager) manager = new QNetworkAccessManager;
    if (cacheIn != wanted) {
        auto* cache = new QNetworkDiskCache(manager);
        cache->setCacheDirectory(wanted);
        cache->setMaximumCacheSize(qint64{256} << 20);
        manager->setCache(cache);
        cacheIn = wanted;
    }
    return *manager;
}

bool FetchHttp(const QString& address, QByteArray* bytes, QString* error, int timeoutMs,
               const SceneLoader::Progress& progress) {
    QNetworkRequest request{QUrl(address)};
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::PreferNetwork);
    request.setTransferTimeout(timeoutMs);
    QNetworkReply* reply = Manager().get(request);
    QEventLoop loop;
    bool tooBig = false;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(reply, &QNetworkReply::downloadProgress, &loop, [&](qint64 received, qint64 total) {
        if (received > kMaxSceneBytes || total > kMaxSceneBytes) {
            tooBig = true;
            reply->abort();
            return;
        }
        if (progress) progress(address, received, total);
    });
    QTimer::singleShot(timeoutMs, &loop, [&] { reply->abort(); });
    // Only the download runs meanwhile: no input reaches the view while a world is half read.
    if (!reply->isFinished()) loop.exec(QEventLoop::ExcludeUserInputEvents);
    bool ok = reply->error() == QNetworkReply::NoError && !tooBig;
    if (ok) {
        *bytes = reply->readAll();
    } else {
        *error = tooBig ? QStringLiteral("scene too large") : reply->errorString();
    }
    reply->deleteLater();
    return ok;
}

// Undoes gzip with a ceiling on the result, so a small file cannot unpack into gigabytes.
bool Gunzip(const QByteArray& packed, qint64 limit, QByteArray* out, QString* error) {
    z_stream stream{};
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) {
        *error = QStringLiteral("cannot unpack gzip");
        return false;
    }
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.constData()));
    stream.avail_in = static_cast<uInt>(packed.size());
    QByteArray result;
    char chunk[65536];
    int status = Z_OK;
    while (status == Z_OK) {
        stream.next_out = reinterpret_cast<Bytef*>(chunk);
        stream.avail_out = sizeof chunk;
        status = inflate(&stream, Z_NO_FLUSH);
        if (status != Z_OK && status != Z_STREAM_END) break;
        result.append(chunk, static_cast<int>(sizeof chunk - stream.avail_out));
        if (result.size() > limit) {
            inflateEnd(&stream);
            *error = QStringLiteral("scene too large when unpacked");
            return false;
        }
        if (status == Z_OK && stream.avail_in == 0 && stream.avail_out != 0) break;  // cut short
    }
    inflateEnd(&stream);
    if (status != Z_STREAM_END) {
        *error = QStringLiteral("damaged gzip data");
        return false;
    }
    *out = std::move(result);
    return true;
}

// An input that keeps every named node alive until the read is over. The library drops a node
// that fails to read at once; when that node held a USE of a node round it still being read
// ("DEF G Group { children Shape { geometry USE G bad } }"), the outer node went with it, under
// the parser's feet.
class HoldingInput : public SoInput {
public:
    ~HoldingInput() override {
        for (SoBase* base : held_) base->unref();
    }
    void addReference(const SbName& name, SoBase* base, SbBool addToGlobalDict) override {
        if (base) {
            base->ref();
            held_.push_back(base);
        }
        SoInput::addReference(name, base, addToGlobalDict);
    }

private:
    std::vector<SoBase*> held_;
};

QString BaseDirectoryOf(const QString& source) {
    if (source.isEmpty() || IsWeb(source)) return {};
    return QFileInfo(source).absolutePath();
}

// Reads one file of a world: limits first, then the library's parser, cutting out what it
// cannot read until it can, then the node checks. A referenced group, or null with a reason.
SoVRMLGroup* ReadOne(QByteArray bytes, const QString& source, SceneLoadContext* context, QString* error) {
    const SceneLoadContext::Limits& limits = context->Limit();
    auto fail = [&](int line, const QString& why) {
        *error = SceneLoadContext::Where(source, line) + QStringLiteral(": ") + why;
        return nullptr;
    };
    if (bytes.isEmpty()) return fail(0, QStringLiteral("empty file"));
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0x1f && static_cast<unsigned char>(bytes[1]) == 0x8b) {
        QByteArray plain;
        QString why;
        if (!Gunzip(bytes, limits.maxFileBytes, &plain, &why)) return fail(0, why);
        bytes = std::move(plain);
    }
    if (bytes.size() > limits.maxFileBytes) return fail(0, QStringLiteral("scene too large"));
    // The header check's input reads the first attempt too: the library gives every input a
    // large read buffer, which costs more than parsing a small world. Each further attempt has
    // a fresh one, which lets go of what the failed attempt held.
    VrmlText text(std::move(bytes));
    std::unique_ptr<SoInput> input = std::make_unique<HoldingInput>();
    input->setBuffer(text.Text().constData(), static_cast<size_t>(text.Text().size()));
    if (!input->isValidBuffer() || !(input->isFileVRML2() || input->isFileVRML1())) {
        return fail(0, QStringLiteral("not a VRML file"));
    }
    const bool vrml1 = input->isFileVRML1();
    if (const int deepLine = text.LineNestedDeeperThan(limits.maxNesting)) {
        return fail(deepLine, QStringLiteral("nested deeper than %1 levels").arg(limits.maxNesting));
    }
    if (text.CountOf(VrmlText::kOpenBrace) > limits.maxNodes) {
        return fail(0, QStringLiteral("more than %1 nodes").arg(limits.maxNodes));
    }

    const QByteArray dir = QFile::encodeName(BaseDirectoryOf(source));
    const int warningsBefore = static_cast<int>(context->Warnings().size());
    int repairs = 0;
    // PROTO instances the library would expand without end, or take from another file, go before
    // it reads the text. Every one must go: a file with more than the repairs allow is refused.
    auto cutPrototypeInstances = [&] {
        int line = 0;
        QString what;
        while (SceneRepair::CutRecursivePrototype(&text, &line, &what) ||
               SceneRepair::CutForeignPrototypeUse(&text, vrml1, &line, &what)) {
            if (++repairs > limits.maxRepairs) return false;
            context->Warn(source, line, what);
        }
        return true;
    };
    const QString tooManyCuts = QStringLiteral("more than %1 PROTO instances to cut").arg(limits.maxRepairs);
    {
        if (!cutPrototypeInstances()) return fail(0, tooManyCuts);
        // The text changed under the header check's input: read it afresh.
        if (repairs > 0) {
            input = std::make_unique<HoldingInput>();
            input->setBuffer(text.Text().constData(), static_cast<size_t>(text.Text().size()));
        }
    }
    SoVRMLGroup* group = nullptr;
    QStringList errors;
    for (bool again = false;; again = true) {
        if (again) {
            // A repair can complete a PROTO body that leads back to itself: cut again.
            if (!cutPrototypeInstances()) return fail(0, tooManyCuts);
            input = std::make_unique<HoldingInput>();
            input->setBuffer(text.Text().constData(), static_cast<size_t>(text.Text().size()));
        }
        if (!dir.isEmpty()) SoInput::addDirectoryFirst(dir.constData());
        errors.clear();
        SoErrorCB* oldHandler = SoReadError::getHandlerCallback();
        void* oldData = SoReadError::getHandlerData();
        SoReadError::setHandlerCallback(&CollectReadError, &errors);
        group = SoDB::readAllVRML(input.get());
        SoReadError::setHandlerCallback(oldHandler, oldData);
        if (!dir.isEmpty()) SoInput::removeDirectory(dir.constData());
        if (group) break;
        const SceneRepair::ReadError first = SceneRepair::Split(errors.value(0));
        QString what;
        if (repairs < limits.maxRepairs && !context->OverBudget() && SceneRepair::Apply(&text, first, vrml1, &what)) {
            ++repairs;
            context->Warn(source, first.line, what);
            continue;
        }
        if (first.message.isEmpty()) return fail(0, QStringLiteral("malformed VRML"));
        return fail(first.line, first.message);
    }
    group->ref();
    // What the library read past (routes to missing nodes and the like) is worth a warning too.
    for (const QString& raw : errors) {
        const SceneRepair::ReadError e = SceneRepair::Split(raw);
        if (!e.message.isEmpty()) context->Warn(source, e.line, e.message.section(QLatin1Char('\n'), 0, 0));
    }
    if (IsWeb(source)) WebTextures::Apply(group, source, context);
    SceneGraphChecker checker(context, source);
    if (!checker.Check(group)) {
        group->unref();
        return fail(0, QStringLiteral("more than %1 nodes").arg(limits.maxNodes));
    }
    if (repairs > 0 && group->getNumChildren() == 0) {
        // Everything in it was cut out: the reason is the first thing that was.
        const QString reason = context->Warnings().value(warningsBefore);
        group->unref();
        *error = QStringLiteral("nothing loadable; ") + reason;
        return nullptr;
    }
    return group;
}

SoSeparator* Wrap(SoVRMLGroup* group) {
    auto* root = new SoSeparator;
    root->ref();
    root->addChild(group);
    group->unref();
    return root;
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

QString SceneLoader::SourceOf(const QString& raw) {
    const QString address = raw.trimmed();
    if (IsWeb(address)) return address;
    const QString path = LocalPath(address);
    return path.isEmpty() ? address : QFileInfo(path).absoluteFilePath();
}

void SceneLoader::SetCacheDirectory(const QString& directory) { CacheDirectory() = directory; }

SceneLoader::Progress& SceneLoader::ProgressReporter() {
    static Progress progress;
    return progress;
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
        return FetchHttp(address, bytes, error, timeoutMs, ProgressReporter());
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

SoSeparator* SceneLoader::Read(const QByteArray& bytes, const QString& source, QString* error, QStringList* warnings) {
    SceneLoadContext context;
    QString why;
    context.Enter(source, &why);
    SoVRMLGroup* group = ReadOne(bytes, source, &context, error);
    context.Leave();
    if (warnings) *warnings = context.Warnings();
    return group ? Wrap(group) : nullptr;
}

SoSeparator* SceneLoader::Parse(const QByteArray& bytes, const QString& baseDirectory, QString* error) {
    const QString source = baseDirectory.isEmpty() ? QStringLiteral("scene")
                                                   : QDir(baseDirectory).filePath(QStringLiteral("scene"));
    return Read(bytes, source, error);
}

SoSeparator* SceneLoader::Load(const QString& address, QString* error, QStringList* warnings) {
    QByteArray bytes;
    QString base;
    if (!Fetch(address, &bytes, &base, error)) return nullptr;
    return Read(bytes, SourceOf(address), error, warnings);
}

SoNode* SceneLoader::LoadInline(const QString& reference, int line, const QString& kind) {
    SceneLoadContext* context = SceneLoadContext::Current();
    if (!context) return nullptr;
    const QString parent = context->CurrentFile();
    const QString address = context->Resolve(reference);
    if (address.isEmpty()) {
        context->Warn(parent, line, QStringLiteral("%1 \"%2\" not read: not a file or web address").arg(kind, reference));
        return nullptr;
    }
    const QString id = SceneLoadContext::Identity(address);
    QString why;
    if (!context->Enter(address, &why)) {
        context->Warn(parent, line, QStringLiteral("%1 \"%2\" skipped: %3").arg(kind, reference, why));
        return nullptr;
    }
    SoNode* content = context->Loaded(id);
    if (!content && !context->Failed(id)) {
        QByteArray bytes;
        QString base;
        QString error;
        SoVRMLGroup* group = nullptr;
        if (context->OverBudget()) {
            error = QStringLiteral("the world took longer than %1 s to read").arg(context->Limit().budgetMs / 1000);
        } else if (IsWeb(address) && !context->Limit().allowWeb) {
            error = QStringLiteral("web addresses are not read here");
        } else if (Fetch(address, &bytes, &base, &error)) {
            group = ReadOne(bytes, SourceOf(address), context, &error);
        }
        if (group) {
            context->Remember(id, group);
            group->unref();
            content = group;
        } else {
            context->Remember(id, nullptr);
            context->Warn(parent, line, QStringLiteral("%1 \"%2\" not loaded: %3").arg(kind, reference, error));
        }
    }
    context->Leave();
    return content;
}
