#include "plexa/session/world_session.h"

#include "platform/ui/window_timer.h"
#include "plexa/resources/plexa_strings.h"
#include "plexa/resources/resource_ids.h"
#include "plexa/session/avatar_pose.h"
#include "plexa/session/reconnect_backoff.h"
#include "plexa/session/session_addresses.h"

#include <QPointer>
#include <QRandomGenerator>

#include <algorithm>

namespace plexa {

WorldSession::WorldSession(SessionWindow& window, Controls controls, AvatarRoster& roster,
                           platform::ui::WindowTimers& timers)
    : m_window(window),
      m_controls(controls),
      m_roster(roster),
      m_timers(timers),
      m_clock([] { return std::time(nullptr); }),
      m_jitter([] { return QRandomGenerator::global()->generateDouble(); }) {
    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &QTimer::timeout, this, &WorldSession::TryReconnect);
    // The status line counts the seconds down while the entry timer or a reconnection waits.
    m_countdown.setInterval(1000);
    connect(&m_countdown, &QTimer::timeout, this, &WorldSession::PublishStatus);
}

// ---------------------------------------------------------------------------------------------
// State and status

void WorldSession::SetState(State state) {
    m_state = state;
    if (state != State::Reconnecting) m_retryTimer.stop();
    PublishStatus();
}

int WorldSession::NextAttemptInMs() const {
    return m_retryTimer.isActive() ? std::max(0, m_retryTimer.remainingTime()) : 0;
}

SessionStatus WorldSession::Status() const {
    using P = SessionStatus::Phase;
    SessionStatus status;
    if (m_loadingScene) {
        status.phase = P::LoadingScene;
        status.receivedBytes = m_downloadReceived;
        status.totalBytes = m_downloadTotal;
    } else if (m_state == State::Connecting) {
        status.phase = m_attempt > 0 ? P::Retrying : P::Connecting;
        status.attempt = m_attempt;
    } else if (m_state == State::Reconnecting) {
        status.phase = P::Reconnecting;
        status.attempt = m_attempt;
        status.secondsLeft = (NextAttemptInMs() + 999) / 1000;
    } else if (m_regionChangeBusy && m_timers.IsActive(kEntryTimer)) {
        status.phase = P::Preparing;
        status.secondsLeft = static_cast<int>((std::max<qint64>(0, m_entryDeadline.remainingTime()) + 999) / 1000);
    } else if (m_state == State::InRegion) {
        status.phase = P::InRegion;
        status.regionName = m_currentRegionName;
    }
    return status;
}

void WorldSession::OnSceneDownload(int32_t received, int32_t total) {
    if (!m_loadingScene || received < 0) return;  // a download of the view's own (a link, a script)
    m_downloadReceived = received;
    m_downloadTotal = total;
    PublishStatus();
}

void WorldSession::PublishStatus() {
    const bool counting = m_state == State::Reconnecting || (m_regionChangeBusy && m_timers.IsActive(kEntryTimer));
    if (counting && !m_countdown.isActive()) m_countdown.start();
    if (!counting) m_countdown.stop();
    m_window.ShowStatus(Status());
}

// ---------------------------------------------------------------------------------------------
// Region change

bool WorldSession::AvatarSettingsComplete() const {
    return !m_settings.GetAvatarDirectory().empty() && !m_settings.GetDirectoryName().empty() &&
           !m_settings.GetVrmlFileName().empty() && !m_settings.GetImageFileName().empty();
}

void WorldSession::LoadOwnAvatarSettings() {
    m_avatarDirectory = m_settings.GetAvatarDirectory();
    m_avatarDirectoryName = m_settings.GetDirectoryName();
    m_avatarModelFile = m_settings.GetVrmlFileName();
    m_avatarImageFile = m_settings.GetImageFileName();
    m_avatarNumberText = std::to_string(m_settings.GetAvatarNo());
}

void WorldSession::RegionChange() {
    // 1. The own avatar must be set up and the server known.
    if (!AvatarSettingsComplete()) {
        m_window.ShowMessage(res::IDS_AVATAR_NOT_SET);
        QPointer<WorldSession> alive(this);
        m_window.OpenAvatarSettings();
        if (!alive) return;
        // A first start goes on to the region dialog once the avatar is chosen.
        if (AvatarSettingsComplete() && !m_inRegion && !m_regionChangeBusy && m_state == State::Offline)
            QMetaObject::invokeMethod(this, &WorldSession::RegionChange, Qt::QueuedConnection);
        return;
    }
    if (m_settings.GetHost().empty()) {
        m_window.ShowMessage(res::IDS_HOST_NOT_SET);
        return;
    }
    const std::string avatarDirectory = m_settings.GetAvatarDirectory();
    const std::string directoryName = m_settings.GetDirectoryName();
    const std::string modelFile = m_settings.GetVrmlFileName();
    const std::string imageFile = m_settings.GetImageFileName();
    const std::string avatarNumber = std::to_string(m_settings.GetAvatarNo());
    // 2.
    RegionChoice choice;
    if (!m_window.RunRegionDialog(&choice)) return;
    m_avatarDirectory = avatarDirectory;
    m_avatarDirectoryName = directoryName;
    m_avatarModelFile = modelFile;
    m_avatarImageFile = imageFile;
    m_avatarNumberText = avatarNumber;
    // The user chose where to go: a reconnection waiting meanwhile is not wanted any more.
    if (m_state == State::Reconnecting) CancelReconnection();
    // 3.
    m_regionChangeBusy = true;
    m_window.EnableButtons({201, 217, 218, 220, 225}, false);
    m_controls.chat.ChangeModeGhost();
    m_window.ClearCard();
    // 4.
    if (m_inRegion) LeaveSequence();
    // 5.
    m_nickname = choice.nickname;
    m_host = m_settings.GetHost();
    if (m_host.empty()) {
        FinishRegionChange();
        return;
    }
    // 6.
    const std::string localScene = LocalSceneAddress(choice.regionAddress, m_host, m_installDirectory);
    // 7. The server did not let us leave: move within the open session.
    if (m_inRegion) {
        ReEntry(localScene, choice.regionName, choice.regionAddress);
        return;
    }
    // 8.
    m_loadingScene = true;
    m_downloadReceived = m_downloadTotal = -1;
    PublishStatus();
    const int loaded = m_controls.view.LoadVrmlFile(localScene);
    m_loadingScene = false;
    if (loaded != 1) {
        m_window.ShowMessage(res::IDS_VRML_LOAD_FAILED, localScene);
        if (!m_currentRegionAddress.empty()) m_controls.view.LoadVrmlFile(m_currentRegionAddress);
        FinishRegionChange();
        return;
    }
    // 9., 10.
    m_currentRegionName = choice.regionName;
    m_currentRegionAddress = choice.regionAddress;
    StartEntryTimer();
}

void WorldSession::StartEntryTimer() {
    m_timers.SetTimer(kEntryTimer, kEntryTimerMilliseconds);
    m_entryDeadline = QDeadlineTimer(kEntryTimerMilliseconds);
    PublishStatus();
}

void WorldSession::OnEntryTimer() {
    m_timers.KillTimer(kEntryTimer);
    EntryStep();
    FinishRegionChange();
}

void WorldSession::FinishRegionChange() {
    m_timers.KillTimer(kEntryTimer);
    m_window.EnableButtons({201, 218, 225, 217, 220}, true);
    m_controls.chat.ChangeModeAvatar();
    m_regionChangeBusy = false;
    // Outside a region nobody would receive what is typed: the input stays locked and says why.
    if (!m_inRegion) m_controls.chat.ChangeModeGhost();
    PublishStatus();
}

// ---------------------------------------------------------------------------------------------
// Entry

void WorldSession::EntryStep() {
    // 1.
    if (m_inRegion) {
        m_window.SetCardRegionName(m_currentRegionName);
        return;
    }
    // 2.
    if (m_currentRegionAddress.empty()) return;
    Enter(false);
}

WorldSession::Outcome WorldSession::Enter(bool quiet) {
    auto& communication = m_controls.communication;
    auto& view = m_controls.view;
    // 3., 4., 5.
    m_userId = MakeUserId(m_clock());
    const ServerAddress server = SplitHost(m_host, res::PlexaStrings().Get(res::IDS_DEFAULT_PORT));
    m_window.EnsureDefinitions();
    const State before = m_state;
    SetState(State::Connecting);
    auto fail = [&](Outcome outcome) {
        SetState(before == State::Connecting ? State::Offline : before);
        return outcome;
    };
    // 6. to 8. A server that cannot be reached is told as a refused log-in is: the user must
    // know that nothing happened.
    if (!communication.OpenServer(server.port, server.host)) {
        if (!quiet) m_window.ShowMessage(res::IDS_CONNECT_FAILED);
        return fail(Outcome::Unreachable);
    }
    if (!communication.TalkIn(m_userId, "", m_nickname)) {
        if (!quiet) m_window.ShowMessage(res::IDS_CONNECT_FAILED);
        communication.CloseServer();
        return fail(Outcome::Refused);
    }
    if (!communication.EnterRegion(m_currentRegionAddress, m_avatarNumberText, AvatarPose::EntryPose(),
                                   static_cast<int16_t>(m_presenceMode))) {
        if (!quiet) m_window.ShowMessage(res::IDS_ENTER_REGION_FAILED);
        communication.TalkOut();
        communication.CloseServer();
        return fail(Outcome::Refused);
    }
    // 9., 10.
    const int16_t clientId = communication.ClientId();
    m_roster.Append(clientId, m_userId, m_nickname, m_avatarNumberText, m_presenceMode, true);
    view.SetAvatarModelFile(m_avatarModelFile);
    if (!view.CreateAvatar(clientId, m_userId, m_nickname, m_avatarNumberText, static_cast<int16_t>(m_presenceMode),
                           AvatarPose::OwnAvatarPose())) {
        m_window.ShowMessage(res::IDS_AVATAR_CREATE_FAILED);
        communication.LeaveRegion();
        communication.TalkOut();
        communication.CloseServer();
        m_roster.Empty();
        view.LoadVrmlFile(m_currentRegionAddress);
        SetState(State::Offline);
        return Outcome::AvatarFailed;
    }
    // 11.
    m_inRegion = true;
    m_window.EnableButtons({220, 217, 218, 225}, true);
    m_controls.chat.SetAvatarName(m_nickname);
    m_controls.chat.SetUserId(m_userId);
    m_window.ShowOwnCard(m_avatarImageFile, m_nickname, m_userId, m_currentRegionName);
    // 12., 13.
    m_window.HandPaletteAvatar(m_avatarDirectory, m_avatarDirectoryName);
    view.AttachViewpoint();
    SetState(State::InRegion);
    return Outcome::Entered;
}

// ---------------------------------------------------------------------------------------------
// Leaving

bool WorldSession::LeaveSequence() {
    for (const RosterEntry& entry : m_roster) m_controls.view.DeleteAvatar(entry.clientId);
    m_controls.chat.Delete();
    if (!m_controls.communication.LeaveRegion()) {
        m_window.ShowMessage(res::IDS_LEAVE_REGION_FAILED);
        return false;
    }
    if (!m_controls.communication.TalkOut()) {
        m_window.ShowMessage(res::IDS_DISCONNECT_FAILED);
        return false;
    }
    m_inRegion = false;
    m_roster.Empty();
    m_controls.communication.CloseServer();
    m_window.CloseSubWindows();
    SetState(State::Offline);
    return true;
}

void WorldSession::OnRegionClosed() {
    LeaveSequence();
    if (!m_inRegion && !m_regionChangeBusy) m_controls.chat.ChangeModeGhost();
}

void WorldSession::EndSessionAfterFailure() {
    m_controls.communication.TalkOut();
    m_controls.communication.CloseServer();
    m_controls.chat.Delete();
    m_inRegion = false;
    m_roster.Empty();
    m_window.CloseSubWindows();
    SetState(State::Offline);
}

void WorldSession::ReEntry(const std::string& localScene, const std::string& regionName,
                           const std::string& regionAddress) {
    auto& communication = m_controls.communication;
    auto& view = m_controls.view;
    const RosterEntry* own = m_roster.OwnEntry();
    if (!own) {
        FinishRegionChange();
        return;
    }
    const RosterEntry old = *own;
    if (!view.DeleteAvatar(old.clientId)) {
        m_window.ShowMessage(res::IDS_AVATAR_DELETE_FAILED);
        FinishRegionChange();
        return;
    }
    if (!communication.LeaveRegion()) {
        m_window.ShowMessage(res::IDS_LEAVE_REGION_FAILED);
        EndSessionAfterFailure();
        FinishRegionChange();
        return;
    }
    m_roster.Empty();
    if (view.LoadVrmlFile(localScene) != 1) {
        m_window.ShowMessage(res::IDS_VRML_LOAD_FAILED, localScene);
        EndSessionAfterFailure();
        view.LoadVrmlFile(m_currentRegionAddress);
        FinishRegionChange();
        return;
    }
    if (!communication.EnterRegion(regionAddress, m_avatarNumberText, AvatarPose::EntryPose(),
                                   static_cast<int16_t>(m_presenceMode))) {
        m_window.ShowMessage(res::IDS_ENTER_REGION_FAILED);
        EndSessionAfterFailure();
        FinishRegionChange();
        return;
    }
    // The server may hand out a new id with the new region; read it rather than assume.
    const int16_t clientId = communication.ClientId();
    m_roster.Append(clientId, old.userId, old.avatarName, old.avatarNumber, m_presenceMode, true);
    view.SetAvatarModelFile(m_avatarModelFile);
    if (!view.CreateAvatar(clientId, old.userId, old.avatarName, old.avatarNumber,
                           static_cast<int16_t>(m_presenceMode), AvatarPose::OwnAvatarPose())) {
        m_window.ShowMessage(res::IDS_AVATAR_CREATE_FAILED);
        communication.LeaveRegion();
        EndSessionAfterFailure();
        view.LoadVrmlFile(regionAddress);
        m_currentRegionName = regionName;
        m_currentRegionAddress = regionAddress;
        FinishRegionChange();
        return;
    }
    m_controls.chat.Delete();
    view.AttachViewpoint();
    m_currentRegionName = regionName;
    m_currentRegionAddress = regionAddress;
    StartEntryTimer();
}

// ---------------------------------------------------------------------------------------------
// Losing the server, and coming back

void WorldSession::OnServerDisconnected() {
    auto& communication = m_controls.communication;
    const int reason = communication.DisconnectReason();
    const bool wasInRegion = m_inRegion;
    m_window.ShowMessage(res::IDS_SERVER_DISCONNECTED, DisconnectReasonLine(reason, communication.DisconnectText()));
    for (const RosterEntry& entry : m_roster) m_controls.view.DeleteAvatar(entry.clientId);
    m_inRegion = false;
    m_roster.Empty();
    m_controls.chat.Delete();
    communication.CloseServer();
    m_window.CloseSubWindows();
    // Nobody would receive what is typed now, and the card no longer stands for a visit.
    if (!m_regionChangeBusy) m_controls.chat.ChangeModeGhost();
    if (wasInRegion) m_window.ClearCard();
    const bool comeBack = wasInRegion && !IsRemoval(reason) && m_settings.GetAutoReconnect() != 0 &&
                          !m_currentRegionAddress.empty() && !m_regionChangeBusy;
    if (!comeBack) {
        SetState(State::Offline);
        return;
    }
    m_attempt = 0;
    ScheduleReconnection();
}

void WorldSession::ScheduleReconnection() {
    ++m_attempt;
    m_retryTimer.start(ReconnectDelayMs(m_attempt, m_jitter()));
    SetState(State::Reconnecting);
}

void WorldSession::TryReconnect() {
    if (m_state != State::Reconnecting || m_inRegion || m_regionChangeBusy) return;
    // As a region change to the same region would: the settings as they are now, the same
    // nickname, avatar and presence.
    m_host = m_settings.GetHost();
    if (AvatarSettingsComplete()) LoadOwnAvatarSettings();
    const Outcome outcome = m_host.empty() ? Outcome::Unreachable : Enter(true);
    if (m_state != State::Reconnecting && outcome != Outcome::Entered && outcome != Outcome::AvatarFailed) return;
    switch (outcome) {
    case Outcome::Entered:
        m_attempt = 0;
        m_window.EnableButtons({201, 218, 225, 217, 220}, true);
        m_controls.chat.ChangeModeAvatar();
        // The pane shows again what it showed before the loss.
        m_controls.chat.RestoreChat();
        PublishStatus();
        break;
    case Outcome::AvatarFailed:
        m_attempt = 0;
        FinishRegionChange();
        break;
    case Outcome::Unreachable:
    case Outcome::Refused:
        ScheduleReconnection();
        break;
    }
}

void WorldSession::ReconnectNow() {
    if (m_state != State::Reconnecting) return;
    m_retryTimer.stop();
    TryReconnect();
}

void WorldSession::CancelReconnection() {
    if (m_state != State::Reconnecting) return;
    m_retryTimer.stop();
    m_attempt = 0;
    SetState(State::Offline);
}

void WorldSession::Shutdown() {
    CancelReconnection();
    m_countdown.stop();
    m_timers.KillAll();
    if (m_inRegion) LeaveSequence();
}

}  // namespace plexa
