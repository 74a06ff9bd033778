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

#include <map>
#include <memory>
#include <vector>

class SoField;
class SoFieldSensor;
class SoNode;
class SoNodeSensor;
class SoSensor;
class SoVRMLScript;

class ScriptEngine : public QObject {
    Q_OBJECT
public:
    // Milliseconds one call into a script may take.
    static constexpr int kBudgetMs = 250;
    static constexpr int kMaxScriptBytes = 1 << 20;

    // Makes the scene library hand every Script node that needs evaluating to this class.
    static void Install();
    // What scripts printed and where they failed, oldest first (kept for the last 200 lines).
    static QStringList Messages();
    static void ClearMessages();
    // The address of the world shown, for Browser.getWorldURL and createVrmlFromString.
    static void SetWorldUrl(const QString& url);
    // Engines alive, one a Script node in use.
    static int Count();

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
    QJSValue NodeHandle(SoNode* node);
    SoNode* NodeOf(const QJSValue& handle) const;

    SoVRMLScript* node_;
    QJSEngine engine_;
    std::unique_ptr<SoNodeSensor> deathWatch_;
    std::vector<std::unique_ptr<SoFieldSensor>> eventIns_;
    std::map<SoSensor*, QString> eventNames_;
    std::vector<SoNode*> handles_;  // referenced while the script can reach them
    QString worldUrl_;
    bool started_ = false;
    bool stopped_ = false;
    bool inCall_ = false;
};
