#include "plexa/session/world_panel.h"

#include "platform/com/control_base.h"
#include "platform/text/cp932.h"
#include "platform/text/save_stamp.h"
#include "platform/ui/bitmap_button.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/message_box.h"
#include "platform/ui/modal_seam.h"
#include "platform/ui/posted_message.h"
#include "platform/ui/window_timer.h"
#include "plexa/data/avatar_data_store.h"
#include "plexa/data/definition_file.h"
#include "plexa/data/own_avatar_card.h"
#include "plexa/data/region_list.h"
#include "plexa/data/region_select_dialog.h"
#include "plexa/resources/plexa_strings.h"
#include "plexa/resources/resource_ids.h"
#include "plexa/session/avatar_list_dialog.h"
#include "plexa/session/desktop_notifier.h"
#include "plexa/session/esp_partner_dialog.h"
#include "plexa/session/fixed_view_rect.h"
#include "plexa/session/panel_commands.h"
#include "plexa/session/session_status_line.h"
#include "plexa/session/session_addresses.h"
#include "plexa/session/toolbar_images.h"
#include "plexa/settings/show_option_sheet.h"

#include <QDesktopServices>
#include <QLabel>
#include <QPainter>
#include <QResizeEvent>
#include <QKeyEvent>

#include <algorithm>

namespace plexa {

namespace com = platform::com;
namespace ui = platform::ui;
using com::Variant;
using com::VarType;

namespace {

// Up/down images of the speed button, by navigation set and speed.
constexpr int kSpeedImages[2][5][2] = {
    {{286, 285}, {287, 288}, {225, 226}, {290, 289}, {292, 291}},
    {{316, 314}, {318, 317}, {320, 319}, {324, 322}, {323, 321}},
};

struct ModeButton {
    int id;
    int mode;
    int up;
    int down;
};
constexpr ModeButton kModeButtons[] = {
    {207, 0, 294, 293}, {208, 1, 284, 283}, {210, 2, 254, 255}, {211, 3, 236, 237}, {212, 4, 248, 249},
};

// Buttons the template never shows.
constexpr int kNeverShown[] = {202, 203, 204, 213, 214, 219, 221, 222};

bool ArgI2(const std::vector<Variant>& args, size_t i, int16_t* out) {
    Variant v;
    if (i >= args.size() || !com::ControlBase::ConvertTo(args[i], VarType::I2, &v)) return false;
    *out = v.AsI2();
    return true;
}

bool ArgText(const std::vector<Variant>& args, size_t i, std::string* out) {
    return i < args.size() && args[i].Get(out);
}

bool ArgFlag(const std::vector<Variant>& args, size_t i, bool* out) {
    Variant v;
    if (i >= args.size() || !com::ControlBase::ConvertTo(args[i], VarType::I4, &v)) return false;
    *out = v.AsI4() != 0;
    return true;
}

}  // namespace

WorldPanel::WorldPanel(QWidget* parent, ChildControlClasses classes)
    : QWidget(parent),
      m_classes(classes),
      m_timers(new ui::WindowTimers(this, [this](unsigned id) { OnTimer(id); })),
      m_openUrl([](const QUrl& url) { return QDesktopServices::openUrl(url); }),
      m_session(std::make_unique<WorldSession>(static_cast<SessionWindow&>(*this), WorldSession::Controls{m_chat, m_view, m_communication},
                                               m_roster, *m_timers)) {
    setFont(ui::DialogFont());
    m_notifier = new DesktopNotifier(this);
    using W = WorldPanel;
    using C = CTeskCommunication;
    m_eventMap = {
        {{kCommunicationControl, C::kAvatarEntered}, &W::OnAvatarEntered},
        {{kCommunicationControl, C::kAvatarPresent}, &W::OnAvatarEntered},
        {{kCommunicationControl, C::kAvatarLeft}, &W::OnAvatarLeft},
        {{kCommunicationControl, C::kAvatarMoved}, &W::OnAvatarMoved},
        {{kCommunicationControl, C::kAvatarActed}, &W::OnAvatarActed},
        {{kCommunicationControl, C::kRegionClosed}, &W::OnRegionClosedEvent},
        {{kCommunicationControl, C::kServerDisconnected}, &W::OnServerDisconnectedEvent},
        {{kCommunicationControl, C::kChatStringReceived}, &W::OnChatStringReceived},
        {{kCommunicationControl, C::kAdminMessage}, &W::OnAdminMessage},
        {{kCommunicationControl, C::kEspStringReceived}, &W::OnEspStringReceived},
        {{kCommunicationControl, C::kEspRequested}, &W::OnEspRequested},
        {{kCommunicationControl, C::kEspClosed}, &W::OnEspClosed},
        {{kViewControl, CTeskControlVrml::kViewpointMoved}, &W::OnViewpointMoved},
        {{kViewControl, CTeskControlVrml::kDownloadProgress}, &W::OnSceneDownload},
        {{kChatControl, CTeskChat::kReadChatString}, &W::OnReadChatString},
        {{kChatControl, CTeskChat::kReadEspString}, &W::OnReadEspString},
        {{kChatControl, CTeskChat::kClosedEspConnection}, &W::OnClosedEspConnection},
        {{kChatControl, CTeskChat::kNotifyEspConnection}, &W::OnNotifyEspConnection},
    };
}

WorldPanel::~WorldPanel() {
    m_timers->KillAll();
    m_session.reset();
    // The controls go first: their windows live inside the panel.
    m_chat.Destroy();
    m_view.Destroy();
    m_communication.Destroy();
}

QSize WorldPanel::sizeHint() const {
    return ui::DialogUnits::Standard().MapSize(res::IDD_WORLD_PANEL_WIDTH, res::IDD_WORLD_PANEL_HEIGHT);
}

void WorldPanel::SetSubWindows(QWidget* actionPalette, QWidget* avatarList, QWidget* espPartner) {
    m_actionPalette = actionPalette;
    m_avatarList = avatarList;
    m_espPartner = espPartner;
}

// ---------------------------------------------------------------------------------------------
// Initialisation, layout and painting

void WorldPanel::Initialize() {
    if (m_initialised) return;
    m_initialised = true;
    // 1. The template's controls.
    CreateButtons();
    m_hiddenStatic = new QLabel(this);
    m_hiddenStatic->hide();
    auto handler = [this](int id, int32_t event, const std::vector<Variant>& args) { OnControlEvent(id, event, args); };
    m_chat.CreateControl(m_classes.chat, this, kChatControl, handler);
    m_view.CreateControl(m_classes.view, this, kViewControl, handler);
    m_communication.CreateControl(m_classes.communication, this, kCommunicationControl, handler);
    m_statusLine = new SessionStatusLine(this);
    m_statusLine->show();
    connect(m_statusLine, &SessionStatusLine::CancelRequested, m_session.get(), &WorldSession::CancelReconnection);
    // 2.
    Layout(width(), height());
    // 3.
    m_installDirectory = m_settings.GetInstallDirectory();
    m_session->SetInstallDirectory(m_installDirectory);
    m_soundOn = m_settings.GetSound();
    // 4.
    SetButtonImages(201, 207, 282);
    SetButtonImages(202, 337, 0);
    SetButtonImages(203, 338, 0);
    SetButtonImages(204, 339, 0);
    SetButtonImages(205, 304, 303);
    SetButtonImages(206, 225, 226);
    SetButtonImages(207, 293, 293);
    SetButtonImages(208, 284, 283);
    SetButtonImages(209, 217, 281);
    SetButtonImages(210, 254, 255);
    SetButtonImages(211, 236, 237);
    SetButtonImages(212, 248, 249);
    SetButtonImages(215, 312, 311);
    SetButtonImages(216, 246, 247);
    SetButtonImages(217, 315, 313, 363);
    SetButtonImages(218, 335, 336, 364);
    SetButtonImages(219, 327, 325, 353);
    SetButtonImages(220, 330, 329, 366);
    SetButtonImages(223, 229, 230);
    SetButtonImages(224, 219, 220);
    SetButtonImages(225, 334, 333, 365);
    for (int id : kNeverShown) m_buttons[id]->hide();
    for (int id : {210, 211, 212, 216}) m_buttons[id]->hide();
    EnableButtons({202, 203, 204, 217, 218, 219, 220, 225}, false);
    // Tooltips do not depend on the world loading, so every start gets them.
    const auto& strings = res::PlexaStrings();
    m_buttons[201]->setToolTip(strings.GetQ(res::IDS_TIP_REGION_CHANGE));
    for (auto& [id, button] : m_buttons)
        if (strings.Contains(res::IDS_TIP_BASE + id)) button->setToolTip(strings.GetQ(res::IDS_TIP_BASE + id));
    // 5.
    m_card = new OwnAvatarCard(this);
    if (!m_actionPalette) {
        m_palette = new ActionPalette([this](const std::string& code) { m_communication.SendAvatarAction(code); }, this);
        m_actionPalette = m_palette;
    }
    // The roster windows live hidden as long as the panel.
    m_avatarListDialog = new AvatarListDialog(this);
    m_espPartnerDialog = new EspPartnerDialog(this);
    m_espPartnerDialog->SetConnectHandler([this](const RosterEntry& partner) { RequestEsp(partner); });
    if (!m_avatarList) m_avatarList = m_avatarListDialog;
    if (!m_espPartner) m_espPartner = m_espPartnerDialog;
    m_card->show();
    Layout(width(), height());
    PanelCommands::Install(*this);
    OrderFocus();
    // 6.
    m_options.dithering = m_settings.GetDithering();
    m_options.fullColor = m_settings.GetFullColor();
    m_options.texture = m_settings.GetTexture();
    m_options.highQualityTexture = m_settings.GetHighQualityTexture();
    m_options.headLightOn = m_settings.GetHeadLightOn();
    m_options.collision = m_settings.GetCollision();
    m_options.graphicMode = m_settings.GetGraphicMode();
    m_options.graphicModeMoving = m_settings.GetGraphicModeMoving();
    m_options.chatAutoSave = m_settings.GetChatAutoSave();
    m_options.espAutoSave = m_settings.GetEspAutoSave();
    m_options.confirmOfFileSave = m_settings.GetConfirmOfFileSave();
    m_options.fixedSize = m_settings.GetFixedSize();
    // The view's size depends on FixedSize, known only now.
    Layout(width(), height());
    // Every child is made: a window already full screen shows the view alone from now on.
    WatchWindow();
    // 7.
    ConfigureView();
    // 8.
    ConfigureChat();
    // 9.
    if (QWidget* w = m_communication.Window()) w->hide();
    // 10.
    if (auto regions = ReadRegionList(m_installDirectory + "/" + kRegionListFileName)) {
        m_regions = std::move(*regions);
    } else {
        m_regions.clear();
        ShowMessage(res::IDS_REGION_LIST_READ_FAILED);
    }
    // 11.
    m_navigationSet = 1;
    m_walkthroughMode = 0;
    m_walkthroughSpeed = 2;
    // 12.
    if (!m_worldAddress.empty()) {
        m_session->SetCurrentRegionAddress(m_worldAddress);
        if (m_view.LoadVrmlFile(m_worldAddress) != 1) {
            // The message names the world, so the user can tell which file or address failed.
            ShowMessage(res::IDS_VRML_LOAD_FAILED, m_worldAddress);
            return;
        }
    }
    // 14. The chat stays locked until the first region entry.
    m_chat.ChangeModeGhost();
    // 15.
    PostStartRegionChange();
}

void WorldPanel::CreateButtons() {
    for (int id = kFirstButton; id <= kLastButton; ++id) {
        auto* button = new ui::BitmapButton(this);
        button->setObjectName(QStringLiteral("button%1").arg(id));
        const int size = (id == 223 || id == 224) ? 16 : 32;
        button->resize(size, size);
        connect(button, &QAbstractButton::clicked, this, [this, id] { OnCommand(id); });
        button->show();
        m_buttons[id] = button;
    }
}

void WorldPanel::ConfigureView() {
    using V = CTeskControlVrml;
    m_view.ChangeWalkthroughMode(V::kWalk);
    m_view.ChangeWalkthroughSpeed(2);
    m_view.SetFlagProperty(V::kDithering, m_options.dithering);
    m_view.SetFlagProperty(V::kFullColor, m_options.fullColor);
    m_view.SetFlagProperty(V::kTexture, m_options.texture);
    m_view.SetFlagProperty(V::kHighQualityTexture, m_options.highQualityTexture);
    m_view.SetFlagProperty(V::kHeadLightOn, m_options.headLightOn);
    m_view.SetFlagProperty(V::kCollision, m_options.collision);
    m_view.SetNumberProperty(V::kGraphicMode, m_options.graphicMode);
    m_view.SetNumberProperty(V::kGraphicModeMoving, m_options.graphicModeMoving);
    m_view.SetSound(m_soundOn != 0);
    // The own model is not known before the first region change.
    m_view.SetAvatarModelFile(std::string());
    if (QWidget* w = m_view.Window()) w->show();
}

void WorldPanel::ConfigureChat() {
    m_chat.SetSaveChatPrefix(m_settings.GetChatSaveFilePrefix());
    m_chat.SetSaveEspPrefix(m_settings.GetEspSaveFilePrefix());
    m_chat.SetSaveChatDir(m_installDirectory + "/ChatLog/Chat");
    m_chat.SetSaveEspDir(m_installDirectory + "/ChatLog/Esp");
    m_chat.SetChatAutoSave(m_options.chatAutoSave);
    m_chat.SetEspAutoSave(m_options.espAutoSave);
    m_chat.SetConfirmSave(m_options.confirmOfFileSave);
    m_chat.SetChatFont(m_settings.GetFont(), static_cast<int16_t>(m_settings.GetFontSize()));
    m_chat.Create(false);
}

void WorldPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Layout(event->size().width(), event->size().height());
}

void WorldPanel::Layout(int W, int H) {
    auto place = [this](int id, int x, int y, int w, int h) {
        if (auto it = m_buttons.find(id); it != m_buttons.end()) it->second->setGeometry(x, y, w, h);
    };
    const std::pair<int, int> topRow[] = {{201, 6},   {205, 46},  {206, 80},  {207, 112}, {210, 112}, {208, 144},
                                          {211, 144}, {209, 176}, {212, 176}, {215, 208}, {216, 208}};
    for (auto [id, x] : topRow) place(id, x, 6, 32, 32);
    place(223, 248, 6, 16, 16);
    place(224, 248, 22, 16, 16);
    // The status line takes the rest of the top row.
    if (m_statusLine) m_statusLine->setGeometry(272, 6, std::max(0, W - 280), 32);

    int Y;
    if (m_options.fixedSize != 0) {
        const QRect view = FixedViewRect(W, H);
        if (QWidget* w = m_view.Window()) w->setGeometry(view);
        Y = view.bottom() + 1;
    } else {
        const int viewHeight = (H - 46) / 2;
        if (QWidget* w = m_view.Window()) w->setGeometry(8, 46, std::max(0, W - 16), std::max(0, viewHeight));
        Y = 46 + viewHeight;
    }
    if (QWidget* w = m_chat.Window()) w->setGeometry(204, Y, std::max(0, W - 208), std::max(0, H - Y - 6));
    int T = 38;
    if (m_card) {
        m_card->setGeometry(6, Y + 4, 180, 80);
        T = Y + 84;
    }
    place(220, 8, T, 32, 32);
    place(217, 40, T, 32, 32);
    place(218, 72, T, 32, 32);
    place(225, 112, T, 32, 32);
    m_logoRect = QRect(QPoint(8, H - 66), QPoint(130 - 1, H - 8 - 1));
    // In a low window the logo would lie under the lower buttons: it is only decoration.
    m_logoShown = !m_viewAlone && (!m_card || m_logoRect.top() >= T + 32 + 4);
    if (QWidget* w = m_view.Window()) {
        if (m_viewAlone) w->setGeometry(0, 0, W, H);
        w->update();
    }
}

void WorldPanel::OrderFocus() {
    // Buttons sharing a place (one of each pair hidden) stand together; Tab skips the hidden one.
    QList<QWidget*> order;
    for (int id : {201, 205, 206, 207, 210, 208, 211, 209, 212, 215, 216, 223, 224}) order << Button(id);
    order << m_statusLine << m_view.Window();
    for (int id : {220, 217, 218, 225}) order << Button(id);
    order << m_chat.Window();
    order.removeAll(nullptr);
    for (int i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

void WorldPanel::paintEvent(QPaintEvent*) {
    if (!m_logoShown) return;
    QPainter p(this);
    QPixmap logo = QPixmap::fromImage(ToolbarImages::Logo());
    logo.setMask(logo.createMaskFromColor(Qt::black));
    p.drawPixmap(m_logoRect.topLeft(), logo);
    // A sunken frame round the logo: highlight top-left, shadow bottom-right.
    const QRect r = m_logoRect;
    p.setPen(palette().color(QPalette::Light));
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(palette().color(QPalette::Dark));
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
}

// ---------------------------------------------------------------------------------------------
// Buttons and commands

ui::BitmapButton* WorldPanel::Button(int id) const {
    auto it = m_buttons.find(id);
    return it == m_buttons.end() ? nullptr : it->second;
}

WorldPanel::ButtonImages WorldPanel::ImagesOf(int id) const {
    auto it = m_buttonImages.find(id);
    return it == m_buttonImages.end() ? ButtonImages{} : it->second;
}

void WorldPanel::SetButtonImages(int id, int up, int down, int disabled) {
    ui::BitmapButton* button = Button(id);
    if (!button) return;
    m_buttonImages[id] = ButtonImages{up, down, disabled};
    button->LoadBitmaps(ToolbarImages::Image(up), down ? ToolbarImages::Image(down) : QImage(), QImage(),
                        disabled ? ToolbarImages::Image(disabled) : QImage());
}

void WorldPanel::EnableButtons(std::initializer_list<int> ids, bool enable) {
    for (int id : ids)
        if (ui::BitmapButton* button = Button(id)) button->setEnabled(enable);
}

void WorldPanel::ShowMessage(int stringId, const std::string& secondLine) {
    const auto& strings = res::PlexaStrings();
    std::string text = strings.Get(stringId);
    if (!secondLine.empty()) text += "\n" + secondLine;
    ui::ShowMessageBox(this, text, strings.Get(res::IDS_CAPTION), ui::MB_OK | ui::MB_ICONEXCLAMATION);
}

void WorldPanel::OnCommand(int id) {
    switch (id) {
    case 201: RegionChange(); break;
    case 205: ToggleNavigationSet(); break;
    case 206: CycleWalkthroughSpeed(); break;
    case 207: ChangeWalkthroughMode(0); break;
    case 208: ChangeWalkthroughMode(1); break;
    case 210: ChangeWalkthroughMode(2); break;
    case 211: ChangeWalkthroughMode(3); break;
    case 212: ChangeWalkthroughMode(4); break;
    case 209: GotoMode(); break;
    case 215:
        if (!m_view.Revert()) ShowMessage(res::IDS_REVERT_FAILED);
        break;
    case 216: m_view.StraightUp(); break;
    case 217: ToggleSubWindow(m_avatarList, true); break;
    case 218: ToggleSubWindow(m_espPartner, true); break;
    case 220: ToggleSubWindow(m_actionPalette, false); break;
    case 223:
        ShowOptionSheet(0);
        break;
    case 224: OpenHelp(); break;
    case 225: SaveChatText(); break;
    default: break;  // the hidden buttons have no command
    }
}

void WorldPanel::ToggleNavigationSet() {
    const bool toSecond = m_navigationSet == 1;
    m_navigationSet = toSecond ? 2 : 1;
    if (toSecond) SetButtonImages(205, 306, 305);
    else SetButtonImages(205, 304, 303);
    for (int id : {207, 208, 209, 215}) ShowChild(m_buttons[id], !toSecond);
    for (int id : {210, 211, 212, 216}) ShowChild(m_buttons[id], toSecond);
    SetSpeedImage();
}

void WorldPanel::SetSpeedImage() {
    const auto& images = kSpeedImages[m_navigationSet == 2 ? 1 : 0][m_walkthroughSpeed];
    SetButtonImages(206, images[0], images[1]);
}

void WorldPanel::CycleWalkthroughSpeed() {
    const int next = (m_walkthroughSpeed + 1) % 5;
    if (!m_view.ChangeWalkthroughSpeed(next)) {
        ShowMessage(res::IDS_WALK_SPEED_FAILED);
        return;
    }
    m_walkthroughSpeed = next;
    SetSpeedImage();
}

void WorldPanel::ChangeWalkthroughMode(int mode) {
    if (!m_view.ChangeWalkthroughMode(mode)) {
        ShowMessage(res::IDS_WALK_MODE_FAILED);
        return;
    }
    m_walkthroughMode = mode;
    UpdateModeImages();
}

void WorldPanel::UpdateModeImages() {
    for (const ModeButton& b : kModeButtons) {
        if (b.mode == m_walkthroughMode) SetButtonImages(b.id, b.down, b.down);
        else SetButtonImages(b.id, b.up, b.down);
    }
    SetButtonImages(209, 217, 281);
}

void WorldPanel::GotoMode() {
    // Goto is a one-shot: the selected walkthrough mode stays as it was.
    if (!m_view.ChangeWalkthroughMode(m_walkthroughMode) || !m_view.ChangeWalkthroughMode(CTeskControlVrml::kGoto))
        ShowMessage(res::IDS_WALK_MODE_FAILED);
}

void WorldPanel::OpenHelp() {
    const std::string path = m_settings.GetHelpPath();
    if (path.empty() || !m_openUrl) return;
    m_openUrl(QUrl::fromUserInput(platform::ToQString(path)));
}

void WorldPanel::SaveChatText() {
    m_chat.SaveChat(m_settings.GetChatSaveFilePrefix() + platform::SaveStamp() + ".txt");
}

void WorldPanel::ToggleSubWindow(QWidget* window, bool rosterWindow) {
    if (!window) return;
    if (window->isVisible()) {
        window->hide();
        return;
    }
    if (auto* list = qobject_cast<RosterListDialog*>(window)) list->Fill(m_roster);
    if (rosterWindow && m_hooks.refreshRosterWindows) m_hooks.refreshRosterWindows();
    window->show();
    if (rosterWindow && m_hooks.refreshRosterWindows) m_hooks.refreshRosterWindows();
}

void WorldPanel::RefreshRosterWindows() {
    for (QWidget* window : {m_avatarList.data(), m_espPartner.data()})
        if (auto* list = qobject_cast<RosterListDialog*>(window); list && list->isVisible()) list->Fill(m_roster);
    if (m_hooks.refreshRosterWindows) m_hooks.refreshRosterWindows();
}

void WorldPanel::RequestEsp(const RosterEntry& partner) {
    // The window opens when the server answers with the request event.
    if (!m_communication.OpenEspConnection(partner.userId, partner.clientId, partner.avatarName))
        ShowMessage(res::IDS_ESP_CONNECTION_OPEN_FAILED);
}

void WorldPanel::PostStartRegionChange() {
    ui::PostMessage(this, [this] { RegionChange(); });
}

void WorldPanel::SendOpenAvatarSettings() {
    ShowOptionSheet(3);
}

void WorldPanel::OnTimer(unsigned) { m_session->OnEntryTimer(); }

void WorldPanel::OnControlEvent(int controlId, int32_t event, const std::vector<Variant>& args) {
    auto it = m_eventMap.find({controlId, event});
    if (it != m_eventMap.end()) (this->*(it->second))(args);
}

// ---------------------------------------------------------------------------------------------
// What the session asks of its window

bool WorldPanel::RunRegionDialog(RegionChoice* choice) {
    RegionSelectDialog dialog(m_regions, m_settings, this);
    if (ui::CurrentModalSeam().RunModal(&dialog) != QDialog::Accepted) return false;
    choice->nickname = dialog.AvatarName();
    choice->regionName = dialog.SelectedName();
    choice->regionAddress = dialog.SelectedUrl();
    return true;
}

void WorldPanel::ClearCard() {
    if (!m_card) return;
    m_card->SetPicture("");
    m_card->SetAvatarName("");
    m_card->SetUserId("");
    m_card->SetRegionName("");
    m_card->repaint();
}

void WorldPanel::ShowOwnCard(const std::string& image, const std::string& nickname, const std::string& userId,
                             const std::string& regionName) {
    if (!m_card) return;
    m_card->SetPicture(image);
    m_card->SetAvatarName(nickname);
    m_card->SetUserId(userId);
    m_card->SetRegionName(regionName);
    m_card->update();
}

void WorldPanel::SetCardRegionName(const std::string& regionName) {
    if (!m_card) return;
    m_card->SetRegionName(regionName);
    m_card->update();
}

void WorldPanel::EnsureDefinitions() {
    if (m_definitions) return;
    AvatarDefinitionList list = ParseDefinitionFile(DefinitionFilePath(m_installDirectory));
    // A file that gives nothing is tried again at the next need.
    if (!list.empty()) m_definitions = std::move(list);
}

void WorldPanel::HandPaletteAvatar(const std::string& directory, const std::string& directoryName) {
    if (m_hooks.setPaletteAvatar)
        m_hooks.setPaletteAvatar(m_definitions ? *m_definitions : AvatarDefinitionList{}, directory, directoryName);
    else if (m_palette) {
        m_palette->SetDefinitionList(Definitions());
        m_palette->SetAvatar(directory, directoryName);
    }
}

void WorldPanel::CloseSubWindows() {
    for (QWidget* w : {m_actionPalette.data(), m_avatarList.data(), m_espPartner.data()})
        if (w && w->isVisible()) w->hide();
    if (m_card) ShowChild(m_card, true);
}

void WorldPanel::ShowStatus(const SessionStatus& status) {
    if (!m_statusLine) return;
    m_statusLine->Show(status);
}

void WorldPanel::keyPressEvent(QKeyEvent* event) {
    // Esc gives up a waiting reconnection; otherwise it is not the panel's.
    if (event->key() == Qt::Key_Escape && m_session->Reconnecting()) {
        m_session->CancelReconnection();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

// ---------------------------------------------------------------------------------------------
// The view alone while the window is full screen

void WorldPanel::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ParentChange) WatchWindow();
    else if (event->type() == QEvent::WindowStateChange && isWindow()) SetViewAlone(isFullScreen());
}

bool WorldPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_watchedWindow && event->type() == QEvent::WindowStateChange)
        SetViewAlone(m_watchedWindow->isFullScreen());
    return QWidget::eventFilter(watched, event);
}

void WorldPanel::WatchWindow() {
    if (m_watchedWindow) m_watchedWindow->removeEventFilter(this);
    m_watchedWindow = nullptr;
    // A panel that is a window itself hears its state changes directly.
    if (!isWindow()) {
        m_watchedWindow = window();
        m_watchedWindow->installEventFilter(this);
    }
    SetViewAlone(window()->isFullScreen());
}

void WorldPanel::ShowChild(QWidget* child, bool shown) {
    if (!child) return;
    if (!m_viewAlone || child == m_view.Window()) {
        child->setVisible(shown);
        return;
    }
    // Parked children stay hidden; what changes is whether they come back.
    auto it = std::find(m_parked.begin(), m_parked.end(), child);
    if (shown && it == m_parked.end()) {
        child->setProperty(kParkedProperty, true);
        child->hide();
        m_parked.emplace_back(child);
    } else if (!shown && it != m_parked.end()) {
        m_parked.erase(it);
        child->setProperty(kParkedProperty, false);
        child->hide();
    }
}

void WorldPanel::SetViewAlone(bool alone) {
    QWidget* view = m_view.Window();
    if (alone == m_viewAlone || (alone && !view)) return;
    m_viewAlone = alone;
    if (alone) {
        m_focusBeforeView = focusWidget();
        for (QObject* object : children()) {
            auto* child = qobject_cast<QWidget*>(object);
            if (!child || child == view || child->isWindow() || child->isHidden()) continue;
            // Marked before hiding: the button's command sees the mark and stays usable.
            child->setProperty(kParkedProperty, true);
            child->hide();
            m_parked.emplace_back(child);
        }
        view->raise();
    } else {
        for (const QPointer<QWidget>& child : m_parked) {
            if (!child) continue;
            child->setProperty(kParkedProperty, false);
            child->show();
        }
        m_parked.clear();
    }
    Layout(width(), height());
    update();
    if (alone) view->setFocus(Qt::OtherFocusReason);
    else if (m_focusBeforeView && m_focusBeforeView->isVisible()) m_focusBeforeView->setFocus(Qt::OtherFocusReason);
}

void WorldPanel::Shutdown() {
    m_session->Shutdown();
    RemoveRegionTempFile(m_installDirectory);
}

// ---------------------------------------------------------------------------------------------
// Avatars

std::string WorldPanel::ModelFileForAvatarNumber(const std::string& number) const {
    if (!m_definitions) return {};
    const AvatarDefinition* definition = FindDefinitionByNumber(*m_definitions, number);
    return definition ? AvatarModelPath(m_installDirectory, *definition) : std::string();
}

void WorldPanel::OnAvatarEntered(const std::vector<Variant>& args) {
    int16_t clientId = 0, presence = 0;
    std::string userId, name, number;
    AvatarPose pose;
    if (!ArgI2(args, 0, &clientId) || !ArgText(args, 1, &userId) || !ArgText(args, 2, &name) ||
        !ArgText(args, 3, &number) || !ArgI2(args, 4, &presence) || !AvatarPose::Read(args, 5, &pose))
        return;
    m_roster.Append(clientId, userId, name, number, presence, false);
    // An avatar this client does not know still gets a figure: the view's stand-in.
    m_view.SetAvatarModelFile(ModelFileForAvatarNumber(number));
    if (m_view.CreateAvatar(clientId, userId, name, number, presence, pose)) {
        RefreshRosterWindows();
        return;
    }
    ShowMessage(res::IDS_AVATAR_CREATE_FAILED);
    m_communication.LeaveRegion();
    m_session->EndSessionAfterFailure();
}

void WorldPanel::OnAvatarLeft(const std::vector<Variant>& args) {
    int16_t clientId = 0;
    if (!ArgI2(args, 0, &clientId)) return;
    m_roster.Remove(clientId);
    if (!m_view.DeleteAvatar(clientId)) {
        ShowMessage(res::IDS_AVATAR_DELETE_FAILED);
        return;
    }
    RefreshRosterWindows();
}

void WorldPanel::OnAvatarMoved(const std::vector<Variant>& args) {
    int16_t clientId = 0;
    AvatarPose pose;
    if (!ArgI2(args, 0, &clientId) || !AvatarPose::Read(args, 1, &pose)) return;
    if (!m_view.MoveAvatar(clientId, pose)) ShowMessage(res::IDS_AVATAR_MOVE_FAILED);
}

void WorldPanel::OnAvatarActed(const std::vector<Variant>& args) {
    int16_t clientId = 0;
    std::string action;
    if (!ArgI2(args, 0, &clientId) || !ArgText(args, 1, &action)) return;
    if (!m_view.ControlAvatar(clientId, action)) ShowMessage(res::IDS_AVATAR_CREATE_FAILED);
}

void WorldPanel::OnSceneDownload(const std::vector<Variant>& args) {
    Variant received, total;
    if (args.size() < 3 || !com::ControlBase::ConvertTo(args[1], VarType::I4, &received) ||
        !com::ControlBase::ConvertTo(args[2], VarType::I4, &total)) {
        return;
    }
    m_session->OnSceneDownload(received.AsI4(), total.AsI4());
}

void WorldPanel::OnViewpointMoved(const std::vector<Variant>& args) {
    AvatarPose pose;
    if (!AvatarPose::Read(args, 1, &pose)) return;
    m_communication.SendAvatarPose(pose);
}

// ---------------------------------------------------------------------------------------------
// Chat and ESP lines between the chat control and the server

void WorldPanel::OnChatStringReceived(const std::vector<Variant>& args) {
    int16_t clientId = 0;
    std::string text;
    if (!ArgI2(args, 0, &clientId) || !ArgText(args, 1, &text)) return;
    if (const RosterEntry* entry = m_roster.Find(clientId)) m_chat.WriteChatString(entry->avatarName, entry->userId, text);
    m_notifier->ChatLine(m_roster.Find(clientId), text, m_session->Nickname());
}

void WorldPanel::OnAdminMessage(const std::vector<Variant>& args) {
    std::string text;
    if (!ArgText(args, 0, &text)) return;
    m_chat.WriteChatString(res::PlexaStrings().Get(res::IDS_ADMIN_NAME), "", text);
}

void WorldPanel::OnEspStringReceived(const std::vector<Variant>& args) {
    int16_t clientId = 0;
    std::string text;
    if (!ArgI2(args, 0, &clientId) || !ArgText(args, 1, &text)) return;
    if (const RosterEntry* entry = m_roster.Find(clientId))
        m_chat.WriteEspString(clientId, entry->avatarName, text, entry->userId);
    else
        m_chat.WriteEspString(clientId, res::PlexaStrings().Get(res::IDS_OTHER_REGION_AVATAR), text, "");
    m_notifier->EspMessage(m_roster.Find(clientId), text);
}

void WorldPanel::OnEspRequested(const std::vector<Variant>& args) {
    int16_t clientId = 0;
    std::string userId;
    if (!ArgI2(args, 0, &clientId) || !ArgText(args, 1, &userId)) return;
    std::string name = res::PlexaStrings().Get(res::IDS_OTHER_REGION_AVATAR);
    if (const RosterEntry* entry = m_roster.Find(clientId)) {
        name = entry->avatarName;
        userId = entry->userId;
    }
    m_communication.SetEspAccept(true);
    const int16_t result = m_chat.OpenEspWindow(clientId, name, userId);
    if (result == 1) {
        m_communication.SetEspAccept(false);
        ShowMessage(res::IDS_ESP_WINDOW_OPEN_FAILED);
    } else if (result == 2) {
        m_communication.SetEspAccept(false);
    }
    if (result == 0) m_notifier->EspRequest(m_roster.Find(clientId));
}

void WorldPanel::OnEspClosed(const std::vector<Variant>& args) {
    int16_t clientId = 0;
    if (!ArgI2(args, 0, &clientId)) return;
    if (!m_chat.CloseEspWindow(clientId)) ShowMessage(res::IDS_ESP_WINDOW_CLOSE_FAILED);
}

void WorldPanel::OnReadChatString(const std::vector<Variant>& args) {
    std::string text;
    if (ArgText(args, 0, &text)) m_communication.SendChatString(text);
}

void WorldPanel::OnReadEspString(const std::vector<Variant>& args) {
    int16_t clientId = 0;
    std::string text;
    if (ArgI2(args, 0, &clientId) && ArgText(args, 1, &text)) m_communication.SendEspString(clientId, text);
}

void WorldPanel::OnClosedEspConnection(const std::vector<Variant>& args) {
    int16_t clientId = 0;
    std::string userId;
    if (ArgI2(args, 0, &clientId) && ArgText(args, 1, &userId)) m_communication.CloseEspConnection(userId, clientId);
}

void WorldPanel::OnNotifyEspConnection(const std::vector<Variant>& args) {
    bool status = false;
    if (!ArgFlag(args, 0, &status)) return;
    if (m_espPartnerDialog) m_espPartnerDialog->SetConnectEnabled(status);
    if (m_hooks.notifyEspConnection) m_hooks.notifyEspConnection(status);
}

// ---------------------------------------------------------------------------------------------
// Options

class WorldPanel::SheetHost : public OptionSheetHost {
public:
    explicit SheetHost(WorldPanel& panel) : m_panel(panel) {}
    OptionValues& OptionCopies() override { return m_panel.m_options; }
    const AvatarDefinitionList* AvatarDefinitions() override {
        m_panel.EnsureDefinitions();
        return m_panel.Definitions();
    }
    void SetViewFlag(int32_t dispid, int32_t flag) override { m_panel.m_view.SetFlagProperty(dispid, flag); }
    void SetViewNumber(int32_t dispid, int32_t value) override { m_panel.m_view.SetNumberProperty(dispid, value); }
    void SetChatAutoSave(int32_t flag) override { m_panel.m_chat.SetChatAutoSave(flag); }
    void SetEspAutoSave(int32_t flag) override { m_panel.m_chat.SetEspAutoSave(flag); }
    void SetConfirmSave(int32_t flag) override { m_panel.m_chat.SetConfirmSave(flag); }
    void SetChatFont(const std::string& face, int16_t points) override { m_panel.m_chat.SetChatFont(face, points); }
    void Relayout() override { m_panel.Layout(m_panel.width(), m_panel.height()); }

private:
    WorldPanel& m_panel;
};

void WorldPanel::ShowOptionSheet(int startPage) {
    if (m_hooks.showOptionSheet) {
        m_hooks.showOptionSheet(startPage);
        return;
    }
    SheetHost host(*this);
    plexa::ShowOptionSheet(host, m_settings, startPage);
}

}  // namespace plexa
