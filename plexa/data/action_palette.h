#pragma once
// The modeless window of the own avatar's gestures: one picture button per BUTTON line of the
// avatar's section, each sending its action code ("a00" to "a15") to the server.
#include "plexa/data/avatar_definition.h"

#include <QDialog>
#include <QPixmap>

#include <array>
#include <functional>
#include <string>

namespace platform::ui {
class BitmapButton;
}

namespace plexa {

class ActionPalette : public QDialog {
    Q_OBJECT
public:
    // sendAction passes an action code on to the communication control.
    explicit ActionPalette(std::function<void(const std::string&)> sendAction, QWidget* parent = nullptr);
    ~ActionPalette() override;

    // The panel's definition list (not owned; it must outlive the palette or be replaced first).
    void SetDefinitionList(const AvatarDefinitionList* definitions) { m_definitions = definitions; }
    // Rebuilds the buttons for the avatar. False, and nothing changes, when avatarDirectory is empty.
    bool SetAvatar(const std::string& avatarDirectory, const std::string& directoryName);

    // "a" and the slot as two digits.
    static std::string ActionCode(int slot);

    int ButtonCount() const { return m_buttonCount; }
    const std::string& AvatarDirectory() const { return m_avatarDirectory; }
    const std::string& DirectoryName() const { return m_directoryName; }
    // id 147 to 162.
    platform::ui::BitmapButton* Button(int id) const;
    const QPixmap& Bitmap(int slot) const { return m_bitmaps[static_cast<size_t>(slot)]; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void Rebuild();
    void NameButton(int slot, const std::string& label);
    void ApplyOuterSize();
    void MoveFocus(int step);

    std::function<void(const std::string&)> m_sendAction;
    std::array<platform::ui::BitmapButton*, 16> m_buttons{};
    std::array<QPixmap, 16> m_bitmaps;
    std::string m_avatarDirectory;
    std::string m_directoryName;
    const AvatarDefinitionList* m_definitions = nullptr;
    int m_buttonCount = 0;
    QSize m_outerSize;  // invalid until the first rebuild
};

}  // namespace plexa
