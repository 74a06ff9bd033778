#pragma once
// The small panel on the main panel that shows the user's own avatar: its picture, the avatar
// name and the region the user is in.
#include "plexa/data/packed_dib.h"

#include <QWidget>
#include <optional>
#include <string>

class QFrame;
class QLabel;

namespace plexa {

class OwnAvatarCard : public QWidget {
    Q_OBJECT
public:
    explicit OwnAvatarCard(QWidget* parent = nullptr);

    // Texts and the path are CP932. A picture that cannot be loaded leaves the frame empty.
    void SetPicture(const std::string& path);
    void SetAvatarName(const std::string& name);
    void SetUserId(const std::string& userId);
    void SetRegionName(const std::string& name);

    const std::string& PicturePath() const { return m_picturePath; }
    const std::string& AvatarName() const { return m_avatarName; }
    const std::string& UserId() const { return m_userId; }
    const std::string& RegionName() const { return m_regionName; }
    bool HasPicture() const { return m_dib.has_value(); }

    QFrame* PictureFrame() const { return m_picture; }
    QLabel* AvatarNameLabel() const { return m_avatarNameLabel; }
    QLabel* RegionNameLabel() const { return m_regionNameLabel; }
    QLabel* UserIdLabel() const { return m_userIdLabel; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void PaintPicture();

    QFrame* m_picture;
    QLabel* m_avatarNameLabel;
    QLabel* m_regionNameLabel;
    QLabel* m_userIdLabel;
    QLabel* m_spareLabel;
    std::string m_picturePath;
    std::string m_avatarName;
    std::string m_userId;
    std::string m_regionName;
    std::optional<PackedDib> m_dib;
};

}  // namespace plexa
