#pragma once
// The ESP window: up to ten private conversations, one tab each. The host opens a conversation,
// feeds the partner's lines and ends it; the user types into the window's own input line. Every
// conversation is logged to its slot's file and can be saved as text.
#include "teskchat/log_file.h"

#include <QDialog>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class QLabel;
class QTextEdit;

namespace platform::ui {
class BitmapButton;
}

namespace teskchat {

class ChatSearchBar;
class EspInputEdit;
class EspTabCtrl;
class TextPaneSearch;

// The ESP settings the host sets as properties; the control keeps them, the window reads them.
struct EspSettings {
    std::string dir;         // SaveEspDir: log files and saved text
    std::string prefix;      // SaveEspPrefix
    std::string avatarName;  // AvatarName: the own name in logged lines
    std::string userId;      // UserId: the own id in logged lines, unchanged
    bool autoSave = false;
    bool confirmSave = false;
};

// What the window tells the host, through the control's events.
struct EspEvents {
    std::function<void(int16_t clientId, const std::string& text)> readEspString;
    std::function<void(int16_t clientId, const std::string& userId)> closedEspConnection;
    std::function<void(bool status)> notifyEspConnection;
};

struct EspSlot {
    int16_t clientId = -1;  // -1: free
    std::string userId;
    bool closing = false;
    bool unsaved = false;
    bool marked = false;  // unread partner text: the tab's label is red
    LogFile log;
};

class EspWindow : public QDialog {
    Q_OBJECT
public:
    static constexpr int kSlotCount = 10;
    static constexpr int kTemplateId = 204;
    static constexpr int kFirstPaneId = 211;
    static constexpr int kSaveButtonId = 221;
    static constexpr int kEndButtonId = 222;
    static constexpr int kLabelId = 205;
    static constexpr int kInputEditId = 206;
    static constexpr int kSendButtonId = 207;
    // Open-tab results.
    static constexpr int16_t kOpened = 0;
    static constexpr int16_t kNotOpened = 1;
    static constexpr int16_t kRefused = 2;
    // The longest piece of a user id that goes into a saved file name.
    static constexpr size_t kMaxIdBytesInFileName = 64;

    // settings must outlive the window.
    EspWindow(const EspSettings* settings, EspEvents events, QWidget* owner = nullptr);
    ~EspWindow() override;

    // Makes the window fresh (no tabs, old log files deleted) and shows it.
    void Initialise();
    bool IsOpen() const { return open_; }

    int16_t OpenTab(int16_t clientId, const std::string& avatarName, const std::string& userId);
    bool ShowPartnerText(int16_t clientId, const std::string& avatarName, const std::string& text,
                         const std::string& userId);
    // The host ends a conversation. Always true; no event.
    bool CloseSlot(int16_t clientId);
    // The user ends the current conversation (end button): closed like CloseSlot, and the host
    // learns of it so that the partner is told.
    void EndCurrent();
    void CloseAll();
    void Send();
    // The save button: the focused conversation through the save dialog.
    bool SaveCurrent();

    int TabCount() const;
    int CurrentTab() const;
    void SelectTab(int position);
    // The slot whose tab stands at position, or -1.
    int SlotAt(int position) const;
    int TabPositionOf(int slot) const { return positions_[slot]; }
    const EspSlot& Slot(int n) const { return slots_[n]; }
    QTextEdit* Pane(int n) const { return panes_[n]; }
    EspTabCtrl* Tabs() const { return tabs_; }
    EspInputEdit* InputEdit() const { return edit_; }
    platform::ui::BitmapButton* SaveButton() const { return saveButton_; }
    platform::ui::BitmapButton* EndButton() const { return endButton_; }
    platform::ui::BitmapButton* SendButton() const { return sendButton_; }
    // The find bar (Ctrl+F) over the conversation on screen.
    ChatSearchBar* SearchBar() const { return searchBar_; }
    TextPaneSearch* Search() const { return search_; }
    // The bitmap ids the end button shows (normal, pressed).
    std::pair<int, int> EndButtonImages() const { return endImages_; }
    int TextHeight() const { return textHeight_; }

    // The log file of slot n: SaveEspDir/EspDat<n>.dat.
    QString LogPath(int n) const;
    // The name a slot is saved under: prefix, the partner's id made safe, save stamp, ".txt".
    std::string SaveName(int n) const;
    // A user id from another machine made harmless in a file name: no separators, control or
    // reserved characters, no dot-only names, at most kMaxIdBytesInFileName bytes.
    static std::string FileNameSafe(std::string_view userId);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void LayoutChildren();
    void ResetSlots();
    void Destroy();
    int FindSlot(int16_t clientId) const;
    void ShowFocusedSlot();
    void OnTabChanged(int position);
    void SetEndImages(bool closing);
    void AppendToPane(int n, const std::string& text, bool bold);
    void ClearPane(int n);
    // The save steps of a closing conversation: auto-save, or ask and offer the dialog.
    void SaveOnClose(int n);
    void AutoSave(int n);
    void SaveWithDialog(int n);
    bool CopyLog(int n, const QString& target);
    QString DirPath() const;

    const EspSettings* settings_;
    ChatSearchBar* searchBar_ = nullptr;
    TextPaneSearch* search_ = nullptr;
    EspEvents events_;
    bool open_ = false;
    // Counts every make-fresh and destroy, so an operation that ran a modal loop can tell whether
    // the window was reset under it.
    unsigned generation_ = 0;
    bool switchingTabs_ = false;
    int textHeight_ = 0;
    std::array<EspSlot, kSlotCount> slots_;
    std::array<int, kSlotCount> positions_{};
    std::array<QTextEdit*, kSlotCount> panes_{};
    EspTabCtrl* tabs_ = nullptr;
    QLabel* label_ = nullptr;
    EspInputEdit* edit_ = nullptr;
    platform::ui::BitmapButton* saveButton_ = nullptr;
    platform::ui::BitmapButton* endButton_ = nullptr;
    platform::ui::BitmapButton* sendButton_ = nullptr;
    std::pair<int, int> endImages_{0, 0};
};

}  // namespace teskchat
