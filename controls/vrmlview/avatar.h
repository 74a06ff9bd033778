#pragma once
// One avatar in the view: its model copy placed at its pose, a name tag above it, translucent
// as a ghost, gliding to new poses and playing the gestures its model defines.
#include "controls/vrmlview/avatar_pose.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <utility>
#include <vector>

class SoField;
class SoComplexity;
class SoMaterial;
class SoNode;
class SoSeparator;
class SoSwitch;
class SoVRMLMaterial;
class SoTransform;
class SoVRMLTimeSensor;

class Avatar {
public:
    // model: an unreferenced copy the avatar takes over; standIn marks the substitute figure.
    // facing: a rotation every name tag shares, kept turned like the camera by the view, so the
    // tags face the viewer without a billboard each; null gives the tag a billboard of its own.
    Avatar(int16_t clientId, const QString& name, int presence, SoSeparator* model, bool standIn,
           float height, const AvatarPose& pose, SoNode* facing = nullptr);
    ~Avatar();
    Avatar(const Avatar&) = delete;
    Avatar& operator=(const Avatar&) = delete;

    SoSeparator* Root() const { return root_; }
    // The name tag's subgraph (not an obstacle to the line of sight).
    SoSeparator* Tag() const { return tag_; }
    float Height() const { return height_; }
    int16_t ClientId() const { return clientId_; }
    const QString& Name() const { return name_; }
    int Presence() const { return presence_; }
    bool IsStandIn() const { return standIn_; }
    // The pose it is heading for (or standing at).
    const AvatarPose& Pose() const { return target_; }
    // Where it is drawn now, in metres, and its turn.
    SbVec3f ShownPosition() const;
    float ShownYaw() const;

    // Jumps to the pose at once (the user's own avatar follows the view this way).
    void Place(const AvatarPose& pose);
    // Starts a glide from where it is shown to the pose.
    void MoveTo(const AvatarPose& pose, double now);
    // Draws the figure faint and without its name tag, so someone standing inside it stays
    // visible and named; off restores it.
    void SetSeeThrough(bool on);
    bool SeeThrough() const { return seeThrough_; }
    // How finely round shapes are divided (Coin's complexity, 0 to 1); far figures need less.
    void SetDetail(float complexity);
    float Detail() const;
    // Lighter drawings of the figure (see AvatarLod), level 1 upward, for figures further away:
    // one with joints that plays gestures, one rigid for standing still.
    void AddLighterLevel(SoSeparator* jointed, SoSeparator* rigid);
    int LighterLevels() const;
    // Which drawing to show: 0 the full model, higher the lighter ones as far as there are.
    // A see-through figure is always drawn in full (its materials do the fading).
    void SetLevel(int level);
    int Level() const;
    // Whether the lighter drawing shown is the rigid one.
    bool ShowsRigid() const;
    // The name tag is shown only when wanted and the figure is not see-through.
    void SetTagWanted(bool on);
    bool TagShown() const;
    // Whether the model defines a gesture under this code.
    bool HasGesture(const QString& code) const;
    // Starts the gesture's TimeSensor; a running gesture ends first. False without one.
    bool StartGesture(const QString& code, double now);
    bool GestureRunning() const { return gesture_ != nullptr; }
    // Advances the glide and ends a finished gesture; true while anything still runs.
    bool Advance(double now);

    // The name tag picture (for tests and the stand-in check).
    static QImage NameTagImage(const QString& name);

private:
    void ApplyShown();
    void SnapshotRestPose();
    void RestoreRestPose();
    void SetAnimationConnections(bool on);
    void EndGesture();
    void MakeTranslucent();
    void ApplyTransparency();
    void ApplyLevel();
    void ApplyTag();
    SoSeparator* BuildNameTag(float height, SoNode* facing) const;

    int16_t clientId_;
    QString name_;
    int presence_;
    bool standIn_;
    SoSeparator* root_ = nullptr;
    SoSeparator* model_ = nullptr;
    SoTransform* placement_ = nullptr;
    SoComplexity* detail_ = nullptr;
    SoSeparator* tag_ = nullptr;
    SoSwitch* tagSwitch_ = nullptr;
    SoSwitch* levels_ = nullptr;
    int wantedLevel_ = 0;
    bool tagWanted_ = true;
    float height_ = 1.8f;
    bool seeThrough_ = false;
    // Each material with the transparency the figure itself has (ghosts are translucent).
    std::vector<std::pair<SoVRMLMaterial*, float>> vrmlMaterials_;
    std::vector<std::pair<SoMaterial*, std::vector<float>>> materials_;

    AvatarPose target_;
    SbVec3f from_, to_;
    float fromYaw_ = 0, toYaw_ = 0;
    double glideStart_ = 0, glideLength_ = 0, lastMove_ = -1;
    bool gliding_ = false;

    std::vector<SoVRMLTimeSensor*> sensors_;
    std::vector<std::pair<SoField*, std::string>> restPose_;
    SoVRMLTimeSensor* gesture_ = nullptr;
    double gestureEnd_ = 0;
};
