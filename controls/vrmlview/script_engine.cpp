#include "controls/vrmlview/script_engine.h"

#include "controls/vrmlview/scene_loader.h"
#include "controls/vrmlview/script_prelude.h"

#include <Inventor/SbTime.h>
#include <Inventor/SoFullPath.h>
#include <Inventor/VRMLnodes/SoVRMLGroup.h>
#include <Inventor/VRMLnodes/SoVRMLInline.h>
#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/lists/SoPathList.h>
#include <Inventor/VRMLnodes/SoVRMLScript.h>
#include <Inventor/fields/SoFieldData.h>
#include <Inventor/fields/SoMFColor.h>
#include <Inventor/fields/SoMFFloat.h>
#include <Inventor/fields/SoMFInt32.h>
#include <Inventor/fields/SoMFNode.h>
#include <Inventor/fields/SoMFRotation.h>
#include <Inventor/fields/SoMFString.h>
#include <Inventor/fields/SoMFTime.h>
#include <Inventor/fields/SoMFVec2f.h>
#include <Inventor/fields/SoMFVec3f.h>
#include <Inventor/fields/SoSFBool.h>
#include <Inventor/fields/SoSFColor.h>
#include <Inventor/fields/SoSFFloat.h>
#include <Inventor/fields/SoSFImage.h>
#include <Inventor/fields/SoSFInt32.h>
#include <Inventor/fields/SoSFNode.h>
#include <Inventor/fields/SoSFRotation.h>
#include <Inventor/fields/SoSFString.h>
#include <Inventor/fields/SoSFTime.h>
#include <Inventor/fields/SoSFVec2f.h>
#include <Inventor/fields/SoSFVec3f.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/sensors/SoFieldSensor.h>
#include <Inventor/sensors/SoNodeSensor.h>

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <chrono>
#include <cstring>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>

namespace {

std::map<SoVRMLScript*, ScriptEngine*>& Engines() {
    static std::map<SoVRMLScript*, ScriptEngine*> engines;
    return engines;
}

QString& WorldUrl() {
    static QString url;
    return url;
}

ScriptEngine::BrowserHooks& Hooks() {
    static ScriptEngine::BrowserHooks hooks;
    return hooks;
}

// Every Script node under root, through the content of Inlines too.
void CollectScripts(SoNode* root, std::set<SoNode*>* scripts, std::set<SoNode*>* seen) {
    if (!root || !seen->insert(root).second) return;
    SoSearchAction search;
    search.setType(SoVRMLScript::getClassTypeId());
    search.setInterest(SoSearchAction::ALL);
    search.setSearchingAll(TRUE);
    search.apply(root);
    for (int i = 0; i < search.getPaths().getLength(); ++i) {
        scripts->insert(static_cast<SoFullPath*>(search.getPaths()[i])->getTail());
    }
    SoSearchAction inlines;
    inlines.setType(SoVRMLInline::getClassTypeId());
    inlines.setInterest(SoSearchAction::ALL);
    inlines.setSearchingAll(TRUE);
    inlines.apply(root);
    std::vector<SoNode*> contents;
    for (int i = 0; i < inlines.getPaths().getLength(); ++i) {
        auto* node = static_cast<SoVRMLInline*>(static_cast<SoFullPath*>(inlines.getPaths()[i])->getTail());
        contents.push_back(node->getChildData());
    }
    search.reset();
    inlines.reset();
    for (SoNode* content : contents) CollectScripts(content, scripts, seen);
}

QStringList& Log() {
    static QStringList log;
    return log;
}

// Interrupts the engine of a call that runs past its budget. One thread for every engine:
// only one call runs at a time, on the GUI thread. Never destroyed, so process exit does not
// wait for it.
class Watchdog {
public:
    static Watchdog& Instance() {
        static Watchdog* watchdog = new Watchdog;
        return *watchdog;
    }
    void Arm(QJSEngine* engine, int ms) {
        std::lock_guard<std::mutex> lock(mutex_);
        engine_ = engine;
        deadline_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        wake_.notify_one();
    }
    void Disarm() {
        std::lock_guard<std::mutex> lock(mutex_);
        engine_ = nullptr;
        wake_.notify_one();
    }

private:
    Watchdog() { std::thread([this] { Run(); }).detach(); }
    void Run() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            if (!engine_) {
                wake_.wait(lock);
            } else if (wake_.wait_until(lock, deadline_) == std::cv_status::timeout && engine_ &&
                       std::chrono::steady_clock::now() >= deadline_) {
                engine_->setInterrupted(true);  // thread-safe by design
                engine_ = nullptr;
            }
        }
    }
    std::mutex mutex_;
    std::condition_variable wake_;
    QJSEngine* engine_ = nullptr;
    std::chrono::steady_clock::time_point deadline_;
};

QString CodeOf(const QString& url) {
    for (const char* scheme : {"javascript:", "vrmlscript:", "ecmascript:"}) {
        if (url.startsWith(QLatin1String(scheme), Qt::CaseInsensitive)) return url.mid(static_cast<int>(strlen(scheme)));
    }
    return {};
}

// Event names as routes spell them: set_x and x_changed both mean field x.
QString PlainName(QString name) {
    if (name.startsWith(QLatin1String("set_"))) name = name.mid(4);
    if (name.endsWith(QLatin1String("_changed"))) name.chop(8);
    return name;
}

SoField* FieldNamed(SoNode* node, const QString& name) {
    if (!node) return nullptr;
    if (SoField* field = node->getField(SbName(name.toUtf8().constData()))) return field;
    return node->getField(SbName(PlainName(name).toUtf8().constData()));
}

}  // namespace

void ScriptEngine::SetBrowserHooks(const BrowserHooks& hooks) { Hooks() = hooks; }

void ScriptEngine::ShutDown(SoNode* root) {
    std::set<SoNode*> scripts, seen;
    CollectScripts(root, &scripts, &seen);
    std::vector<ScriptEngine*> engines;
    for (const auto& [node, engine] : Engines()) {
        if (scripts.count(node)) engines.push_back(engine);
    }
    for (ScriptEngine* engine : engines) {
        engine->Call(QStringLiteral("shutdown"), {});
        engine->stopped_ = true;
    }
}

void ScriptEngine::Install() { SoVRMLScript::setScriptEvaluateCB(&ScriptEngine::Evaluate, nullptr); }

QStringList ScriptEngine::Messages() { return Log(); }
void ScriptEngine::SetWorldUrl(const QString& url) { WorldUrl() = url; }
void ScriptEngine::ClearMessages() { Log().clear(); }
int ScriptEngine::Count() { return static_cast<int>(Engines().size()); }

void ScriptEngine::Evaluate(void*, SoVRMLScript* node) {
    if (!node || Engines().count(node)) return;  // events reach a running engine by sensors
    auto* engine = new ScriptEngine(node);
    Engines()[node] = engine;
    engine->Start();
}

ScriptEngine::ScriptEngine(SoVRMLScript* node) : node_(node), worldUrl_(WorldUrl()), hooks_(Hooks()) {
    QJSEngine::setObjectOwnership(this, QJSEngine::CppOwnership);
    deathWatch_ = std::make_unique<SoNodeSensor>();
    deathWatch_->setDeleteCallback(&ScriptEngine::NodeDeleted, this);
    deathWatch_->attach(node_);
}

ScriptEngine::~ScriptEngine() {
    eventIns_.clear();
    deathWatch_.reset();
    for (SoNode* handle : handles_) handle->unref();
    if (node_) Engines().erase(node_);
}

void ScriptEngine::NodeDeleted(void* data, SoSensor*) {
    auto* self = static_cast<ScriptEngine*>(data);
    Engines().erase(self->node_);
    self->node_ = nullptr;
    self->stopped_ = true;
    self->deleteLater();
}

void ScriptEngine::EventIn(void* data, SoSensor* sensor) {
    auto* self = static_cast<ScriptEngine*>(data);
    if (!self->node_ || self->stopped_) return;
    auto it = self->eventNames_.find(sensor);
    if (it == self->eventNames_.end()) return;
    SoField* field = FieldNamed(self->node_, it->second);
    if (!field) return;
    const double now = SbTime::getTimeOfDay().getValue();
    if (self->Call(it->second, {self->ToScript(field), QJSValue(now)})) self->Call(QStringLiteral("eventsProcessed"), {});
}

void ScriptEngine::Report(const QString& text) {
    qInfo().noquote() << "Script:" << text;
    Log().append(text);
    while (Log().size() > 200) Log().removeFirst();
}

void ScriptEngine::Start() {
    if (started_) return;
    started_ = true;
    engine_.globalObject().setProperty(QStringLiteral("__host"), engine_.newQObject(this));
    if (QJSValue prelude = engine_.evaluate(QString::fromUtf8(kScriptPrelude)); prelude.isError()) {
        Report(QStringLiteral("script support failed: %1").arg(prelude.toString()));
        stopped_ = true;
        return;
    }

    QString code;
    for (int i = 0; i < node_->url.getNum() && code.isEmpty(); ++i) {
        const QString url = QString::fromUtf8(node_->url[i].getString());
        code = CodeOf(url);
        if (code.isEmpty() && url.endsWith(QLatin1String(".js"), Qt::CaseInsensitive)) code = FetchScript(url);
    }
    if (code.isEmpty()) {
        Report(QStringLiteral("no script code found (javascript:, vrmlscript: or a .js file of the world)"));
        stopped_ = true;
        return;
    }

    QJSValue define = engine_.globalObject().property(QStringLiteral("__defineField"));
    // The field data, unlike the field list, includes the declared eventIns and eventOuts.
    const SoFieldData* data = static_cast<SoFieldContainer*>(node_)->getFieldData();
    for (int i = 0; data && i < data->getNumFields(); ++i) {
        SoField* field = data->getField(node_, i);
        if (field == &node_->url || field == &node_->directOutput || field == &node_->mustEvaluate) continue;
        const QString text = QString::fromUtf8(data->getFieldName(i).getString());
        if (field->getFieldType() == SoField::EVENTIN_FIELD || field->getFieldType() == SoField::EXPOSED_FIELD) {
            auto sensor = std::make_unique<SoFieldSensor>(&ScriptEngine::EventIn, this);
            sensor->attach(field);
            eventNames_[sensor.get()] = text;
            eventIns_.push_back(std::move(sensor));
        }
        if (field->getFieldType() != SoField::EVENTIN_FIELD) define.call({text});
    }

    Watchdog::Instance().Arm(&engine_, kBudgetMs);
    QJSValue result = engine_.evaluate(code, QStringLiteral("Script"));
    Watchdog::Instance().Disarm();
    if (engine_.isInterrupted() || result.isError()) {
        engine_.setInterrupted(false);
        Report(result.isError() ? QStringLiteral("error in script: %1").arg(result.toString())
                                : QStringLiteral("script interrupted after %1 ms and stopped").arg(kBudgetMs));
        stopped_ = true;
        return;
    }
    Call(QStringLiteral("initialize"), {});
}

bool ScriptEngine::Call(const QString& function, const QJSValueList& arguments) {
    if (stopped_ || inCall_) return false;
    QJSValue callee = engine_.globalObject().property(function);
    if (!callee.isCallable()) return true;
    inCall_ = true;
    Watchdog::Instance().Arm(&engine_, kBudgetMs);
    QJSValue result = callee.call(arguments);
    Watchdog::Instance().Disarm();
    inCall_ = false;
    if (engine_.isInterrupted()) {
        engine_.setInterrupted(false);
        stopped_ = true;
        Report(QStringLiteral("%1() ran longer than %2 ms: script stopped").arg(function).arg(kBudgetMs));
        return false;
    }
    if (result.isError()) {
        Report(QStringLiteral("error in %1() at line %2: %3")
                   .arg(function, result.property(QStringLiteral("lineNumber")).toString(), result.toString()));
        return false;
    }
    return true;
}

QString ScriptEngine::FetchScript(const QString& reference) {
    // Only beside the world: resolved against the world's own address, never elsewhere.
    if (worldUrl_.isEmpty() || reference.contains(QLatin1Char(':'))) return {};
    QString address;
    if (worldUrl_.startsWith(QLatin1String("http"), Qt::CaseInsensitive)) {
        address = QUrl(worldUrl_).resolved(QUrl(reference)).toString();
    } else {
        address = QDir::cleanPath(QFileInfo(worldUrl_).absoluteDir().filePath(reference));
    }
    QByteArray bytes;
    QString base, error;
    if (!SceneLoader::Fetch(address, &bytes, &base, &error, 5000) || bytes.size() > kMaxScriptBytes) {
        Report(QStringLiteral("script %1 not read: %2").arg(reference, error.isEmpty() ? QStringLiteral("too large") : error));
        return {};
    }
    return QString::fromUtf8(bytes);
}

QJSValue ScriptEngine::nodeGet(int index, const QString& name) {
    SoNode* node = index >= 0 && static_cast<size_t>(index) < handles_.size() ? handles_[index] : nullptr;
    SoField* field = FieldNamed(node, name);
    return field ? ToScript(field) : QJSValue(QJSValue::UndefinedValue);
}

void ScriptEngine::nodeSet(int index, const QString& name, const QJSValue& value) {
    // Writing into other nodes is what directOutput TRUE declares; without it the write is refused.
    if (!node_ || !node_->directOutput.getValue()) {
        Report(QStringLiteral("%1 not written: the Script has no directOutput").arg(name));
        return;
    }
    SoNode* node = index >= 0 && static_cast<size_t>(index) < handles_.size() ? handles_[index] : nullptr;
    if (SoField* field = FieldNamed(node, name); !field || !FromScript(value, field)) {
        Report(QStringLiteral("cannot assign %1 to %2").arg(value.toString(), name));
    }
}

QJSValue ScriptEngine::get(const QString& name) {
    SoField* field = FieldNamed(node_, name);
    return field ? ToScript(field) : QJSValue(QJSValue::UndefinedValue);
}

void ScriptEngine::set(const QString& name, const QJSValue& value) {
    if (SoField* field = FieldNamed(node_, name); field && !FromScript(value, field)) {
        Report(QStringLiteral("cannot assign %1 to %2").arg(value.toString(), name));
    }
}

void ScriptEngine::print(const QString& text) { Report(text); }

void ScriptEngine::loadUrl(const QJSValue& value) {
    QStringList urls;
    if (value.isArray()) {
        const int count = value.property(QStringLiteral("length")).toInt();
        for (int i = 0; i < count && i < 64; ++i) urls.append(value.property(static_cast<quint32>(i)).toString());
    } else if (!value.isUndefined() && !value.isNull()) {
        urls.append(value.toString());
    }
    if (urls.isEmpty() || !hooks_.loadUrl) {
        Report(QStringLiteral("loadURL: nothing to load"));
        return;
    }
    hooks_.loadUrl(urls);
}

void ScriptEngine::replaceWorld(const QJSValue& value) {
    std::vector<SoNode*> nodes;
    const int count = value.isArray() ? value.property(QStringLiteral("length")).toInt() : 0;
    for (int i = 0; i < count; ++i) {
        if (SoNode* node = NodeOf(value.property(static_cast<quint32>(i)))) nodes.push_back(node);
    }
    if (!hooks_.replaceWorld) {
        Report(QStringLiteral("replaceWorld: not possible here"));
        return;
    }
    hooks_.replaceWorld(nodes);
}

QJSValue ScriptEngine::createVrmlFromString(const QString& text) {
    QString error;
    SoSeparator* root = SceneLoader::Read("#VRML V2.0 utf8\n" + text.toUtf8(), worldUrl_, &error);
    QJSValue nodes = engine_.newArray();
    if (!root) {
        Report(QStringLiteral("createVrmlFromString: %1").arg(error));
        return nodes;
    }
    if (root->getNumChildren() > 0) {
        auto* group = static_cast<SoVRMLGroup*>(root->getChild(0));
        for (int i = 0; i < group->getNumChildren(); ++i) nodes.setProperty(i, NodeHandle(group->getChild(i)));
    }
    root->unref();
    return nodes;
}

bool ScriptEngine::route(const QJSValue& from, const QString& fromField, const QJSValue& to, const QString& toField,
                         bool add) {
    SoField* out = FieldNamed(NodeOf(from), fromField);
    SoField* in = FieldNamed(NodeOf(to), toField);
    if (!out || !in) {
        Report(QStringLiteral("no route from %1 to %2").arg(fromField, toField));
        return false;
    }
    if (add) return in->connectFrom(out, FALSE, TRUE);
    in->disconnect(out);
    return true;
}

QJSValue ScriptEngine::NodeHandle(SoNode* node) {
    if (!node) return QJSValue(QJSValue::NullValue);
    size_t index = 0;
    while (index < handles_.size() && handles_[index] != node) ++index;
    if (index == handles_.size()) {
        node->ref();
        handles_.push_back(node);
    }
    return engine_.globalObject().property(QStringLiteral("__makeHandle")).call(
        {static_cast<int>(index), QString::fromLatin1(node->getTypeId().getName().getString())});
}

SoNode* ScriptEngine::NodeOf(const QJSValue& handle) const {
    if (!handle.isObject() || !handle.hasProperty(QStringLiteral("__node"))) return nullptr;
    const int index = handle.property(QStringLiteral("__node")).toInt();
    return index >= 0 && static_cast<size_t>(index) < handles_.size() ? handles_[index] : nullptr;
}

QJSValue ScriptEngine::ToScript(const SoField* field) {
    QJSValue global = engine_.globalObject();
    auto make = [&](const char* type, QJSValueList values) {
        return global.property(QLatin1String(type)).callAsConstructor(values);
    };
    auto vec3 = [&](const SbVec3f& v) { return make("SFVec3f", {v[0], v[1], v[2]}); };
    auto vec2 = [&](const SbVec2f& v) { return make("SFVec2f", {v[0], v[1]}); };
    auto color = [&](const SbColor& c) { return make("SFColor", {c[0], c[1], c[2]}); };
    auto rotation = [&](const SbRotation& r) {
        SbVec3f axis;
        float angle = 0;
        r.getValue(axis, angle);
        return make("SFRotation", {axis[0], axis[1], axis[2], angle});
    };
    auto list = [&](int count, auto item) {
        QJSValue array = engine_.newArray(static_cast<uint>(count));
        for (int i = 0; i < count; ++i) array.setProperty(static_cast<quint32>(i), item(i));
        return array;
    };
    const SoType type = field->getTypeId();
    if (type == SoSFBool::getClassTypeId()) return QJSValue(static_cast<const SoSFBool*>(field)->getValue() != FALSE);
    if (type == SoSFFloat::getClassTypeId()) return QJSValue(static_cast<const SoSFFloat*>(field)->getValue());
    if (type == SoSFInt32::getClassTypeId()) return QJSValue(static_cast<const SoSFInt32*>(field)->getValue());
    if (type == SoSFTime::getClassTypeId()) return QJSValue(static_cast<const SoSFTime*>(field)->getValue().getValue());
    if (type == SoSFString::getClassTypeId()) {
        return QJSValue(QString::fromUtf8(static_cast<const SoSFString*>(field)->getValue().getString()));
    }
    if (type == SoSFVec3f::getClassTypeId()) return vec3(static_cast<const SoSFVec3f*>(field)->getValue());
    if (type == SoSFVec2f::getClassTypeId()) return vec2(static_cast<const SoSFVec2f*>(field)->getValue());
    if (type == SoSFColor::getClassTypeId()) return color(static_cast<const SoSFColor*>(field)->getValue());
    if (type == SoSFRotation::getClassTypeId()) return rotation(static_cast<const SoSFRotation*>(field)->getValue());
    if (type == SoSFNode::getClassTypeId()) return NodeHandle(static_cast<const SoSFNode*>(field)->getValue());
    if (type == SoSFImage::getClassTypeId()) {
        // One number a pixel, its components high byte first (0xRRGGBB for three).
        SbVec2s size;
        int components = 0;
        const unsigned char* bytes = static_cast<const SoSFImage*>(field)->getValue(size, components);
        const int pixels = bytes ? size[0] * size[1] : 0;
        QJSValue array = engine_.newArray(static_cast<uint>(pixels));
        for (int i = 0; i < pixels; ++i) {
            qint64 pixel = 0;
            for (int c = 0; c < components; ++c) pixel = (pixel << 8) | bytes[i * components + c];
            array.setProperty(static_cast<quint32>(i), QJSValue(static_cast<double>(pixel)));
        }
        return make("SFImage", {size[0], size[1], components, array});
    }
    if (type == SoMFFloat::getClassTypeId()) {
        auto* f = static_cast<const SoMFFloat*>(field);
        return list(f->getNum(), [&](int i) { return QJSValue((*f)[i]); });
    }
    if (type == SoMFInt32::getClassTypeId()) {
        auto* f = static_cast<const SoMFInt32*>(field);
        return list(f->getNum(), [&](int i) { return QJSValue((*f)[i]); });
    }
    if (type == SoMFTime::getClassTypeId()) {
        auto* f = static_cast<const SoMFTime*>(field);
        return list(f->getNum(), [&](int i) { return QJSValue((*f)[i].getValue()); });
    }
    if (type == SoMFString::getClassTypeId()) {
        auto* f = static_cast<const SoMFString*>(field);
        return list(f->getNum(), [&](int i) { return QJSValue(QString::fromUtf8((*f)[i].getString())); });
    }
    if (type == SoMFVec3f::getClassTypeId()) {
        auto* f = static_cast<const SoMFVec3f*>(field);
        return list(f->getNum(), [&](int i) { return vec3((*f)[i]); });
    }
    if (type == SoMFVec2f::getClassTypeId()) {
        auto* f = static_cast<const SoMFVec2f*>(field);
        return list(f->getNum(), [&](int i) { return vec2((*f)[i]); });
    }
    if (type == SoMFColor::getClassTypeId()) {
        auto* f = static_cast<const SoMFColor*>(field);
        return list(f->getNum(), [&](int i) { return color((*f)[i]); });
    }
    if (type == SoMFRotation::getClassTypeId()) {
        auto* f = static_cast<const SoMFRotation*>(field);
        return list(f->getNum(), [&](int i) { return rotation((*f)[i]); });
    }
    if (type == SoMFNode::getClassTypeId()) {
        auto* f = static_cast<const SoMFNode*>(field);
        return list(f->getNum(), [&](int i) { return NodeHandle((*f)[i]); });
    }
    return QJSValue(QJSValue::UndefinedValue);
}

bool ScriptEngine::FromScript(const QJSValue& value, SoField* field) {
    auto number = [](const QJSValue& v, const char* name) { return static_cast<float>(v.property(QLatin1String(name)).toNumber()); };
    auto vec3 = [&](const QJSValue& v) { return SbVec3f(number(v, "x"), number(v, "y"), number(v, "z")); };
    auto vec2 = [&](const QJSValue& v) { return SbVec2f(number(v, "x"), number(v, "y")); };
    auto color = [&](const QJSValue& v) { return SbColor(number(v, "r"), number(v, "g"), number(v, "b")); };
    auto rotation = [&](const QJSValue& v) {
        return SbRotation(SbVec3f(number(v, "x"), number(v, "y"), number(v, "z")), number(v, "angle"));
    };
    const int count = value.isArray() ? value.property(QStringLiteral("length")).toInt() : 0;
    auto each = [&](auto* f, auto convert) {
        f->setNum(count);
        for (int i = 0; i < count; ++i) f->set1Value(i, convert(value.property(static_cast<quint32>(i))));
        return true;
    };
    const SoType type = field->getTypeId();
    if (type == SoSFBool::getClassTypeId()) static_cast<SoSFBool*>(field)->setValue(value.toBool());
    else if (type == SoSFFloat::getClassTypeId()) static_cast<SoSFFloat*>(field)->setValue(static_cast<float>(value.toNumber()));
    else if (type == SoSFInt32::getClassTypeId()) static_cast<SoSFInt32*>(field)->setValue(value.toInt());
    else if (type == SoSFTime::getClassTypeId()) static_cast<SoSFTime*>(field)->setValue(SbTime(value.toNumber()));
    else if (type == SoSFString::getClassTypeId()) static_cast<SoSFString*>(field)->setValue(value.toString().toUtf8().constData());
    else if (type == SoSFVec3f::getClassTypeId()) static_cast<SoSFVec3f*>(field)->setValue(vec3(value));
    else if (type == SoSFVec2f::getClassTypeId()) static_cast<SoSFVec2f*>(field)->setValue(vec2(value));
    else if (type == SoSFColor::getClassTypeId()) static_cast<SoSFColor*>(field)->setValue(color(value));
    else if (type == SoSFRotation::getClassTypeId()) static_cast<SoSFRotation*>(field)->setValue(rotation(value));
    else if (type == SoSFNode::getClassTypeId()) static_cast<SoSFNode*>(field)->setValue(NodeOf(value));
    else if (type == SoSFImage::getClassTypeId()) return ImageFromScript(value, static_cast<SoSFImage*>(field));
    else if (type == SoMFFloat::getClassTypeId()) return each(static_cast<SoMFFloat*>(field), [](const QJSValue& v) { return static_cast<float>(v.toNumber()); });
    else if (type == SoMFInt32::getClassTypeId()) return each(static_cast<SoMFInt32*>(field), [](const QJSValue& v) { return v.toInt(); });
    else if (type == SoMFString::getClassTypeId()) return each(static_cast<SoMFString*>(field), [](const QJSValue& v) { return SbString(v.toString().toUtf8().constData()); });
    else if (type == SoMFVec3f::getClassTypeId()) return each(static_cast<SoMFVec3f*>(field), vec3);
    else if (type == SoMFVec2f::getClassTypeId()) return each(static_cast<SoMFVec2f*>(field), vec2);
    else if (type == SoMFColor::getClassTypeId()) return each(static_cast<SoMFColor*>(field), color);
    else if (type == SoMFRotation::getClassTypeId()) return each(static_cast<SoMFRotation*>(field), rotation);
    else if (type == SoMFNode::getClassTypeId()) {
        auto* f = static_cast<SoMFNode*>(field);
        f->setNum(0);
        for (int i = 0; i < count; ++i) {
            if (SoNode* node = NodeOf(value.property(static_cast<quint32>(i)))) f->set1Value(f->getNum(), node);
        }
    } else {
        return false;
    }
    return true;
}

bool ScriptEngine::ImageFromScript(const QJSValue& value, SoSFImage* field) {
    // Only a whole picture is taken: sizes that agree with the pixels given, within bounds.
    const double width = value.property(QStringLiteral("width")).toNumber();
    const double height = value.property(QStringLiteral("height")).toNumber();
    const double components = value.property(QStringLiteral("comp")).toNumber();
    const QJSValue array = value.property(QStringLiteral("array"));
    if (!(width >= 0 && width <= kMaxImageSide && height >= 0 && height <= kMaxImageSide) ||
        !(components >= 1 && components <= 4) || width != static_cast<int>(width) ||
        height != static_cast<int>(height) || components != static_cast<int>(components) || !array.isArray()) {
        return false;
    }
    const int w = static_cast<int>(width), h = static_cast<int>(height), n = static_cast<int>(components);
    if (array.property(QStringLiteral("length")).toInt() != w * h) return false;
    std::vector<unsigned char> bytes(static_cast<size_t>(w) * h * n);
    for (int i = 0; i < w * h; ++i) {
        const qint64 pixel = static_cast<qint64>(array.property(static_cast<quint32>(i)).toNumber());
        for (int c = 0; c < n; ++c) bytes[static_cast<size_t>(i) * n + c] = static_cast<unsigned char>(pixel >> (8 * (n - 1 - c)));
    }
    field->setValue(SbVec2s(static_cast<short>(w), static_cast<short>(h)), n, bytes.empty() ? nullptr : bytes.data());
    return true;
}
