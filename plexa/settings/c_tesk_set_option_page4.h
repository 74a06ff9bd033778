#pragma once
// Options page "VRML": the fixed browser size and the user's avatar with its picture and name.
#include "platform/com/guid.h"
#include "plexa/data/avatar_definition.h"
#include "plexa/settings/c_option_page.h"

#include <QPixmap>

#include <cstdint>
#include <optional>
#include <string>

class QLineEdit;
class QPushButton;

namespace plexa {

class CTeskSetOptionPage4 : public COptionPage {
    Q_OBJECT
public:
    explicit CTeskSetOptionPage4(QWidget* parent = nullptr);

    std::string m_strAvatarDirectory;  // CP932 texts
    std::string m_strDirectoryName;
    std::string m_strVrmlFileName;
    std::string m_strImageFileName;
    const AvatarDefinitionList* m_pAvatarList = nullptr;
    int32_t m_nAvatarNo = 0;
    QLabel* m_staticPreview;
    int32_t m_bFixedSize = 0;
    std::string m_strAvatarName;
    std::optional<QPixmap> m_hPreviewBitmap;

    void DoDataExchange(bool save) override;
    bool OnApply() override;

    // The preview control class the avatar chooser creates.
    void SetWorldViewClass(const platform::com::Guid& clsid) { m_worldViewClass = clsid; }
    // The picture shown until an avatar's own is loaded.
    static QPixmap InitialPreview();

    QCheckBox* FixedSizeBox() const { return m_fixedSize; }
    QLineEdit* AvatarNameEdit() const { return m_avatarName; }
    QPushButton* AvatarButton() const { return m_avatarButton; }

    // Button 250: the avatar chooser; OK takes its choice.
    void OnAvatarChange();

protected:
    void OnInitDialog() override;

private:
    void ShowPreview();
    void OnAvatarNameChanged();

    QCheckBox* m_fixedSize;
    QLineEdit* m_avatarName;
    QPushButton* m_avatarButton;
    platform::com::Guid m_worldViewClass;
};

}  // namespace plexa
