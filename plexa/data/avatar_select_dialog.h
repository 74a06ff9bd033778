#pragma once
// Modal chooser of the user's avatar: steps through the installed and described avatars with a
// scroll bar while a live 3D preview shows the current one.
#include "plexa/data/avatar_choice.h"
#include "plexa/data/avatar_definition.h"
#include "plexa/data/c_world_view.h"

#include <QDialog>
#include <string>
#include <vector>

class QLabel;
class QPushButton;
class QScrollBar;

namespace plexa {

class AvatarSelectDialog : public QDialog {
    Q_OBJECT
public:
    // avatarDataPath: the AvatarData directory (CP932). definitions: the panel's list, not owned;
    // null lists nothing. worldViewClass: the preview control's class.
    AvatarSelectDialog(std::string avatarDataPath, const AvatarDefinitionList* definitions, QWidget* parent = nullptr,
                       const platform::com::Guid& worldViewClass = CWorldView::kClassId);
    ~AvatarSelectDialog() override;

    // The avatars under avatarDataPath that have a section (names compared without regard to ASCII
    // case), in ascending byte order of their directory names.
    static std::vector<AvatarChoice> ListChoices(const std::string& avatarDataPath,
                                                 const AvatarDefinitionList* definitions);

    const std::vector<AvatarChoice>& Choices() const { return m_choices; }
    // Null when nothing is listed.
    const AvatarChoice* CurrentChoice() const;
    // 0-based; the avatar number is this + 1.
    int CurrentPosition() const { return m_position; }

    QScrollBar* ScrollBar() const { return m_scroll; }
    QPushButton* OkButton() const { return m_ok; }
    // The current avatar's name and its place in the list ("cat (1/6)").
    QLabel* NameLabel() const { return m_nameLabel; }
    QPushButton* CancelButton() const { return m_cancel; }
    CWorldView& WorldView() { return m_worldView; }

    // A scroll request as the scroll bar reports it (QAbstractSlider::SliderAction); thumbPosition
    // is read for thumb moves only.
    void OnScroll(int action, int thumbPosition);

private:
    void ShowCurrent();
    void ShowName();

    std::string m_avatarDataPath;
    const AvatarDefinitionList* m_definitions;
    std::vector<AvatarChoice> m_choices;
    int m_position = 0;
    CWorldView m_worldView;
    QScrollBar* m_scroll;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    QLabel* m_nameLabel = nullptr;
};

}  // namespace plexa
