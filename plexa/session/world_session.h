#pragma once
// One visit to a region after another: the region change, the entry step when the entry timer
// fires, the leave sequence, moving within an open session, the server ending the session, and
// coming back by itself after the connection was lost. The panel is its window; everything runs
// on the panel's thread.
//
// The connection state is explicit:
//   Offline      --region change, entry step-->          Connecting --success--> InRegion
//   Connecting   --refused / unreachable-->              Offline (first entry) or Reconnecting
//   InRegion     --leave sequence, region closed-->      Offline
//   InRegion     --connection lost (not removed)-->      Reconnecting --timer--> Connecting
//   Reconnecting --cancel, region change, shutdown-->    Offline
// Beside it, "region change busy" is the wait for the entry timer, during which the toolbar and
// the chat are locked.
#include "plexa/session/avatar_roster.h"
#include "plexa/session/session_status.h"
#include "plexa/session/session_window.h"
#include "plexa/session/tesk_chat.h"
#include "plexa/session/tesk_communication.h"
#include "plexa/session/tesk_control_vrml.h"
#include "plexa/settings/settings_store.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QTimer>

#include <ctime>
#include <functional>
#include <string>

namespace platform::ui {
class WindowTimers;
}

namespace plexa {

class WorldSession : public QObject {
    Q_OBJECT
public:
    enum class State { Offline, Connecting, InRegion, Reconnecting };

    static constexpr unsigned kEntryTimer = 1000;
    static constexpr unsigned kEntryTimerMilliseconds = 10000;

    struct Controls {
        CTeskChat& chat;
        CTeskControlVrml& view;
        CTeskCommunication& communication;
    };

    WorldSession(SessionWindow& window, Controls controls, AvatarRoster& roster, platform::ui::WindowTimers& timers);

    void SetInstallDirectory(const std::string& directory) { m_installDirectory = directory; }
    void SetClock(std::function<std::time_t()> clock) { m_clock = std::move(clock); }
    // Where the waits before reconnecting take their randomness from (a number in [0, 1)).
    void SetJitter(std::function<double()> jitter) { m_jitter = std::move(jitter); }
    // The region the page named, loaded at start: a region change falls back to it.
    void SetCurrentRegionAddress(const std::string& address) { m_currentRegionAddress = address; }

    void RegionChange();
    void OnEntryTimer();
    void EntryStep();
    // False when the server refused to let the user go (still in region).
    bool LeaveSequence();
    void OnServerDisconnected();
    void OnRegionClosed();
    // The view downloading the scene it is loading: shown in the status line meanwhile.
    void OnSceneDownload(int32_t received, int32_t total);
    // A session that failed in the middle (an avatar could not be made): leave the server, clear
    // the chat, close the roster windows.
    void EndSessionAfterFailure();
    // The user gives up waiting for the connection to come back.
    void CancelReconnection();
    // A waiting reconnection tries at once rather than waiting out its back-off.
    void ReconnectNow();
    // Before the panel goes.
    void Shutdown();

    State CurrentState() const { return m_state; }
    bool InRegion() const { return m_inRegion; }
    bool RegionChangeBusy() const { return m_regionChangeBusy; }
    bool Reconnecting() const { return m_state == State::Reconnecting; }
    int ReconnectAttempt() const { return m_attempt; }
    // Milliseconds until the next reconnection attempt; 0 when none is waiting.
    int NextAttemptInMs() const;
    SessionStatus Status() const;
    int PresenceMode() const { return m_presenceMode; }
    const std::string& UserId() const { return m_userId; }
    const std::string& Nickname() const { return m_nickname; }
    const std::string& CurrentRegionName() const { return m_currentRegionName; }
    const std::string& CurrentRegionAddress() const { return m_currentRegionAddress; }

private:
    enum class Outcome { Entered, Unreachable, Refused, AvatarFailed };

    void SetState(State state);
    void PublishStatus();
    // Talks in, enters the current region and makes the own avatar. Quiet: the server's refusals
    // show no message (a reconnection tries again instead).
    Outcome Enter(bool quiet);
    // The end of every region change, whatever its outcome: the toolbar and chat come back.
    void FinishRegionChange();
    void ReEntry(const std::string& localScene, const std::string& regionName, const std::string& regionAddress);
    void StartEntryTimer();
    void ScheduleReconnection();
    void TryReconnect();
    bool AvatarSettingsComplete() const;
    void LoadOwnAvatarSettings();

    SessionWindow& m_window;
    Controls m_controls;
    AvatarRoster& m_roster;
    platform::ui::WindowTimers& m_timers;
    CSettingsStore m_settings;
    std::function<std::time_t()> m_clock;
    std::function<double()> m_jitter;

    std::string m_installDirectory;
    std::string m_avatarDirectory;
    std::string m_avatarDirectoryName;
    std::string m_avatarModelFile;
    std::string m_avatarImageFile;
    std::string m_avatarNumberText;
    std::string m_host;
    std::string m_userId;
    std::string m_nickname;
    std::string m_currentRegionName;
    std::string m_currentRegionAddress;
    int m_presenceMode = 1;

    State m_state = State::Offline;
    bool m_inRegion = false;
    bool m_regionChangeBusy = false;
    bool m_loadingScene = false;
    int32_t m_downloadReceived = -1;
    int32_t m_downloadTotal = -1;
    QDeadlineTimer m_entryDeadline;
    QTimer m_retryTimer;
    QTimer m_countdown;
    int m_attempt = 0;
};

}  // namespace plexa
