#pragma once
// The one window the user works in: the toolbar, the chat, 3D view and communication controls,
// the own-avatar card, the status line, and the routing of the controls' events. The visits to
// regions themselves are the WorldSession's. Everything runs on the panel's thread, one message
// at a time.
#include "plexa/data/action_palette.h"
#include "plexa/data/avatar_definition.h"
#include "plexa/data/region_entry.h"
#include "plexa/session/avatar_pose.h"
#include "plexa/session/avatar_roster.h"
#include "plexa/session/child_control_classes.h"
#include "plexa/session/tesk_chat.h"
#include "plexa/session/tesk_communication.h"
#include "plexa/session/tesk_control_vrml.h"
#include "plexa/session/session_window.h"
#include "plexa/session/world_session.h"
#include "plexa/settings/option_sheet_host.h"
#include "plexa/settings/settings_store.h"

#include <QPointer>
#include <QRect>
#include <QUrl>
#include <QWidget>

#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform::ui {
class BitmapButton;
class WindowTimers;
}  // namespace platform::ui

namespace plexa {

class AvatarListDialog;
class DesktopNotifier;
class EspPartnerDialog;
class OwnAvatarCard;
class SessionStatusLine;

class WorldPanel : public QWidget, private SessionWindow {
    Q_OBJECT
public:
    // Control ids of the panel's template.
    enum : int {
        kFirstButton = 201, kLastButton = 225,
        kChatControl = 226, kViewControl = 227, kCommunicationControl = 228, kHiddenStatic = 233,
    };
    static constexpr unsigned kEntryTimer = WorldSession::kEntryTimer;
    static constexpr unsigned kEntryTimerMilliseconds = WorldSession::kEntryTimerMilliseconds;
    // Private window messages.
    static constexpr unsigned PM_OPEN_AVATAR_SETTINGS = 0x07CF;
    static constexpr unsigned PM_START_REGION_CHANGE = 0x07D0;

    // The bitmap resource ids a button shows; 0 where none is loaded.
    struct ButtonImages {
        int up = 0;
        int down = 0;
        int disabled = 0;
        friend bool operator==(const ButtonImages&, const ButtonImages&) = default;
    };

    // The option values the panel keeps a copy of (the options sheet reads and updates them).
    using OptionValues = plexa::OptionValues;

    // What other parts of the host plug into the panel. Each may be empty.
    struct Hooks {
        // The options sheet opened at a page (0 first, 3 the avatar page).
        std::function<void(int page)> showOptionSheet;
        // The action palette gets the definitions and the own avatar's directory and name.
        std::function<void(const AvatarDefinitionList&, const std::string& directory, const std::string& name)>
            setPaletteAvatar;
        // The roster changed, or a roster window was shown: refill the shown windows.
        std::function<void()> refreshRosterWindows;
        // The chat control allows (true) or refuses further ESP partners.
        std::function<void(bool)> notifyEspConnection;
    };

    explicit WorldPanel(QWidget* parent = nullptr, ChildControlClasses classes = ChildControlClasses::Installed());
    ~WorldPanel() override;

    // The world address from the page's object parameters; set before Initialize.
    void SetWorldAddress(const std::string& address) { m_worldAddress = address; }
    // Creates the buttons and child controls, configures them and posts the first region change.
    void Initialize();
    // Before the panel goes: leaves the region when in one and removes Region.tmp.
    void Shutdown();

    void SetHooks(Hooks hooks) { m_hooks = std::move(hooks); }
    // The modeless windows toolbar buttons 220, 217 and 218 show and hide (not owned).
    void SetSubWindows(QWidget* actionPalette, QWidget* avatarList, QWidget* espPartner);
    // Seams for tests: how help is opened, and the clock user ids are made from.
    void SetUrlOpener(std::function<bool(const QUrl&)> opener) { m_openUrl = std::move(opener); }
    void SetClock(std::function<std::time_t()> clock) { m_session->SetClock(std::move(clock)); }

    // Messages the panel handles.
    void OnCommand(int id);
    void OnTimer(unsigned id);
    void OnControlEvent(int controlId, int32_t event, const std::vector<platform::com::Variant>& args);
    void PostStartRegionChange();
    void SendOpenAvatarSettings();
    // The options command: the options sheet opened at a page (0 the first, 3 the avatar page).
    void ShowOptionSheet(int startPage);

    // The session operations.
    void RegionChange() { m_session->RegionChange(); }
    void EntryStep() { m_session->EntryStep(); }
    // False when the server refused to let the user go (still in region).
    bool LeaveSequence() { return m_session->LeaveSequence(); }
    void OnServerDisconnected() { m_session->OnServerDisconnected(); }
    WorldSession& Session() { return *m_session; }
    const WorldSession& Session() const { return *m_session; }

    bool InRegion() const { return m_session->InRegion(); }
    bool RegionChangeBusy() const { return m_session->RegionChangeBusy(); }
    int NavigationSet() const { return m_navigationSet; }
    int WalkthroughMode() const { return m_walkthroughMode; }
    int WalkthroughSpeed() const { return m_walkthroughSpeed; }
    int PresenceMode() const { return m_session->PresenceMode(); }
    const OptionValues& Options() const { return m_options; }
    void SetOptions(const OptionValues& options) { m_options = options; }

    const AvatarRoster& Roster() const { return m_roster; }
    const RegionList& Regions() const { return m_regions; }
    // Null until the definitions have been loaded.
    const AvatarDefinitionList* Definitions() const { return m_definitions ? &*m_definitions : nullptr; }
    const std::string& UserId() const { return m_session->UserId(); }
    const std::string& Nickname() const { return m_session->Nickname(); }
    const std::string& CurrentRegionName() const { return m_session->CurrentRegionName(); }
    const std::string& CurrentRegionAddress() const { return m_session->CurrentRegionAddress(); }
    QRect LogoRect() const { return m_logoRect; }
    bool LogoShown() const { return m_logoShown; }
    // The gesture palette the panel made at start (null when one was given or before start).
    ActionPalette* Palette() const { return m_palette; }

    platform::ui::BitmapButton* Button(int id) const;
    ButtonImages ImagesOf(int id) const;
    OwnAvatarCard* Card() const { return m_card; }
    // The line that tells where the session stands (null before start).
    SessionStatusLine* StatusLine() const { return m_statusLine; }
    DesktopNotifier* Notifier() const { return m_notifier; }
    // The roster windows, made hidden at start (null before).
    AvatarListDialog* AvatarList() const { return m_avatarListDialog; }
    EspPartnerDialog* EspPartner() const { return m_espPartnerDialog; }
    platform::ui::WindowTimers& Timers() { return *m_timers; }
    CTeskChat& Chat() { return m_chat; }
    CTeskCommunication& Communication() { return m_communication; }
    CTeskControlVrml& View() { return m_view; }

    // The model file shown for another participant's avatar number; empty (the view's stand-in
    // figure) when the definitions hold no such avatar.
    std::string ModelFileForAvatarNumber(const std::string& number) const;

    QSize sizeHint() const override;

    // True while the window the panel lives in is full screen: then the 3D view alone fills the
    // panel, and everything else waits hidden until the window is back.
    bool ViewAlone() const { return m_viewAlone; }
    // Dynamic property of a child hidden only while the view is alone: it is shown again after,
    // and its command stays usable meanwhile.
    static constexpr const char* kParkedProperty = "parkedForFullView";

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Layout(int width, int height);
    // Tab goes through the controls as they are seen: the top row left to right, the view, then
    // the buttons under the card and the chat.
    void OrderFocus();
    // Follows the full-screen state of the panel's window.
    void WatchWindow();
    void SetViewAlone(bool alone);
    // Shows or hides a child; while the view is alone, only what it shows afterwards changes.
    void ShowChild(QWidget* child, bool shown);
    void CreateButtons();
    void SetButtonImages(int id, int up, int down, int disabled = 0);
    void ConfigureView();
    void ConfigureChat();

    // What the session asks of its window.
    void ShowMessage(int stringId, const std::string& secondLine = {}) override;
    void EnableButtons(std::initializer_list<int> ids, bool enable) override;
    void CloseSubWindows() override;
    void ClearCard() override;
    void ShowOwnCard(const std::string& image, const std::string& nickname, const std::string& userId,
                     const std::string& regionName) override;
    void SetCardRegionName(const std::string& regionName) override;
    bool RunRegionDialog(RegionChoice* choice) override;
    void OpenAvatarSettings() override { SendOpenAvatarSettings(); }
    void EnsureDefinitions() override;
    void HandPaletteAvatar(const std::string& directory, const std::string& directoryName) override;
    void ShowStatus(const SessionStatus& status) override;

    void ToggleNavigationSet();
    void CycleWalkthroughSpeed();
    void SetSpeedImage();
    void ChangeWalkthroughMode(int mode);
    void UpdateModeImages();
    void GotoMode();
    void OpenHelp();
    void SaveChatText();
    void ToggleSubWindow(QWidget* window, bool rosterWindow);

    // Events of the communication control, the view and the chat control.
    void OnRegionClosedEvent(const std::vector<platform::com::Variant>&) { m_session->OnRegionClosed(); }
    void OnServerDisconnectedEvent(const std::vector<platform::com::Variant>&) { m_session->OnServerDisconnected(); }
    void OnAvatarEntered(const std::vector<platform::com::Variant>& args);
    void OnSceneDownload(const std::vector<platform::com::Variant>& args);
    void OnAvatarLeft(const std::vector<platform::com::Variant>& args);
    void OnAvatarMoved(const std::vector<platform::com::Variant>& args);
    void OnAvatarActed(const std::vector<platform::com::Variant>& args);
    void OnChatStringReceived(const std::vector<platform::com::Variant>& args);
    void OnAdminMessage(const std::vector<platform::com::Variant>& args);
    void OnEspStringReceived(const std::vector<platform::com::Variant>& args);
    void OnEspRequested(const std::vector<platform::com::Variant>& args);
    void OnEspClosed(const std::vector<platform::com::Variant>& args);
    void OnViewpointMoved(const std::vector<platform::com::Variant>& args);
    void OnReadChatString(const std::vector<platform::com::Variant>& args);
    void OnReadEspString(const std::vector<platform::com::Variant>& args);
    void OnClosedEspConnection(const std::vector<platform::com::Variant>& args);
    void OnNotifyEspConnection(const std::vector<platform::com::Variant>& args);
    // Refills the shown roster windows after the roster changed.
    void RefreshRosterWindows();
    // The partner chooser's connect: asks the server for an ESP conversation.
    void RequestEsp(const RosterEntry& partner);

    using EventHandler = void (WorldPanel::*)(const std::vector<platform::com::Variant>&);
    std::map<std::pair<int, int32_t>, EventHandler> m_eventMap;

    ChildControlClasses m_classes;
    CSettingsStore m_settings;
    bool m_initialised = false;
    std::map<int, platform::ui::BitmapButton*> m_buttons;
    std::map<int, ButtonImages> m_buttonImages;
    QWidget* m_hiddenStatic = nullptr;
    CTeskChat m_chat;
    CTeskControlVrml m_view;
    CTeskCommunication m_communication;
    OwnAvatarCard* m_card = nullptr;
    AvatarListDialog* m_avatarListDialog = nullptr;
    EspPartnerDialog* m_espPartnerDialog = nullptr;
    QPointer<QWidget> m_actionPalette;
    QPointer<QWidget> m_avatarList;
    QPointer<QWidget> m_espPartner;
    platform::ui::WindowTimers* m_timers;
    Hooks m_hooks;
    std::function<bool(const QUrl&)> m_openUrl;
    std::unique_ptr<WorldSession> m_session;
    SessionStatusLine* m_statusLine = nullptr;

    RegionList m_regions;
    AvatarRoster m_roster;
    std::optional<AvatarDefinitionList> m_definitions;

    std::string m_installDirectory;
    std::string m_worldAddress;

    int m_navigationSet = 1;
    int m_walkthroughMode = 0;
    int m_walkthroughSpeed = 2;
    int32_t m_soundOn = 1;
    OptionValues m_options;
    ActionPalette* m_palette = nullptr;
    // What the options sheet reads and changes of the panel.
    class SheetHost;
    QRect m_logoRect;
    bool m_logoShown = true;
    DesktopNotifier* m_notifier = nullptr;
    QPointer<QWidget> m_watchedWindow;
    bool m_viewAlone = false;
    // The children hidden for the full view, and where the keyboard was before it.
    std::vector<QPointer<QWidget>> m_parked;
    QPointer<QWidget> m_focusBeforeView;
};

}  // namespace plexa
