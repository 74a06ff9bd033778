#include "teskchat/chat_pane.h"

#include "teskchat/chat_bitmaps.h"
#include "teskchat/chat_column_list.h"
#include "teskchat/chat_input_edit.h"
#include "teskchat/chat_log_search.h"
#include "teskchat/chat_log_view.h"
#include "teskchat/chat_search_bar.h"
#include "teskchat/teskchat_strings.h"

#include "platform/text/cp932.h"
#include "platform/text/save_stamp.h"
#include "platform/text/user_address.h"
#include "platform/ui/bitmap_button.h"
#include "platform/ui/dialog_units.h"
#include "platform/ui/message_box.h"
#include "platform/ui/modal_seam.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QResizeEvent>
#include <QScrollBar>

#include <algorithm>

namespace teskchat {

using platform::ui::BitmapButton;

ChatPane::ChatPane(QWidget* parent) : QWidget(parent) {
    setFont(platform::ui::DialogFont());
    label_ = new QLabel(QString::fromUtf8("送信文字列入力(&S)"), this);
    edit_ = new ChatInputEdit(this);
    edit_->SetLimitBytes(kInputLimitBytes);
    edit_->setObjectName(QStringLiteral("chatInput"));
    label_->setBuddy(edit_);
    sendButton_ = new BitmapButton(this);
    sendButton_->setObjectName(QStringLiteral("sendButton"));
    sendButton_->setFocusPolicy(Qt::TabFocus);
    // A picture button says nothing to a screen reader or to a mouse user who wonders.
    sendButton_->setAccessibleName(QString::fromUtf8("送信"));
    sendButton_->setToolTip(QString::fromUtf8("送信 (Enter)"));
    connect(edit_, &ChatInputEdit::SendRequested, this, &ChatPane::Send);
    connect(sendButton_, &QAbstractButton::clicked, this, &ChatPane::Send);
}

ChatPane::~ChatPane() = default;

QString ChatPane::ChatDirPath() const { return platform::ToQString(chatDir_); }

QFont ChatPane::ChatFont() const {
    QFont font = platform::ui::DialogFont();
    if (!fontFace_.empty()) font.setFamily(platform::ToQString(fontFace_));
    if (fontSize_ > 0) font.setPointSize(fontSize_);
    return font;
}

void ChatPane::Initialise(bool reloadLog) {
    if (view_) return;
    reloadLog_ = reloadLog;
    const QRect client = rect();
    view_ = new ChatLogView(this);
    view_->setObjectName(QStringLiteral("ChatList"));
    view_->setGeometry(client.left() + 6, client.top() + 6, client.width() - 12, client.height() - 64);
    const auto& strings = TeskChatStrings();
    view_->SetColumns(strings.GetQ(IDS_AVATAR_NAME), strings.GetQ(IDS_USER_ID), strings.GetQ(IDS_MESSAGE));
    for (int k = 0; k < 2; ++k) view_->Column(k)->SetCopyCaption(strings.GetQ(IDS_COPY));
    view_->SetChatFont(ChatFont());
    view_->show();
    LoadSendImages();
    searchBar_ = new ChatSearchBar(this);
    search_ = new ChatLogSearch(searchBar_, view_);
    connect(searchBar_, &ChatSearchBar::VisibilityChanged, this, [this] {
        LayoutChildren();
        // The focus goes back to where the user types.
        if (searchBar_->isHidden()) edit_->setFocus(Qt::OtherFocusReason);
    });
    setTabOrder(searchBar_->Line(), view_->Column(0));
    setTabOrder(view_->Column(0), view_->Column(1));
    setTabOrder(view_->Column(1), edit_);
    setTabOrder(edit_, sendButton_);
    LayoutChildren();

    // An empty directory would put the log at the file system's root: no log then.
    chatLog_ = chatDir_.empty() ? LogFile() : LogFile(ChatDirPath() + QStringLiteral("/ChatDat.dat"));
    if (chatLog_.Exists()) {
        if (reloadLog_) ReloadChatLog(); else chatLog_.Remove();
    }
}

void ChatPane::ReloadChatLog() {
    auto lines = chatLog_.ReadLines();
    if (!lines) return;
    for (const LogLine& line : *lines) {
        view_->AddLine(platform::ShownText(line.field1), platform::ShownText(line.field2),
                       platform::ShownText(line.field3));
    }
    // Reloaded lines were saved or discarded in the earlier session; they are not new.
}

void ChatPane::LoadSendImages() {
    sendButton_->LoadBitmaps(ChatBitmap(IDB_SEND_UP), ChatBitmap(IDB_SEND_DOWN), QImage(),
                             ChatBitmap(IDB_SEND_DISABLED));
}

void ChatPane::LayoutChildren() {
    const QRect c = rect();
    const int l = c.left();
    const int t = c.top();
    const int r = c.left() + c.width();
    const int b = c.top() + c.height();
    sendButton_->setGeometry(r - 22, b - 22, 16, 16);
    edit_->setGeometry(l + 6, b - 26, (r - 22) - (l + 6) - 6, 20);
    label_->setGeometry(l + 6, b - 52, r - l - 12, 20);
    int top = t + 6;
    if (searchBar_ && !searchBar_->isHidden()) {
        const int h = searchBar_->PreferredHeight();
        searchBar_->setGeometry(l + 6, top, r - l - 12, h);
        top += h + 2;
    }
    if (view_) {
        view_->setGeometry(l + 6, top, r - l - 12, std::max(0, b - 58 - top));
        view_->ResizeColumns(view_->viewport()->width());
    }
}

void ChatPane::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayoutChildren();
}

bool ChatPane::WriteChatLine(const std::string& avatarName, const std::string& userId, const std::string& text) {
    if (view_) {
        view_->AddLine(platform::ShownText(avatarName), platform::ShownText(userId), platform::ShownText(text));
    }
    if (!chatLog_.AppendLine(avatarName, platform::UserAddressText(userId), text)) return false;
    unsaved_ = true;
    return true;
}

bool ChatPane::SetChatFont(const std::string& face, int pointSize) {
    fontFace_ = face;
    fontSize_ = pointSize;
    if (view_) view_->SetChatFont(ChatFont());
    return true;
}

std::string ChatPane::StampedName() const { return chatPrefix_ + platform::SaveStamp() + ".txt"; }

void ChatPane::CopyLogTo(const QString& target) {
    if (!chatLog_.Exists()) return;  // nothing was logged: nothing to save
    if (chatLog_.CopyTo(target)) return;
    const auto& strings = TeskChatStrings();
    platform::ui::ShowMessageBox(this, strings.Get(IDS_SAVE_FAILED) + "\n" + platform::FromQString(target),
                                 strings.Get(IDS_CONFIRM), platform::ui::MB_OK | platform::ui::MB_ICONEXCLAMATION);
}

void ChatPane::AutoSaveChat() {
    CopyLogTo(ChatDirPath() + QLatin1Char('/') + platform::ToQString(StampedName()));
    unsaved_ = false;
}

bool ChatPane::SaveChatWithDialog(const std::string& proposedName) {
    // The dialog starts in the chat directory when there is one; otherwise where the process is.
    const QDir chatDir(ChatDirPath());
    const bool inChatDir = !chatDir_.empty() && chatDir.exists();
    const std::string proposed =
        inChatDir && !QFileInfo(platform::ToQString(proposedName)).isAbsolute() ? chatDir_ + "/" + proposedName
                                                                                : proposedName;
    const auto& strings = TeskChatStrings();
    QPointer<ChatPane> self(this);
    const auto chosen = platform::ui::CurrentModalSeam().SaveAs(this, proposed, strings.Get(IDS_TEXT_FILTER), "");
    if (!self) return true;
    if (chosen) {
        const QString path = platform::ToQString(*chosen);
        const QDir base = inChatDir ? chatDir : QDir::current();
        CopyLogTo(QFileInfo(path).isAbsolute() ? path : base.filePath(path));
    }
    unsaved_ = false;
    return true;
}

bool ChatPane::EndChat() {
    QPointer<ChatPane> self(this);
    if (chatAutoSave_) {
        if (unsaved_) AutoSaveChat();
    } else if (unsaved_ && confirmSave_) {
        const auto& strings = TeskChatStrings();
        const int answer = platform::ui::ShowMessageBox(this, strings.Get(IDS_SAVE_CHAT), strings.Get(IDS_CONFIRM),
                                                        platform::ui::MB_YESNO | platform::ui::MB_ICONQUESTION);
        if (!self) return true;
        if (answer == platform::ui::IDYES) SaveChatWithDialog(StampedName());
        if (!self) return true;
    }
    unsaved_ = false;
    if (auto lines = chatLog_.ReadLines()) endedLines_ = std::move(*lines);
    else endedLines_.clear();
    if (view_) view_->Clear();
    chatLog_.Remove();
    return true;
}

bool ChatPane::RestoreEndedChat() {
    if (!view_) return false;
    for (const LogLine& line : endedLines_) {
        view_->AddLine(platform::ToQString(line.field1), platform::ToQString(line.field2),
                       platform::ToQString(line.field3));
        chatLog_.AppendLine(line.field1, line.field2, line.field3);
    }
    // Like reloaded lines, they were saved or discarded when the chat ended.
    endedLines_.clear();
    return true;
}

bool ChatPane::ChangeModeGhost() {
    edit_->setEnabled(false);
    sendButton_->setEnabled(false);
    // The input says why it is locked; what was typed stays for later.
    const QString why = TeskChatStrings().GetQ(IDS_INPUT_LOCKED);
    edit_->setPlaceholderText(why);
    edit_->setToolTip(why);
    LoadSendImages();
    update();
    return true;
}

bool ChatPane::ChangeModeAvatar() {
    edit_->setEnabled(true);
    sendButton_->setEnabled(true);
    edit_->setPlaceholderText({});
    edit_->setToolTip({});
    LoadSendImages();
    update();
    return true;
}

void ChatPane::Send() {
    if (!edit_->isEnabled()) return;
    const std::string text = edit_->Text();
    if (text.empty()) return;
    QPointer<ChatPane> self(this);
    if (sendHandler_) sendHandler_(text);
    if (!self) return;
    edit_->clear();
}

}  // namespace teskchat
