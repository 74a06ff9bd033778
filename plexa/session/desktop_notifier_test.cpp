// Runs on a private session bus (dbus-run-session): a small listener plays the desktop's
// notification service and records what it is asked to show.
#include "plexa/session/desktop_notifier.h"

#include "platform/registry/registry_test_env.h"
#include "platform/text/cp932.h"
#include "plexa/session/roster_entry.h"
#include "plexa/settings/settings_test_writer.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QMutex>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QWidget>
#include <gtest/gtest.h>

namespace plexa {
namespace {

struct Shown {
    QString app, summary, body;
    QStringList actions;
    uint id;
};

class Listener : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QList<Shown> Calls() {
        QMutexLocker lock(&mutex_);
        return calls_;
    }

public slots:
    uint Notify(const QString& app, uint, const QString&, const QString& summary, const QString& body,
                const QStringList& actions, const QVariantMap&, int) {
        QMutexLocker lock(&mutex_);
        calls_.append({app, summary, body, actions, ++next_});
        return next_;
    }
    QStringList GetCapabilities() { return {QStringLiteral("actions"), QStringLiteral("body")}; }

private:
    QMutex mutex_;
    QList<Shown> calls_;
    uint next_ = 40;
};

class DesktopNotifierTest : public platform::registry::RegistryTestEnv {
protected:
    void SetUp() override {
        RegistryTestEnv::SetUp();
        testing::WriteSettingNumber("Option\\Chat", "ChatAutoSave", 1);  // the key exists after setup
        bus_ = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("listener"));
        ASSERT_TRUE(bus_.isConnected()) << "run under dbus-run-session";
        // The listener answers on a thread of its own, as another program would.
        listener_.moveToThread(&thread_);
        thread_.start();
        ASSERT_TRUE(bus_.registerService(QStringLiteral("org.freedesktop.Notifications")));
        ASSERT_TRUE(bus_.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &listener_,
                                        QDBusConnection::ExportAllSlots));
        notifier_ = new DesktopNotifier(&window_);
        notifier_->SetAwayCheck([this] { return away_; });
    }
    void TearDown() override {
        bus_.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
        bus_.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
        QDBusConnection::disconnectFromBus(QStringLiteral("listener"));
        thread_.quit();
        thread_.wait();
        RegistryTestEnv::TearDown();
    }
    bool WaitForCalls(int n) {
        return QTest::qWaitFor([&] { return listener_.Calls().size() >= n && notifier_->LastId() != 0; }, 5000);
    }
    void Click(uint id, const char* action) {
        QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
                                                         QStringLiteral("org.freedesktop.Notifications"),
                                                         QStringLiteral("ActionInvoked"));
        signal << id << QString::fromLatin1(action);
        ASSERT_TRUE(bus_.send(signal));
    }
    static RosterEntry Entry(const char* utf8Name) {
        RosterEntry entry;
        entry.avatarName = platform::Utf8ToCp932(utf8Name).value_or("");
        return entry;
    }

    QDBusConnection bus_{QString()};
    Listener listener_;
    QThread thread_;
    QWidget window_;
    DesktopNotifier* notifier_ = nullptr;
    bool away_ = true;
};

TEST_F(DesktopNotifierTest, AnEspMessageInTheBackgroundIsShownAndItsClickBringsTheWindowForward) {
    const RosterEntry bob = Entry("ボブ");
    ASSERT_TRUE(notifier_->EspMessage(&bob, platform::Utf8ToCp932("こんにちは <b>内緒</b>").value_or("")));
    ASSERT_TRUE(WaitForCalls(1));
    const Shown shown = listener_.Calls().front();
    EXPECT_TRUE(shown.summary.contains(QString::fromUtf8("ボブ"))) << shown.summary.toStdString();
    // Chat text is data: markup arrives escaped.
    EXPECT_EQ(shown.body, QString::fromUtf8("こんにちは &lt;b&gt;内緒&lt;/b&gt;"));
    EXPECT_TRUE(shown.actions.contains(QStringLiteral("default")));
    EXPECT_EQ(notifier_->LastId(), shown.id);

    QSignalSpy activated(notifier_, &DesktopNotifier::Activated);
    Click(shown.id + 100, "default");  // someone else's notification
    Click(shown.id, "default");
    ASSERT_TRUE(activated.wait(5000));
    QTest::qWait(100);
    EXPECT_EQ(activated.count(), 1);
    EXPECT_EQ(activated.front().front().toInt(), static_cast<int>(DesktopNotifier::Kind::EspMessage));
}

TEST_F(DesktopNotifierTest, NothingWhileTheUserIsLookingOrWhenTurnedOff) {
    const RosterEntry bob = Entry("bob");
    away_ = false;
    EXPECT_FALSE(notifier_->EspMessage(&bob, "hi"));
    EXPECT_FALSE(notifier_->EspRequest(&bob));
    away_ = true;
    NotificationSettings::SetEnabled(NotificationSettings::Kind::EspRequest, false);
    EXPECT_FALSE(NotificationSettings::Enabled(NotificationSettings::Kind::EspRequest));
    EXPECT_FALSE(notifier_->EspRequest(&bob));
    EXPECT_TRUE(NotificationSettings::Enabled(NotificationSettings::Kind::EspMessage)) << "the others stay on";
    // A request from another region has no roster entry: it still tells who it is, generically.
    ASSERT_TRUE(notifier_->EspMessage(nullptr, "hi"));
    ASSERT_TRUE(WaitForCalls(1));
    QTest::qWait(200);
    EXPECT_EQ(listener_.Calls().size(), 1);
}

TEST_F(DesktopNotifierTest, AChatLineOnlyWhenItNamesTheUserInAnyCaseOrWidth) {
    const RosterEntry carol = Entry("carol");
    EXPECT_FALSE(notifier_->ChatLine(&carol, "hello everyone", "alice"));
    EXPECT_FALSE(notifier_->ChatLine(&carol, "hello alice", "")) << "no name, no mention";
    EXPECT_FALSE(notifier_->ChatLine(nullptr, "hello alice", "alice")) << "a sender not in the region";
    EXPECT_TRUE(notifier_->ChatLine(&carol, platform::Utf8ToCp932("ＡＬＩＣＥさん、こんにちは").value_or(""), "alice"));
    ASSERT_TRUE(WaitForCalls(1));
    NotificationSettings::SetEnabled(NotificationSettings::Kind::Mention, false);
    EXPECT_FALSE(notifier_->ChatLine(&carol, "Alice?", "alice"));
    EXPECT_EQ(listener_.Calls().size(), 1);
}

}  // namespace
}  // namespace plexa

#include "desktop_notifier_test.moc"
