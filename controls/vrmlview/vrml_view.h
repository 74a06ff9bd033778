#pragma once
// The region view: a VRML scene with every avatar in it, navigated with mouse and keys.
// Positions of avatars come in as AvatarPose; the user's own movement goes out through
// viewpointMoved, at most ten times a second and once more when it stops.
#include "controls/vrmlview/avatar_model_cache.h"
#include "controls/vrmlview/avatar_pose.h"
#include "controls/vrmlview/coin_view.h"
#include "controls/vrmlview/view_navigator.h"

#include <QElapsedTimer>
#include <QPoint>
#include <QTimer>

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

class Avatar;
class QLabel;
class SoNode;
class SoRotation;

class VrmlView : public CoinView {
    Q_OBJECT
public:
    // GraphicModeMoving value that keeps the ordinary mode while moving.
    static constexpr int kNoChangeWhileMoving = 3;

    explicit VrmlView(QWidget* parent = nullptr);
    ~VrmlView() override;

    // 1 when the scene is shown, -1 otherwise (the previous scene stays).
    int LoadVrmlFile(const QString& address);
    QString LastError() const { return lastError_; }
    // What the last loaded world had that could not be shown, each naming file and line.
    QStringList LastWarnings() const { return lastWarnings_; }

    bool ChangeWalkthroughMode(int mode);
    bool ChangeWalkthroughSpeed(int speed);
    bool Revert();
    bool StraightUp();
    bool SetSound(bool on);
    bool SoundOn() const { return soundOn_; }
    void SetCollision(bool on) { navigator_.SetCollision(on); }
    bool SetGraphicModeMoving(int mode);
    bool SetGraphicModeStill(int mode);

    void SetAvatarModelFile(const QString& path) { avatarModelFile_ = path; }
    QString AvatarModelFile() const { return avatarModelFile_; }
    bool CreateAvatar(int16_t clientId, const QString& userId, const QString& name, const QString& number,
                      int presence, const AvatarPose& pose);
    bool DeleteAvatar(int16_t clientId);
    bool MoveAvatar(int16_t clientId, const AvatarPose& pose);
    bool ControlAvatar(int16_t clientId, const QString& actionCode);
    void AttachViewpoint();

    const Avatar* FindAvatar(int16_t clientId) const;
    // The avatar the view follows, or -1 before AttachViewpoint.
    int16_t OwnClientId() const { return attached_ && haveOwn_ ? ownClientId_ : -1; }
    // Whether the user can see the avatar now: in the picture and not hidden behind scene
    // geometry or another figure (the own figure does not hide what stands inside it).
    bool AvatarVisible(int16_t clientId) const;
    // "id,x,y,z,visible": where the avatar is drawn (millimetres) and whether it is seen;
    // empty for an unknown id. A diagnostic for hosts and tests.
    QString AvatarState(int16_t clientId) const;
    int AvatarCount() const { return static_cast<int>(avatars_.size()); }
    const AvatarModelCache& Models() const { return models_; }
    ViewNavigator& Navigator() { return navigator_; }
    bool Moving() const { return moving_; }

signals:
    void viewpointMoved(int16_t clientId, AvatarPose pose);
    // A web world or one of its Inlines downloading: bytes so far and in all (-1: unknown).
    void downloadProgress(const QString& address, qint64 received, qint64 total);
    // A link of the world (an Anchor clicked, a script's Browser.loadURL) that was not followed.
    void linkRefused(const QString& reason);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void BeforeRender() override;
    SbBox3f ExtrasBounds() override;

private:
    void Tick();
    void EnsureTicking();
    void CameraMoved();
    void MovementStopped();
    void FollowOwnAvatar();
    // The own avatar moves off a spot another figure already takes (see ArrivalSpot); true
    // when it moved.
    bool PlaceOwnOnArrival();
    void PutCameraBehindOwn();
    void StepAsideFor(int16_t clientId);
    void FadeFiguresAtTheEye(const SbVec3f& eye);
    void ReportOwnPose(bool force);
    void UpdateOwnFigure();
    AvatarPose OwnPoseFromCamera() const;
    bool Blocked(const SbVec3f& from, const SbVec3f& to);
    void StartSceneSounds(const QString& baseDirectory);
    void StopSceneSounds();
    void ShowDownload(const QString& address, qint64 received, qint64 total);
    void ClickScene(const QPointF& at);
    // Follows the Anchor whose geometry is under the point; false when there is none.
    bool FollowAnchorAt(const QPointF& at);
    // A link of the world: a viewpoint moves the view, a world of its own replaces it (later,
    // outside whatever handler asked), anything else is refused with a notice.
    void FollowLink(const QString& reference);
    void FollowLinks(const QStringList& urls);
    void SetScriptHooks();
    void ReplaceWorld(const std::vector<SoNode*>& nodes);
    bool GoToViewpoint(const QString& name);
    void ShowNotice(const QString& text);

    ViewNavigator navigator_;
    AvatarModelCache models_;
    // Turned like the camera; every name tag shares it to face the viewer.
    SoRotation* tagFacing_ = nullptr;
    std::map<int16_t, std::unique_ptr<Avatar>> avatars_;
    QString avatarModelFile_;
    QString lastError_;
    QStringList lastWarnings_;
    // Shown over the picture while a web world downloads.
    QLabel* progressLabel_ = nullptr;
    // The own avatar: the last one created with presence 1 until AttachViewpoint fixes it;
    // others arriving later with presence 1 are other users.
    int16_t ownClientId_ = -1;
    bool haveOwn_ = false;
    bool attached_ = false;
    bool soundOn_ = true;
    std::vector<int32_t> sounds_;
    QString sceneBase_;
    // The address of the world shown, for resolving its links.
    QString worldAddress_;
    QTimer noticeTimer_;

    int stillMode_ = kSmooth;
    int movingMode_ = kNoChangeWhileMoving;
    bool moving_ = false;
    QTimer stopTimer_;
    QTimer tick_;
    QElapsedTimer tickClock_;
    QElapsedTimer reportClock_;
    bool reportPending_ = false;
    AvatarPose lastReported_;
    bool reportedOnce_ = false;
    AvatarPose arrivalPose_;
    QElapsedTimer arrivalClock_;
    QPoint lastMouse_;
    bool dragging_ = false;
    bool dragMoved_ = false;
};
