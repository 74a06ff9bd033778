#pragma once
// Tells a user who is looking at another window that someone wants them: a private (ESP) message,
// a request for a private conversation, or a chat line that names them. The desktop shows a
// notification (the freedesktop notification service on the session bus) and the window asks for
// attention (urgency hint). Nothing happens while one of our windows is active: the user sees the
// text already. Each kind can be turned off (settings under Option\Chat, on by default). Clicking
// a notification brings the window forward, the conversation window first when it is open.
// Without a session bus or a notification service only the urgency hint remains.
#include "plexa/settings/notification_settings.h"

#include <QObject>
#include <QString>
#include <QVariantMap>

#include <array>
#include <functional>
#include <string>

class QWidget;

namespace plexa {

struct RosterEntry;

class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    using Kind = NotificationSettings::Kind;

    explicit DesktopNotifier(QWidget* window);

    // Each returns whether a notification was sent (the service answers later). Texts are Unicode (converted by the caller).
    bool EspMessage(const QString& from, const QString& text);
    bool EspRequest(const QString& from);
    // Only when text names ownName (letters in any case or width).
    bool ChatLine(const QString& from, const QString& text, const QString& ownName);

    // The same from the session's events: names and texts in CP932; a sender not in the roster
    // (another region) gets the generic name.
    bool EspMessage(const RosterEntry* from, const std::string& text);
    bool EspRequest(const RosterEntry* from);
    bool ChatLine(const RosterEntry* from, const std::string& text, const std::string& ownName);

    // Whether the user is elsewhere; replaceable for tests.
    void SetAwayCheck(std::function<bool()> away) { m_away = std::move(away); }
    // How many times the kind called for attention (urgency hint given), whether or not a
    // notification service answered.
    int Raised(Kind kind) const { return m_raised[static_cast<size_t>(kind)]; }
    // Last notification id the service gave, 0 while none was shown.
    uint LastId() const { return m_lastId; }

signals:
    // A notification was clicked; the window has been brought forward.
    void Activated(int kind);  // a NotificationSettings::Kind

private slots:
    void OnActionInvoked(uint id, const QString& action);

private:
    bool Raise(Kind kind, const QString& summary, const QString& body);
    void BringForward(Kind kind);

    QWidget* m_window;
    std::function<bool()> m_away;
    uint m_lastId = 0;
    QMap<uint, Kind> m_shown;
    bool m_connected = false;
    std::array<int, 3> m_raised{};
};

}  // namespace plexa
