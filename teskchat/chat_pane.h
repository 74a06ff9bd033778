#pragma once
// The pane that fills the chat control: the chat log view above a label, the input line and a
// small send button. It keeps the chat settings, owns the chat log file, turns Enter into the
// control's send event and runs the end-of-chat saving.
#include "teskchat/log_file.h"

#include <QFont>
#include <QWidget>

#include <functional>
#include <string>

class QLabel;

namespace platform::ui {
class BitmapButton;
}

namespace teskchat {

class ChatInputEdit;
class ChatLogSearch;
class ChatLogView;
class ChatSearchBar;

class ChatPane : public QWidget {
    Q_OBJECT
public:
    static constexpr int kInputLimitBytes = 256;
    static constexpr int kLabelId = 203;
    static constexpr int kInputEditId = 201;
    static constexpr int kSendButtonId = 202;
    static constexpr int kViewId = 224;

    using SendHandler = std::function<void(const std::string& text)>;

    explicit ChatPane(QWidget* parent = nullptr);
    ~ChatPane() override;

    void SetChatAutoSave(bool on) { chatAutoSave_ = on; }
    bool ChatAutoSave() const { return chatAutoSave_; }
    void SetConfirmSave(bool on) { confirmSave_ = on; }
    bool ConfirmSave() const { return confirmSave_; }
    void SetSaveChatDir(std::string dir) { chatDir_ = std::move(dir); }
    const std::string& SaveChatDir() const { return chatDir_; }
    void SetSaveChatPrefix(std::string prefix) { chatPrefix_ = std::move(prefix); }
    const std::string& SaveChatPrefix() const { return chatPrefix_; }
    void SetSendHandler(SendHandler handler) { sendHandler_ = std::move(handler); }

    // Builds the view and its font, fixes the chat log path and reloads (reloadLog) or deletes an
    // old chat log file. Runs once, when the control's Create makes the pane visible.
    void Initialise(bool reloadLog);
    bool IsInitialised() const { return view_ != nullptr; }

    // Shows the line, then logs it. False when the log file cannot be opened (the line stays shown).
    bool WriteChatLine(const std::string& avatarName, const std::string& userId, const std::string& text);
    // Face (CP932) and size in points; before Initialise they are only kept.
    bool SetChatFont(const std::string& face, int pointSize);
    // Offers the chat log for saving under proposedName. Always true.
    bool SaveChatWithDialog(const std::string& proposedName);
    // The chat part of ending a chat: auto-save or ask, then empty view and log.
    bool EndChat();
    // Puts back what the last EndChat removed, as a reload shows it, and logs it again. False
    // before the pane exists.
    bool RestoreEndedChat();
    bool ChangeModeGhost();
    bool ChangeModeAvatar();
    // Hands the input to the send handler unless it is empty, then empties the input.
    void Send();

    bool Unsaved() const { return unsaved_; }
    const LogFile& ChatLog() const { return chatLog_; }
    const std::string& FontFace() const { return fontFace_; }
    int FontSize() const { return fontSize_; }
    // The font the view gets: the stored face and size, the dialog font where they are unset.
    QFont ChatFont() const;

    ChatLogView* View() const { return view_; }
    ChatInputEdit* InputEdit() const { return edit_; }
    platform::ui::BitmapButton* SendButton() const { return sendButton_; }
    QLabel* Label() const { return label_; }
    // The find bar (Ctrl+F) and its search over the log; null before Initialise.
    ChatSearchBar* SearchBar() const { return searchBar_; }
    ChatLogSearch* Search() const { return search_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void LayoutChildren();
    void LoadSendImages();
    void ReloadChatLog();
    void AutoSaveChat();
    // The saved-text name: prefix, save stamp, ".txt" (CP932).
    std::string StampedName() const;
    QString ChatDirPath() const;
    // Copies the log to target; tells the user when an existing log could not be copied.
    void CopyLogTo(const QString& target);

    QLabel* label_ = nullptr;
    ChatInputEdit* edit_ = nullptr;
    platform::ui::BitmapButton* sendButton_ = nullptr;
    ChatLogView* view_ = nullptr;
    ChatSearchBar* searchBar_ = nullptr;
    ChatLogSearch* search_ = nullptr;
    SendHandler sendHandler_;

    bool chatAutoSave_ = false;
    bool confirmSave_ = false;
    bool reloadLog_ = false;
    std::string chatDir_;
    std::string chatPrefix_;
    bool unsaved_ = false;
    std::vector<LogLine> endedLines_;  // what the last EndChat removed
    int fontSize_ = 0;
    std::string fontFace_;
    LogFile chatLog_;
};

}  // namespace teskchat
