#include "plexa/session/desktop_notifier.h"

#include "platform/text/cp932.h"
#include "plexa/resources/plexa_strings.h"
#include "plexa/resources/resource_ids.h"
#include "plexa/session/roster_entry.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QWidget>

namespace plexa {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
// A notification service that has not answered by then is not going to.
constexpr int kCallTimeoutMs = 2000;

// Letters in any case, full-width forms as their ASCII ones: how people type a name in chat.
QString Folded(const QString& text) {
    QString out = text.normalized(QString::NormalizationForm_KC);
    return out.toCaseFolded();
}

}  // namespace

DesktopNotifier::DesktopNotifier(QWidget* window)
    : QObject(window), m_window(window), m_away([] { return QApplication::activeWindow() == nullptr; }) {}

bool DesktopNotifier::EspMessage(const QString& from, const QString& text) {
    return Raise(Kind::EspMessage, QString::fromUtf8("%1 さんからの ESP").arg(from), text);
}

bool DesktopNotifier::EspRequest(const QString& from) {
    return Raise(Kind::EspRequest, QString::fromUtf8("%1 さんが ESP を始めました").arg(from), QString());
}

bool DesktopNotifier::ChatLine(const QString& from, const QString& text, const QString& ownName) {
    const QString name = Folded(ownName.trimmed());
    if (name.isEmpty() || !Folded(text).contains(name)) return false;
    return Raise(Kind::Mention, QString::fromUtf8("%1 さんがあなたの名前を呼びました").arg(from), text);
}

namespace {
QString SenderName(const RosterEntry* from) {
    return platform::ToQString(from ? from->avatarName : res::PlexaStrings().Get(res::IDS_OTHER_REGION_AVATAR));
}
}  // namespace

bool DesktopNotifier::EspMessage(const RosterEntry* from, const std::string& text) {
    return EspMessage(SenderName(from), platform::ToQString(text));
}

bool DesktopNotifier::EspRequest(const RosterEntry* from) { return EspRequest(SenderName(from)); }

bool DesktopNotifier::ChatLine(const RosterEntry* from, const std::string& text, const std::string& ownName) {
    // Lines of people who left are not shown, so they do not call for attention either.
    if (!from) return false;
    return ChatLine(SenderName(from), platform::ToQString(text), platform::ToQString(ownName));
}

bool DesktopNotifier::Raise(Kind kind, const QString& summary, const QString& body) {
    if (!m_away() || !NotificationSettings::Enabled(kind)) return false;
    // The task bar entry asks for attention until the window is activated.
    QApplication::alert(m_window->window());
    ++m_raised[static_cast<size_t>(kind)];
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    if (!m_connected) {
        m_connected = bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                                  SLOT(OnActionInvoked(uint, QString)));
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("moneko"));
    hints.insert(QStringLiteral("category"), kind == Kind::Mention ? QStringLiteral("im") : QStringLiteral("im.received"));
    // Chat text is data: the body is plain text, so markup characters are escaped for servers that parse it.
    call << QStringLiteral("Moneko♪") << uint(0) << QStringLiteral("moneko") << summary << body.toHtmlEscaped()
         << QStringList{QStringLiteral("default"), QString::fromUtf8("開く")} << hints << int(-1);
    // Asynchronous: a slow or missing service must never hold up the window.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, kind](QDBusPendingCallWatcher* done) {
        const QDBusPendingReply<uint> reply = *done;
        done->deleteLater();
        if (reply.isError()) return;
        m_lastId = reply.value();
        m_shown.insert(m_lastId, kind);
    });
    return true;
}

void DesktopNotifier::OnActionInvoked(uint id, const QString& action) {
    if (!m_shown.contains(id)) return;  // another program's notification
    const Kind kind = m_shown.take(id);
    if (action != QLatin1String("default")) return;
    BringForward(kind);
    emit Activated(static_cast<int>(kind));
}

void DesktopNotifier::BringForward(Kind kind) {
    QWidget* target = m_window->window();
    if (kind != Kind::Mention) {
        // The conversation window belongs to the chat control; it is found by its name.
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->objectName() == QLatin1String("EspWindow") && top->isVisible()) target = top;
    }
    if (target->isMinimized()) target->showNormal();
    else target->show();
    target->raise();
    target->activateWindow();
}

}  // namespace plexa
