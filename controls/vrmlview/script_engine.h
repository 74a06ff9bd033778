#pragma once
// Runs the ECMAScript of one VRML Script node on Qt's JavaScript engine. The node's fields and
// eventOuts are globals of the script (reading gives the field's value, assigning writes it, so
// routes carry eventOuts on); each eventIn calls the script function of the same name with the
// value and a time stamp. initialize() runs once, eventsProcessed() after each batch of events.
//
// A script reaches nothing outside its world: the engine has no file, network or module access,
// only the values of its own node and the Browser object. Every call has a time budget; a script
// that overruns it is interrupted and stopped, and the world goes on rendering.
#include <QJSEngine>
#include <QJSValue>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <vector>

class SoField;
class SoFieldSensor;
class SoNode;
class SoNodeSensor;
class SoSensor;
class SoSFImage;
class SoVRMLScript;

class ScriptEngine : public QObject {
    Q_OBJECT
public:
    // Milliseconds one call into a script may take.
    static constexpr int kBudgetMs = 250;
    static constexpr int kMaxScriptBytes = 1 << 20;
    // The largest side of a picture a script may make (SFImage).
    static constexpr int kMaxImageSide = 1024;

    // Makes the scene library hand every Script node that needs evaluating to this class.
    static void Install();
    // What scripts printed and where they failed, oldest first (kept for the last 200 lines).
    static QStringList Messages();
    static void ClearMessages();
    // The address of the world shown, for Browser.getWorldURL and createVrmlFromString.
    static void SetWorldUrl(const QString& url);
    // Engines alive, one a Script node in use.
    static int Count();

    // What the Browser object asks of the view showing the world. Engines keep the hooks in
    // place when they start; an empty hook makes its call do nothing.
    struct BrowserHooks {
        std::function<double()> speed;                   // metres a second the user moves at
        std::function<void(const QStringList&)> loadUrl;  // a link to follow; the view decides
        std::function<void(const std::vector<SoNode*>&)> replaceWorld;
    };
    static void SetBrowserHooks(const BrowserHooks& hooks);
    // Calls shutdown() of every running script under root (Inlines included) and stops them:
    // the world is about to be replaced or closed.
    static void ShutDown(SoNode* root);

    explicit ScriptEngine(SoVRMLScript* node);
    ~ScriptEngine() override;

    bool Stopped() const { return stopped_; }

    // Called from the script through the host object.
    Q_INVOKABLE QJSValue get(const QString& name);
    Q_INVOKABLE void set(const QString& name, const QJSValue& value);
    Q_INVOKABLE void print(const QString& text);
    Q_INVOKABLE QJSValue createVrmlFromString(const QString& text);
    Q_INVOKABLE bool route(const QJSValue& from, const QString& fromField, const QJSValue& to,
                           const QString& toField, bool add);
    Q_INVOKABLE QString worldUrl() const { return worldUrl_; }
    Q_INVOKABLE QJSValue nodeGet(int node, const QString& field);
    Q_INVOKABLE void nodeSet(int node, const QString& field, const QJSValue& value);
    Q_INVOKABLE double currentSpeed() const { return hooks_.speed ? hooks_.speed() : 0.0; }
    Q_INVOKABLE void loadUrl(const QJSValue& urls);
    Q_INVOKABLE void replaceWorld(const QJSValue& nodes);

private:
    static void Evaluate(void* closure, SoVRMLScript* node);
    static void NodeDeleted(void* data, SoSensor* sensor);
    static void EventIn(void* data, SoSensor* sensor);

    void Start();
    // The code of a .js file named relative to the world; empty when it cannot be read.
    QString FetchScript(const QString& reference);
    // Calls a script function if the script defines it; false when it failed or overran.
    bool Call(const QString& function, const QJSValueList& arguments);
    void Report(const QString& text);
    QJSValue ToScript(const SoField* field);
    bool FromScript(const QJSValue& value, SoField* field);
    bool ImageFromScript(const QJSValue& value, SoSFImage* field);
    QJSValue NodeHandle(SoNode* node);
    SoNode* NodeOf(const QJSValue& handle) const;

    SoVRMLScript* node_;
    QJSEngine engine_;
    std::unique_ptr<SoNodeSensor> deathWatch_;
    std::vector<std::unique_ptr<SoFieldSensor>> eventIns_;
    std::map<SoSensor*, QString> eventNames_;
    std::vector<SoNode*> handles_;  // referenced while the script can reach them
    QString worldUrl_;
    BrowserHooks hooks_;
    bool started_ = false;
    bool stopped_ = false;
    bool inCall_ = false;
};
