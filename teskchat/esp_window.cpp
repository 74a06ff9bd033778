#include "teskchat/esp_window.h"

#include "teskchat/chat_search_bar.h"
#include "teskchat/text_pane_search.h"

#include "teskchat/chat_bitmaps.h"
#include "teskchat/esp_input_edit.h"
#include "teskchat/esp_tab_ctrl.h"
#include "teskchat/teskchat_strings.h"

#include "platform/text/cp932.h"
#include "platform/text/save_stamp.h"
#include "platform/text/user_address.h"
#include "platform/ui/bitmap_button.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/message_box.h"
#include "platform/ui/modal_seam.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextEdit>

namespace teskchat {

using platform::ui::BitmapButton;

EspWindow::EspWindow(const EspSettings* settings, EspEvents events, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      settings_(settings),
      events_(std::move(events)) {
    setObjectName(QStringLiteral("EspWindow"));
    setWindowTitle(QString::fromUtf8("ESPウィンドウ"));
    setFont(platform::ui::DialogFont());
    setModal(false);
    resize(platform::ui::DialogUnits::Standard().MapSize(251, 251));

    tabs_ = new EspTabCtrl(this);
    tabs_->SetMarkQuery([this](int position) {
        const int n = SlotAt(position);
        return n >= 0 && slots_[n].marked;
    });
    connect(tabs_, &QTabBar::currentChanged, this, &EspWindow::OnTabChanged);
    for (int n = 0; n < kSlotCount; ++n) {
        auto* pane = new QTextEdit(this);
        pane->setObjectName(QStringLiteral("espPane%1").arg(n));
        pane->setReadOnly(true);
        pane->setAcceptRichText(false);
        pane->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        pane->setFrameShape(QFrame::StyledPanel);
        pane->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        panes_[n] = pane;
    }
    saveButton_ = new BitmapButton(this);
    saveButton_->setObjectName(QStringLiteral("espSave"));
    saveButton_->setToolTip(QString::fromUtf8("保存"));
    saveButton_->setAccessibleName(QString::fromUtf8("保存"));
    endButton_ = new BitmapButton(this);
    endButton_->setObjectName(QStringLiteral("espEnd"));
    endButton_->setToolTip(QString::fromUtf8("ESPを終了"));
    endButton_->setAccessibleName(QString::fromUtf8("ESPを終了"));
    label_ = new QLabel(QString::fromUtf8("送信文字列入力(&S)："), this);
    edit_ = new EspInputEdit(this);
    edit_->setObjectName(QStringLiteral("espInput"));
    label_->setBuddy(edit_);
    sendButton_ = new BitmapButton(this);
    sendButton_->setObjectName(QStringLiteral("espSend"));
    sendButton_->setToolTip(QString::fromUtf8("送信"));
    sendButton_->setAccessibleName(QString::fromUtf8("送信"));
    connect(edit_, &ChatInputEdit::SendRequested, this, &EspWindow::Send);
    connect(sendButton_, &QAbstractButton::clicked, this, &EspWindow::Send);
    connect(saveButton_, &QAbstractButton::clicked, this, &EspWindow::SaveCurrent);
    connect(endButton_, &QAbstractButton::clicked, this, &EspWindow::EndCurrent);
    searchBar_ = new ChatSearchBar(this);
    search_ = new TextPaneSearch(searchBar_, [this]() -> QTextEdit* {
        for (QTextEdit* pane : panes_)
            if (!pane->isHidden()) return pane;
        return nullptr;
    });
    connect(searchBar_, &ChatSearchBar::VisibilityChanged, this, [this] {
        LayoutChildren();
        if (searchBar_->isHidden()) edit_->setFocus(Qt::OtherFocusReason);
    });
    setTabOrder(tabs_, searchBar_->Line());
    setTabOrder(searchBar_->Line(), edit_);
    setTabOrder(edit_, sendButton_);
    setTabOrder(sendButton_, saveButton_);
    setTabOrder(saveButton_, endButton_);
    ResetSlots();
}

EspWindow::~EspWindow() = default;

QString EspWindow::DirPath() const { return platform::ToQString(settings_->dir); }

QString EspWindow::LogPath(int n) const {
    // Without a directory the files would land at the file system's root: no logs then.
    if (settings_->dir.empty()) return {};
    return DirPath() + QStringLiteral("/EspDat%1.dat").arg(n);
}

std::string EspWindow::FileNameSafe(std::string_view userId) {
    std::string out;
    size_t i = 0;
    while (i < userId.size()) {
        const auto byte = static_cast<unsigned char>(userId[i]);
        const auto next = i + 1 < userId.size() ? static_cast<unsigned char>(userId[i + 1]) : 0;
        // Only a real trail byte makes a pair: a lead byte before '/' must not hide the '/'.
        const bool pair = platform::IsCp932LeadByte(byte) && ((next >= 0x40 && next <= 0x7E) || (next >= 0x80 && next <= 0xFC));
        const size_t step = pair ? 2 : 1;
        if (out.size() + step > kMaxIdBytesInFileName) break;
        if (pair) {
            // A whole double-byte character: its trail byte is never '/', and stays with its lead.
            out.append(userId.substr(i, 2));
        } else {
            // Separators, control characters and what other file systems reserve.
            static constexpr std::string_view kReserved = "/\\:*?\"<>|";
            // Above 0x7F only half-width katakana stand alone; a lead byte without its trail would
            // swallow the next character of the name.
            const bool bad = byte < 0x20 || byte == 0x7F || kReserved.find(static_cast<char>(byte)) != std::string_view::npos ||
                             (byte >= 0x80 && !(byte >= 0xA1 && byte <= 0xDF));
            out.push_back(bad ? '_' : static_cast<char>(byte));
        }
        i += step;
    }
    // "." and ".." name directories; a leading '-' reads as an option to tools.
    if (out.find_first_not_of('.') == std::string::npos && !out.empty()) out.assign(out.size(), '_');
    if (!out.empty() && out.front() == '-') out.front() = '_';
    return out;
}

std::string EspWindow::SaveName(int n) const {
    return settings_->prefix + FileNameSafe(slots_[n].userId) + platform::SaveStamp() + ".txt";
}

// ---------------------------------------------------------------------------------------------
// Life of the window

void EspWindow::ResetSlots() {
    for (int n = 0; n < kSlotCount; ++n) {
        EspSlot& slot = slots_[n];
        slot.clientId = -1;
        slot.userId.clear();
        slot.closing = false;
        slot.unsaved = false;
        slot.marked = false;
        slot.log = LogFile(LogPath(n));
        positions_[n] = n;
    }
}

void EspWindow::Initialise() {
    ++generation_;
    switchingTabs_ = true;
    tabs_->RemoveAllTabs();
    switchingTabs_ = false;
    ResetSlots();
    textHeight_ = QFontMetrics(font()).height();
    for (int n = 0; n < kSlotCount; ++n) {
        ClearPane(n);
        panes_[n]->setVisible(n == 0);
    }
    edit_->clear();
    edit_->setEnabled(true);
    LayoutChildren();
    saveButton_->LoadBitmaps(ChatBitmap(IDB_ESP_SAVE_UP), ChatBitmap(IDB_ESP_SAVE_DOWN));
    sendButton_->LoadBitmaps(ChatBitmap(IDB_SEND_UP), ChatBitmap(IDB_SEND_DOWN));
    SetEndImages(false);
    // Conversations of an earlier window are over: their logs go.
    for (const EspSlot& slot : slots_) slot.log.Remove();
    open_ = true;
    show();
}

void EspWindow::Destroy() {
    open_ = false;
    ++generation_;
    switchingTabs_ = true;
    tabs_->RemoveAllTabs();
    switchingTabs_ = false;
    // The logs stay on disk until the window is next made.
    for (int n = 0; n < kSlotCount; ++n) {
        const LogFile log = slots_[n].log;
        ClearPane(n);
        slots_[n] = EspSlot{};
        slots_[n].log = log;
        positions_[n] = n;
    }
    hide();
}

void EspWindow::closeEvent(QCloseEvent* event) {
    // The close box ends every conversation.
    if (open_) CloseAll();
    event->accept();
}

void EspWindow::reject() {
    // Escape must not end every conversation at once; only the close box does.
}

// ---------------------------------------------------------------------------------------------
// Layout and drawing

void EspWindow::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    LayoutChildren();
}

void EspWindow::LayoutChildren() {
    const QRect c = rect();
    const int l = c.left(), t = c.top(), r = c.left() + c.width(), b = c.top() + c.height();
    const int rows = 1;  // the tab row scrolls rather than wrapping
    const int h = textHeight_ > 0 ? textHeight_ : QFontMetrics(font()).height();
    tabs_->setGeometry(l + 10, t + 10, std::max(0, r - l - 20), rows * h + 8);
    saveButton_->setGeometry(l + 20, b - 66, 16, 16);
    endButton_->setGeometry(r - 36, b - 66, 16, 16);
    int paneTop = t + 20 + rows * h;
    if (searchBar_ && !searchBar_->isHidden()) {
        const int barHeight = searchBar_->PreferredHeight();
        searchBar_->setGeometry(l + 20, paneTop, std::max(0, r - l - 40), barHeight);
        paneTop += barHeight + 2;
    }
    for (QTextEdit* pane : panes_)
        pane->setGeometry(l + 20, paneTop, std::max(0, r - l - 40), std::max(0, b - 76 - paneTop));
    label_->setGeometry(l + 10, b - 30, 110, 20);
    sendButton_->setGeometry(r - 26, b - 26, 16, 16);
    edit_->setGeometry(l + 130, b - 30, std::max(0, r - l - 161), 20);
    update();
}

void EspWindow::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    // The page under the tab row, framed like a tab control's client area.
    const QRect c = rect();
    const QRect page(QPoint(c.left() + 10, tabs_->geometry().bottom()), QPoint(c.right() - 10, c.bottom() - 40));
    QPainter p(this);
    p.setPen(palette().color(QPalette::Light));
    p.drawLine(page.topLeft(), page.bottomLeft());
    p.setPen(palette().color(QPalette::Dark));
    p.drawLine(page.topRight(), page.bottomRight());
    p.drawLine(page.bottomLeft(), page.bottomRight());
}

// ---------------------------------------------------------------------------------------------
// Slots and tabs

int EspWindow::TabCount() const { return tabs_->count(); }
int EspWindow::CurrentTab() const { return tabs_->currentIndex(); }
void EspWindow::SelectTab(int position) { tabs_->setCurrentIndex(position); }

int EspWindow::SlotAt(int position) const {
    if (position < 0) return -1;
    for (int n = 0; n < kSlotCount; ++n)
        if (positions_[n] == position) return n;
    return -1;
}

int EspWindow::FindSlot(int16_t clientId) const {
    if (clientId == -1) return -1;
    for (int n = 0; n < kSlotCount; ++n)
        if (slots_[n].clientId == clientId) return n;
    return -1;
}

void EspWindow::SetEndImages(bool closing) {
    endImages_ = closing ? std::pair{IDB_ESP_CLOSING_UP, IDB_ESP_CLOSING_DOWN} : std::pair{IDB_ESP_END_UP, IDB_ESP_END_DOWN};
    endButton_->LoadBitmaps(ChatBitmap(endImages_.first), ChatBitmap(endImages_.second));
}

void EspWindow::ShowFocusedSlot() {
    const int focused = tabs_->currentIndex();
    int shown = -1;
    for (int n = 0; n < kSlotCount; ++n) {
        const bool show = positions_[n] == focused || (focused < 0 && n == 0);
        panes_[n]->setVisible(show);
        if (show) shown = n;
    }
    if (shown >= 0 && focused >= 0) {
        const bool closing = slots_[shown].closing;
        SetEndImages(closing);
        edit_->setEnabled(!closing);
        // What is on screen has been seen.
        slots_[shown].marked = false;
    }
    if (search_) search_->Refresh();
    tabs_->update();
    update();
}

void EspWindow::OnTabChanged(int) {
    if (switchingTabs_) return;
    ShowFocusedSlot();
}

void EspWindow::ClearPane(int n) {
    QTextEdit* pane = panes_[n];
    pane->clear();
    pane->setCurrentCharFormat(QTextCharFormat());
}

void EspWindow::AppendToPane(int n, const std::string& text, bool bold) {
    QTextEdit* pane = panes_[n];
    QString shown = platform::ShownText(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QTextCursor cursor(pane->document());
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat format;
    format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    // Plain text only: what a partner sends is never read as markup.
    cursor.insertText(shown, format);
    cursor.insertText(QStringLiteral("\n"), QTextCharFormat());
    pane->verticalScrollBar()->setValue(pane->verticalScrollBar()->maximum());
}

int16_t EspWindow::OpenTab(int16_t clientId, const std::string& avatarName, const std::string& userId) {
    if (avatarName.empty()) return kNotOpened;
    if (!open_ || FindSlot(clientId) >= 0) return kOpened;
    const int k = tabs_->count();
    if (k >= kSlotCount) {
        if (events_.readEspString) events_.readEspString(clientId, TeskChatStrings().Get(IDS_ESP_REFUSED));
        if (events_.closedEspConnection) events_.closedEspConnection(clientId, userId);
        return kRefused;
    }
    const int n = SlotAt(k);
    if (n < 0) return kNotOpened;  // cannot happen while the position table is a permutation
    slots_[n].clientId = clientId;
    slots_[n].userId = userId;
    slots_[n].marked = false;
    const bool first = k == 0;
    switchingTabs_ = true;
    tabs_->InsertTab(k, avatarName + "(" + platform::UserAddressText(userId) + ")", clientId);
    if (first) tabs_->setCurrentIndex(0);
    switchingTabs_ = false;
    LayoutChildren();
    ShowFocusedSlot();
    if (k == kSlotCount - 1 && events_.notifyEspConnection) events_.notifyEspConnection(false);
    return kOpened;
}

bool EspWindow::ShowPartnerText(int16_t clientId, const std::string& avatarName, const std::string& text,
                                const std::string& userId) {
    if (avatarName.empty()) return false;
    const int n = FindSlot(clientId);
    if (n < 0) return false;
    AppendToPane(n, text, true);
    if (positions_[n] != tabs_->currentIndex()) slots_[n].marked = true;
    tabs_->update();
    slots_[n].unsaved = true;
    return slots_[n].log.AppendLine(avatarName, platform::UserAddressText(userId), text);
}

void EspWindow::Send() {
    if (!open_) return;
    const std::string text = edit_->Text();
    if (text.empty()) return;
    const int n = SlotAt(tabs_->currentIndex());
    if (n < 0 || slots_[n].clientId == -1 || slots_[n].closing) return;
    AppendToPane(n, text, false);
    slots_[n].unsaved = true;
    // A line that cannot be logged is not sent: the input keeps it for another try.
    if (!slots_[n].log.AppendLine(settings_->avatarName, settings_->userId, text)) return;
    const int16_t clientId = slots_[n].clientId;
    QPointer<EspWindow> self(this);
    if (events_.readEspString) events_.readEspString(clientId, text);
    if (self) edit_->clear();
}

// ---------------------------------------------------------------------------------------------
// Closing

bool EspWindow::CloseSlot(int16_t clientId) {
    const int n = FindSlot(clientId);
    if (!open_ || n < 0 || slots_[n].closing) return true;
    const unsigned generation = generation_;
    QPointer<EspWindow> self(this);
    slots_[n].closing = true;
    slots_[n].clientId = -1;
    if (positions_[n] == tabs_->currentIndex()) {
        SetEndImages(true);
        edit_->setEnabled(false);
    }
    update();
    SaveOnClose(n);
    // The question box runs a modal loop: the window may have been closed or made afresh meanwhile.
    if (!self || generation != generation_) return true;
    const int d = positions_[n];
    for (int m = 0; m < kSlotCount; ++m)
        if (positions_[m] > d) --positions_[m];
    positions_[n] = kSlotCount - 1;
    slots_[n].userId.clear();
    slots_[n].closing = false;
    slots_[n].unsaved = false;
    slots_[n].marked = false;
    ClearPane(n);
    slots_[n].log.Remove();

    switchingTabs_ = true;
    tabs_->RemoveTab(d);
    LayoutChildren();
    if (d < tabs_->count()) tabs_->setCurrentIndex(d);
    else if (tabs_->count() > 0) tabs_->setCurrentIndex(std::max(0, d - 1));
    switchingTabs_ = false;
    ShowFocusedSlot();

    if (tabs_->count() == 0) {
        Destroy();
    } else if (tabs_->count() == kSlotCount - 1 && events_.notifyEspConnection) {
        events_.notifyEspConnection(true);
    }
    return true;
}

void EspWindow::EndCurrent() {
    const int n = SlotAt(tabs_->currentIndex());
    if (!open_ || n < 0 || slots_[n].clientId == -1 || slots_[n].closing) return;
    const int16_t clientId = slots_[n].clientId;
    const std::string userId = slots_[n].userId;
    QPointer<EspWindow> self(this);
    CloseSlot(clientId);
    // Without this the partner would go on writing into a conversation that is gone.
    if (events_.closedEspConnection) events_.closedEspConnection(clientId, userId);
}

void EspWindow::CloseAll() {
    if (!open_) return;
    const unsigned generation = generation_;
    QPointer<EspWindow> self(this);
    std::array<int, kSlotCount> order{};
    for (int n = 0; n < kSlotCount; ++n) order[positions_[n]] = n;
    for (int n : order) {
        EspSlot& slot = slots_[n];
        if (slot.clientId != -1 && !slot.closing && events_.closedEspConnection)
            events_.closedEspConnection(slot.clientId, slot.userId);
        if (!self || generation != generation_) return;
        if (slot.unsaved) SaveOnClose(n);
        if (!self || generation != generation_) return;
    }
    Destroy();
}

// ---------------------------------------------------------------------------------------------
// Saving

void EspWindow::SaveOnClose(int n) {
    if (!slots_[n].unsaved) return;
    if (settings_->autoSave) {
        AutoSave(n);
        return;
    }
    if (!settings_->confirmSave) return;
    const auto& strings = TeskChatStrings();
    const std::string label = tabs_->ReadLabel(positions_[n]);
    const unsigned generation = generation_;
    QPointer<EspWindow> self(this);
    const int answer = platform::ui::ShowMessageBox(this, label + strings.Get(IDS_SAVE_WINDOW), strings.Get(IDS_CONFIRM),
                                                    platform::ui::MB_YESNO | platform::ui::MB_ICONQUESTION);
    if (!self || generation != generation_) return;
    if (answer == platform::ui::IDYES) SaveWithDialog(n);
}

bool EspWindow::CopyLog(int n, const QString& target) {
    const LogFile& log = slots_[n].log;
    if (!log.Exists()) return true;  // nothing was logged: nothing to copy
    if (log.CopyTo(target)) return true;
    // Silently losing a conversation the user asked to keep is worse than a message.
    const auto& strings = TeskChatStrings();
    platform::ui::ShowMessageBox(this, strings.Get(IDS_SAVE_FAILED) + "\n" + platform::FromQString(target),
                                 strings.Get(IDS_CONFIRM), platform::ui::MB_OK | platform::ui::MB_ICONEXCLAMATION);
    return false;
}

void EspWindow::AutoSave(int n) {
    CopyLog(n, DirPath() + QLatin1Char('/') + platform::ToQString(SaveName(n)));
    slots_[n].unsaved = false;
}

void EspWindow::SaveWithDialog(int n) {
    const QDir dir(DirPath());
    const bool inDir = !settings_->dir.empty() && dir.exists();
    const std::string name = SaveName(n);
    const std::string proposed = inDir ? settings_->dir + "/" + name : name;
    const unsigned generation = generation_;
    QPointer<EspWindow> self(this);
    const auto chosen =
        platform::ui::CurrentModalSeam().SaveAs(this, proposed, TeskChatStrings().Get(IDS_TEXT_FILTER), "");
    if (!self || generation != generation_ || !chosen) return;
    const QString path = platform::ToQString(*chosen);
    const QDir base = inDir ? dir : QDir::current();
    if (CopyLog(n, QFileInfo(path).isAbsolute() ? path : base.filePath(path))) slots_[n].unsaved = false;
}

bool EspWindow::SaveCurrent() {
    const int n = SlotAt(tabs_->currentIndex());
    if (open_ && n >= 0 && slots_[n].clientId != -1) SaveWithDialog(n);
    return true;
}

}  // namespace teskchat
