#include "controls/vrmlview/vrml_view.h"

#include "controls/vrmlview/arrival_obstacles.h"
#include "controls/vrmlview/arrival_spot.h"
#include "controls/vrmlview/avatar.h"
#include "controls/vrmlview/coin_environment.h"
#include "controls/vrmlview/scene_loader.h"
#include "controls/vrmlview/script_engine.h"
#include "controls/vrmlview/world_link.h"

#include <Inventor/SbTime.h>
#include <Inventor/SoFullPath.h>
#include <Inventor/SoPickedPoint.h>
#include <Inventor/SbViewVolume.h>
#include <Inventor/lists/SoPickedPointList.h>
#include <Inventor/VRMLnodes/SoVRMLAnchor.h>
#include <Inventor/VRMLnodes/SoVRMLAudioClip.h>
#include <Inventor/VRMLnodes/SoVRMLGroup.h>
#include <Inventor/VRMLnodes/SoVRMLViewpoint.h>
#include <Inventor/actions/SoGetMatrixAction.h>
#include <Inventor/VRMLnodes/SoVRMLSound.h>
#include <Inventor/actions/SoHandleEventAction.h>
#include <Inventor/actions/SoRayPickAction.h>
#include <Inventor/events/SoMouseButtonEvent.h>
#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/lists/SoPathList.h>
#include <Inventor/nodes/SoGroup.h>
#include <Inventor/nodes/SoPerspectiveCamera.h>
#include <Inventor/nodes/SoRotation.h>
#include <Inventor/nodes/SoSeparator.h>

#include <QDir>
#include <QLabel>
#include <QUrl>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kReportIntervalMs = 100;   // at most ten reports a second
constexpr int kStopAfterMs = 250;        // no movement for this long means the user stopped
constexpr int kTickMs = 33;
// The view follows the own avatar from behind.
constexpr float kFollowDistance = 3.0f;
// Another figure this close to the own one (metres, along the ground) would be hidden inside it.
constexpr float kCrowdRadius = 1.0f;
// Beyond these distances (metres) figures are drawn with fewer facets.
constexpr float kNearDetail = 12.0f, kFarDetail = 24.0f;
// Beyond these distances (metres) figures are drawn with their lighter drawings, level 1 up.
constexpr float kLighterFrom[AvatarModelCache::kLighterLevels] = {4.0f, 8.0f, 14.0f};
// A figure crosses to the other drawing only this far past a step (metres), so one walking
// along a step does not flicker between two drawings.
constexpr float kLevelMargin = 0.3f;
// Only the nearest figures carry name tags: a crowd's tags would hide the room and cost as
// much to draw as the figures.
constexpr size_t kNamedFigures = 30;
// Another figure nearer the eye than this (across the floor) would fill the picture with a
// giant head and its tag: it is drawn faint and untagged until the camera moves off.
constexpr float kNearFade = 1.0f;
// How long after entering those already present may still be announced.
constexpr qint64 kArrivalWindowMs = 5000;

double Now() { return SbTime::getTimeOfDay().getValue(); }

ViewNavigator::Key KeyOf(int key) {
    switch (key) {
        case Qt::Key_Up: return ViewNavigator::kUp;
        case Qt::Key_Down: return ViewNavigator::kDown;
        case Qt::Key_Left: return ViewNavigator::kLeft;
        case Qt::Key_Right: return ViewNavigator::kRight;
        case Qt::Key_PageUp: return ViewNavigator::kPageUp;
        case Qt::Key_PageDown: return ViewNavigator::kPageDown;
        default: return ViewNavigator::kNone;
    }
}

}  // namespace

VrmlView::VrmlView(QWidget* parent) : CoinView(parent), navigator_(Camera()) {
    tagFacing_ = new SoRotation;
    tagFacing_->ref();
    tagFacing_->rotation.connectFrom(&Camera()->orientation);
    navigator_.SetBlockTest([this](const SbVec3f& from, const SbVec3f& to) { return Blocked(from, to); });
    stopTimer_.setSingleShot(true);
    connect(&stopTimer_, &QTimer::timeout, this, &VrmlView::MovementStopped);
    tick_.setTimerType(Qt::PreciseTimer);
    connect(&tick_, &QTimer::timeout, this, &VrmlView::Tick);
    reportClock_.start();
}

VrmlView::~VrmlView() {
    ScriptEngine::ShutDown(Scene());
    StopSceneSounds();
    avatars_.clear();
    tagFacing_->unref();
}

int VrmlView::LoadVrmlFile(const QString& address) {
    QByteArray bytes;
    QString base;
    QString error;
    SoSeparator* scene = nullptr;
    QStringList warnings;
    // Downloads of this world and its Inlines report here while it loads.
    const SceneLoader::Progress previous = SceneLoader::ProgressReporter();
    SceneLoader::ProgressReporter() = [this](const QString& from, qint64 received, qint64 total) {
        ShowDownload(from, received, total);
        emit downloadProgress(from, received, total);
    };
    if (SceneLoader::Fetch(address, &bytes, &base, &error)) {
        ScriptEngine::SetWorldUrl(SceneLoader::SourceOf(address));
        SetScriptHooks();
        scene = SceneLoader::Read(bytes, SceneLoader::SourceOf(address), &error, &warnings);
    }
    SceneLoader::ProgressReporter() = previous;
    if (progressLabel_) progressLabel_->hide();
    if (!scene) {
        lastError_ = error;
        return -1;
    }
    lastWarnings_ = warnings;
    lastError_.clear();
    StopSceneSounds();
    navigator_.CancelGoto();
    ScriptEngine::ShutDown(Scene());
    SetScene(scene);
    navigator_.SetBaseSpeed(SceneSpeed());
    sceneBase_ = base;
    worldAddress_ = SceneLoader::SourceOf(address);
    StartSceneSounds(base);
    if (attached_) FollowOwnAvatar();
    return 1;
}

void VrmlView::ShowDownload(const QString& address, qint64 received, qint64 total) {
    if (!progressLabel_) {
        progressLabel_ = new QLabel(this);
        // A window of its own, or the scene's window would cover it.
        progressLabel_->setAttribute(Qt::WA_NativeWindow);
        progressLabel_->setStyleSheet(QStringLiteral("background: rgba(0, 0, 0, 160); color: white; padding: 2px;"));
    }
    progressLabel_->setWordWrap(false);  // a notice before may have fixed its size
    progressLabel_->setMinimumWidth(0);
    progressLabel_->setMaximumWidth(QWIDGETSIZE_MAX);
    const QString name = QUrl(address).fileName();
    const QString amount = total > 0 ? QStringLiteral("%1 of %2 KB").arg(received / 1024).arg(total / 1024)
                                     : QStringLiteral("%1 KB").arg(received / 1024);
    progressLabel_->setText(tr("Downloading %1: %2").arg(name.isEmpty() ? address : name, amount));
    progressLabel_->adjustSize();
    progressLabel_->move(4, std::max(0, height() - progressLabel_->height() - 4));
    progressLabel_->show();
    progressLabel_->raise();
}

bool VrmlView::ChangeWalkthroughMode(int mode) { return navigator_.SetMode(mode); }
bool VrmlView::ChangeWalkthroughSpeed(int speed) { return navigator_.SetSpeed(speed); }

bool VrmlView::Revert() {
    navigator_.CancelGoto();
    RevertCamera();
    CameraMoved();
    return true;
}

bool VrmlView::StraightUp() {
    navigator_.StraightUp();
    CameraMoved();
    return true;
}

bool VrmlView::SetSound(bool on) {
    soundOn_ = on;
    CoinEnvironment::SetSoundEnabled(on);
    if (!on) StopSceneSounds();
    else if (sounds_.empty()) StartSceneSounds(sceneBase_);
    return true;
}

void VrmlView::StartSceneSounds(const QString& baseDirectory) {
    if (!soundOn_ || !CoinEnvironment::HasSoundPlayer()) return;
    SoSearchAction search;
    search.setType(SoVRMLSound::getClassTypeId());
    search.setInterest(SoSearchAction::ALL);
    search.apply(Scene());
    const SoPathList& paths = search.getPaths();
    for (int i = 0; i < paths.getLength(); ++i) {
        auto* sound = static_cast<SoVRMLSound*>(static_cast<SoFullPath*>(paths[i])->getTail());
        auto* clip = dynamic_cast<SoVRMLAudioClip*>(sound->source.getValue());
        if (!clip || clip->url.getNum() == 0) continue;
        QString url = QString::fromUtf8(clip->url[0].getString());
        QString path = SceneLoader::LocalPath(url);
        if (path.isEmpty()) continue;  // only local sounds
        if (QDir::isRelativePath(path) && !baseDirectory.isEmpty()) path = QDir(baseDirectory).filePath(path);
        int32_t handle = CoinEnvironment::PlaySound(path, clip->loop.getValue(), sound->intensity.getValue());
        if (handle) sounds_.push_back(handle);
    }
}

void VrmlView::StopSceneSounds() {
    for (int32_t handle : sounds_) CoinEnvironment::StopSound(handle);
    sounds_.clear();
}

bool VrmlView::SetGraphicModeStill(int mode) {
    if (mode < kSmooth || mode > kWireFrame) return false;
    stillMode_ = mode;
    if (!moving_ || movingMode_ == kNoChangeWhileMoving) SetGraphicMode(mode);
    return true;
}

bool VrmlView::SetGraphicModeMoving(int mode) {
    if (mode < kSmooth || mode > kNoChangeWhileMoving) return false;
    movingMode_ = mode;
    return true;
}

bool VrmlView::CreateAvatar(int16_t clientId, const QString&, const QString& name, const QString&,
                            int presence, const AvatarPose& pose) {
    if (avatars_.count(clientId)) return false;
    SoSeparator* model = avatarModelFile_.isEmpty() ? nullptr : models_.Instantiate(avatarModelFile_);
    const bool standIn = model == nullptr;
    if (standIn) model = models_.InstantiateStandIn();
    if (!model) return false;
    const float height = standIn ? 1.8f : models_.Height(avatarModelFile_);
    auto avatar = std::make_unique<Avatar>(clientId, name, presence, model, standIn, height, pose, tagFacing_);
    for (int level = 1; !standIn && level <= AvatarModelCache::kLighterLevels; ++level) {
        const AvatarLod* jointed = models_.Lighter(avatarModelFile_, level, presence == 2, false);
        const AvatarLod* rigid = models_.Lighter(avatarModelFile_, level, presence == 2, true);
        if (jointed && rigid) avatar->AddLighterLevel(jointed->Instantiate(model), rigid->Instantiate(model));
    }
    Extras()->addChild(avatar->Root());
    avatars_[clientId] = std::move(avatar);
    // Once the view follows its own avatar, everyone else who arrives is somebody else.
    if (presence == 1 && !attached_) {
        ownClientId_ = clientId;
        haveOwn_ = true;
    }
    StepAsideFor(clientId);
    UpdateOwnFigure();
    RequestFrame();
    return true;
}

bool VrmlView::DeleteAvatar(int16_t clientId) {
    auto it = avatars_.find(clientId);
    if (it == avatars_.end()) return false;
    Extras()->removeChild(it->second->Root());
    avatars_.erase(it);
    if (haveOwn_ && clientId == ownClientId_) {
        haveOwn_ = false;
        attached_ = false;
        reportedOnce_ = false;
    }
    UpdateOwnFigure();
    RequestFrame();
    return true;
}

bool VrmlView::MoveAvatar(int16_t clientId, const AvatarPose& pose) {
    auto it = avatars_.find(clientId);
    if (it == avatars_.end()) return false;
    // The own avatar follows the view; the server echoing its pose must not pull it back.
    if (attached_ && haveOwn_ && clientId == ownClientId_) return true;
    it->second->MoveTo(pose, Now());
    EnsureTicking();
    return true;
}

bool VrmlView::ControlAvatar(int16_t clientId, const QString& actionCode) {
    auto it = avatars_.find(clientId);
    if (it == avatars_.end()) return false;
    const QString code = actionCode.trimmed().toLower();
    if (code.size() != 3 || code[0] != QLatin1Char('a') || !code[1].isDigit() || !code[2].isDigit() ||
        code.mid(1).toInt() > 15) {
        return false;
    }
    // A model without this gesture simply stands still: nothing the user must be told about.
    if (it->second->StartGesture(code, Now())) EnsureTicking();
    return true;
}

void VrmlView::AttachViewpoint() {
    if (!haveOwn_) return;
    attached_ = true;
    const Avatar* own = FindAvatar(ownClientId_);
    if (!own) return;
    arrivalPose_ = own->Pose();
    arrivalClock_.start();
    PlaceOwnOnArrival();
    PutCameraBehindOwn();
    // Others learn where the own avatar stands before its first step; posted, so the host's
    // handler does not run inside its own call. Those already in the region are announced by
    // the server as the entry returns, so their figures may have come by then: the own avatar
    // steps off their spot before the report.
    QTimer::singleShot(0, this, [this] {
        if (PlaceOwnOnArrival()) PutCameraBehindOwn();
        ReportOwnPose(true);
    });
}

void VrmlView::StepAsideFor(int16_t clientId) {
    // Those already in the region are announced as the entry returns, after the attach. One of
    // them standing exactly on the own avatar's arrival spot (the entry pose, or the free spot it
    // took instead, which an earlier arrival found the same way), while the own avatar has not
    // left it, means the own avatar is the newcomer there: it steps aside. Anyone arriving later
    // is the newcomer.
    if (!attached_ || !haveOwn_ || clientId == ownClientId_) return;
    if (!arrivalClock_.isValid() || arrivalClock_.elapsed() > kArrivalWindowMs) return;
    const Avatar* own = FindAvatar(ownClientId_);
    const Avatar* other = FindAvatar(clientId);
    if (!own || !other || !(own->Pose().Position() == arrivalPose_.Position())) return;
    SbVec3f apart = other->ShownPosition() - arrivalPose_.Position();
    apart[1] = 0;
    if (apart.length() > 0.01f) return;
    if (!PlaceOwnOnArrival()) return;
    PutCameraBehindOwn();
    QTimer::singleShot(0, this, [this] { ReportOwnPose(true); });
}

void VrmlView::PutCameraBehindOwn() {
    const Avatar* own = FindAvatar(ownClientId_);
    if (!attached_ || !own) return;
    const AvatarPose& pose = own->Pose();
    const float yaw = pose.Yaw(0);
    const SbVec3f behind(std::sin(yaw) * kFollowDistance, EyeHeight(), std::cos(yaw) * kFollowDistance);
    Camera()->position = pose.Position() + behind;
    Camera()->orientation = SbRotation(SbVec3f(0, 1, 0), yaw);
    Camera()->focalDistance = kFollowDistance;
    UpdateOwnFigure();
    RequestFrame();
}

bool VrmlView::PlaceOwnOnArrival() {
    if (!attached_ || !haveOwn_) return false;
    auto it = avatars_.find(ownClientId_);
    if (it == avatars_.end()) return false;
    Avatar& own = *it->second;
    std::vector<SbVec3f> others;
    for (const auto& [id, avatar] : avatars_)
        if (id != ownClientId_) others.push_back(avatar->ShownPosition());
    const SbVec3f entry = own.Pose().Position();
    SbVec3f spot = entry;
    if (navigator_.Collision()) {
        // With collision on, furniture counts: the figure neither stands in it nor walks through
        // it (nor through a wall) to its spot. Other figures are not part of the scene.
        const ArrivalObstacles obstacles(Scene(), entry, ArrivalSpot::kClearance * ArrivalSpot::kRings,
                                         own.Height());
        spot = ArrivalSpot::Find(
            entry, others, [&](const SbVec3f& from, const SbVec3f& to) { return obstacles.Blocked(from, to); },
            [&](const SbVec3f& at) { return obstacles.Obstructed(at); });
    } else {
        spot = ArrivalSpot::Find(entry, others);
    }
    if (spot == entry) return false;
    AvatarPose pose = own.Pose();
    pose.x = spot[0] * 1000.0f;
    pose.z = spot[2] * 1000.0f;
    own.Place(pose);
    arrivalPose_ = own.Pose();
    return true;
}

void VrmlView::UpdateOwnFigure() {
    Avatar* own = nullptr;
    if (haveOwn_) {
        auto it = avatars_.find(ownClientId_);
        if (it != avatars_.end()) own = it->second.get();
    }
    if (!own) return;
    bool crowded = false;
    if (attached_) {
        const SbVec3f at = own->ShownPosition();
        for (const auto& [id, avatar] : avatars_) {
            if (id == ownClientId_) continue;
            SbVec3f apart = avatar->ShownPosition() - at;
            apart[1] = 0;
            if (apart.length() < kCrowdRadius) {
                crowded = true;
                break;
            }
        }
    }
    own->SetSeeThrough(crowded);
}

bool VrmlView::AvatarVisible(int16_t clientId) const {
    const Avatar* avatar = FindAvatar(clientId);
    if (!avatar) return false;
    const SbVec3f target = avatar->ShownPosition() + SbVec3f(0, avatar->Height() * 0.5f, 0);
    const SbVec3f eye = Camera()->position.getValue();
    SbVec3f ahead;
    Camera()->orientation.getValue().multVec(SbVec3f(0, 0, -1), ahead);
    SbVec3f toTarget = target - eye;
    const float distance = toTarget.length();
    if (distance < 1e-4f) return false;
    if (toTarget.dot(ahead) <= Camera()->nearDistance.getValue()) return false;  // behind the eye
    const int w = std::max(1, width()), h = std::max(1, height());
    SbVec3f screen;
    Camera()->getViewVolume(static_cast<float>(w) / h).projectToScreen(target, screen);
    if (screen[0] < 0 || screen[0] > 1 || screen[1] < 0 || screen[1] > 1) return false;
    // Line of sight: the first thing the ray meets decides, except what the user sees through.
    toTarget /= distance;
    SoRayPickAction pick{SbViewportRegion(w, h)};
    pick.setRay(eye, toTarget, 0.0f, distance);
    pick.setPickAll(TRUE);
    // The scene and the figures, without the camera, which would set a ray of its own.
    SoGroup* world = new SoGroup;
    world->ref();
    world->addChild(Scene());
    world->addChild(Extras());
    pick.apply(world);
    const Avatar* own = FindAvatar(ownClientId_);
    bool seen = true;
    const SoPickedPointList& points = pick.getPickedPointList();
    for (int i = 0; i < points.getLength(); ++i) {
        const SoPath* path = points[i]->getPath();
        if (path->containsNode(avatar->Root())) break;
        if (own && haveOwn_ && own != avatar && own->SeeThrough() && path->containsNode(own->Root())) continue;
        bool tag = false;
        for (const auto& entry : avatars_) tag = tag || path->containsNode(entry.second->Tag());
        if (tag) continue;
        seen = false;
        break;
    }
    pick.reset();
    world->unref();
    return seen;
}

QString VrmlView::AvatarState(int16_t clientId) const {
    const Avatar* avatar = FindAvatar(clientId);
    if (!avatar) return {};
    const SbVec3f at = avatar->ShownPosition() * 1000.0f;
    return QStringLiteral("%1,%2,%3,%4,%5")
        .arg(clientId)
        .arg(qRound(at[0]))
        .arg(qRound(at[1]))
        .arg(qRound(at[2]))
        .arg(AvatarVisible(clientId) ? 1 : 0);
}

const Avatar* VrmlView::FindAvatar(int16_t clientId) const {
    auto it = avatars_.find(clientId);
    return it == avatars_.end() ? nullptr : it->second.get();
}

AvatarPose VrmlView::OwnPoseFromCamera() const {
    const float heading = const_cast<ViewNavigator&>(navigator_).Heading();
    const SbVec3f eye = Camera()->position.getValue();
    const SbVec3f ahead(-std::sin(heading) * kFollowDistance, -EyeHeight(), -std::cos(heading) * kFollowDistance);
    return AvatarPose::From(eye + ahead, heading);
}

void VrmlView::FollowOwnAvatar() {
    if (!attached_ || !haveOwn_) return;
    auto it = avatars_.find(ownClientId_);
    if (it == avatars_.end()) return;
    it->second->Place(OwnPoseFromCamera());
    UpdateOwnFigure();
}

void VrmlView::ReportOwnPose(bool force) {
    if (!attached_ || !haveOwn_) return;
    AvatarPose pose = OwnPoseFromCamera();
    if (reportedOnce_ && pose == lastReported_) {
        reportPending_ = false;
        return;
    }
    if (!force && reportClock_.isValid() && reportClock_.elapsed() < kReportIntervalMs && reportedOnce_) {
        reportPending_ = true;
        return;
    }
    reportPending_ = false;
    reportedOnce_ = true;
    lastReported_ = pose;
    reportClock_.restart();
    emit viewpointMoved(ownClientId_, pose);
}

void VrmlView::CameraMoved() {
    if (!moving_) {
        moving_ = true;
        if (movingMode_ != kNoChangeWhileMoving) SetGraphicMode(movingMode_);
    }
    stopTimer_.start(kStopAfterMs);
    FollowOwnAvatar();
    ReportOwnPose(false);
    EnsureTicking();
    RequestFrame();
}

void VrmlView::MovementStopped() {
    if (navigator_.GotoRunning() || dragging_) {
        stopTimer_.start(kStopAfterMs);
        return;
    }
    moving_ = false;
    SetGraphicMode(stillMode_);
    ReportOwnPose(true);
}

void VrmlView::EnsureTicking() {
    if (!tick_.isActive()) {
        tickClock_.restart();
        tick_.start(kTickMs);
    }
}

void VrmlView::Tick() {
    const double dt = tickClock_.isValid() ? tickClock_.restart() / 1000.0 : kTickMs / 1000.0;
    bool busy = false;
    if (navigator_.GotoRunning()) {
        if (navigator_.Advance(dt)) CameraMoved();
        busy = busy || navigator_.GotoRunning();
    }
    const double now = Now();
    bool glided = false;
    for (auto& [id, avatar] : avatars_) glided = avatar->Advance(now) || glided;
    busy = busy || glided;
    UpdateOwnFigure();
    if (reportPending_) {
        ReportOwnPose(false);
        busy = true;
    }
    RequestFrame();
    if (!busy) tick_.stop();
}

void VrmlView::BeforeRender() {
    // Figures far away are a few pixels tall: divide their round shapes more coarsely, and
    // draw them as a few merged meshes. Steps rather than a smooth scale, so a figure's cached
    // drawing is rebuilt only when it crosses one.
    const SbVec3f eye = Camera()->position.getValue();
    std::vector<std::pair<float, Avatar*>> byDistance;
    byDistance.reserve(avatars_.size());
    for (auto& [id, avatar] : avatars_) {
        const float distance = (avatar->ShownPosition() - eye).length();
        avatar->SetDetail(distance < kNearDetail ? 0.5f : distance < kFarDetail ? 0.3f : 0.15f);
        const int shown = avatar->Level();
        int level = 0;
        while (level < AvatarModelCache::kLighterLevels &&
               distance >= kLighterFrom[level] + (shown > level ? -kLevelMargin : kLevelMargin)) {
            ++level;
        }
        avatar->SetLevel(level);
        byDistance.emplace_back(distance, avatar.get());
    }
    if (byDistance.size() > kNamedFigures) {
        std::nth_element(byDistance.begin(), byDistance.begin() + kNamedFigures, byDistance.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
    }
    for (size_t i = 0; i < byDistance.size(); ++i) byDistance[i].second->SetTagWanted(i < kNamedFigures);
    FadeFiguresAtTheEye(eye);
}

// Where the figures are, with room for what a gesture does (arms out, a jump, growing half as
// tall again) and the name tag above: the crowd moves every frame, and measuring each figure
// again for it cost more than drawing some of them.
SbBox3f VrmlView::ExtrasBounds() {
    SbBox3f box;
    for (const auto& entry : avatars_) {
        const Avatar& avatar = *entry.second;
        const SbVec3f at = avatar.ShownPosition();
        box.extendBy(at - SbVec3f(1.5f, 0.5f, 1.5f));
        box.extendBy(at + SbVec3f(1.5f, 1.6f * avatar.Height() + 0.6f, 1.5f));
    }
    return box;
}

void VrmlView::FadeFiguresAtTheEye(const SbVec3f& eye) {
    for (auto& [id, avatar] : avatars_) {
        // The own figure's see-through follows the crowd round it (UpdateOwnFigure).
        if (haveOwn_ && id == ownClientId_) continue;
        SbVec3f apart = avatar->ShownPosition() - eye;
        const bool overHead = apart[1] > 0.5f || -apart[1] > avatar->Height() + 1.0f;
        apart[1] = 0;
        avatar->SetSeeThrough(!overHead && apart.length() < kNearFade);
    }
}

bool VrmlView::Blocked(const SbVec3f& from, const SbVec3f& to) {
    SbVec3f direction = to - from;
    const float length = direction.length();
    if (length < 1e-6f) return false;
    direction /= length;
    const float reach = length + CollisionRadius();
    // Test at eye height and near the knees, so low walls stop the walk too.
    const SbVec3f knee(0, -std::max(0.0f, EyeHeight() - 0.4f), 0);
    for (const SbVec3f& start : {from, from + knee}) {
        SoRayPickAction pick(SbViewportRegion(std::max(1, width()), std::max(1, height())));
        pick.setRay(start, direction, 0.0f, reach);
        pick.apply(Scene());
        if (pick.getPickedPoint()) return true;
    }
    return false;
}

void VrmlView::keyPressEvent(QKeyEvent* event) {
    ViewNavigator::Key key = KeyOf(event->key());
    if (key == ViewNavigator::kNone) {
        CoinView::keyPressEvent(event);
        return;
    }
    if (navigator_.PressKey(key)) CameraMoved();
    event->accept();
}

void VrmlView::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    if (event->button() != Qt::LeftButton) return;
    lastMouse_ = event->position().toPoint();
    dragging_ = true;
    dragMoved_ = false;
}

void VrmlView::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_) return;
    const QPoint at = event->position().toPoint();
    const QPoint delta = at - lastMouse_;
    lastMouse_ = at;
    if (delta.isNull()) return;
    dragMoved_ = true;
    if (navigator_.Drag(static_cast<float>(delta.x()), static_cast<float>(delta.y()))) CameraMoved();
}

void VrmlView::ClickScene(const QPointF& at) {
    // A click (not a drag) reaches the world's touch sensors: doors, switches, buttons.
    const qreal ratio = devicePixelRatioF();
    const int w = std::max(1, static_cast<int>(width() * ratio));
    const int h = std::max(1, static_cast<int>(height() * ratio));
    const SbVec2s point(static_cast<short>(at.x() * ratio), static_cast<short>(h - 1 - at.y() * ratio));
    SoHandleEventAction action{SbViewportRegion(w, h)};
    for (SoButtonEvent::State state : {SoButtonEvent::DOWN, SoButtonEvent::UP}) {
        SoMouseButtonEvent click;
        click.setButton(SoMouseButtonEvent::BUTTON1);
        click.setState(state);
        click.setPosition(point);
        click.setTime(SbTime::getTimeOfDay());
        action.setEvent(&click);
        action.apply(RootNode());
    }
}

void VrmlView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !dragging_) return;
    dragging_ = false;
    if (!dragMoved_) {
        ClickScene(event->position());
        if (FollowAnchorAt(event->position())) return;
    }
    if (navigator_.Mode() != ViewNavigator::kGoto || dragMoved_) return;
    // Goto: head for the point under the click.
    const qreal ratio = devicePixelRatioF();
    const int w = std::max(1, static_cast<int>(width() * ratio));
    const int h = std::max(1, static_cast<int>(height() * ratio));
    SoRayPickAction pick{SbViewportRegion(w, h)};
    const QPointF at = event->position() * ratio;
    pick.setPoint(SbVec2s(static_cast<short>(at.x()), static_cast<short>(h - 1 - at.y())));
    pick.apply(RootNode());
    if (SoPickedPoint* point = pick.getPickedPoint()) {
        navigator_.StartGoto(point->getPoint());
        CameraMoved();
    }
}

void VrmlView::SetScriptHooks() {
    // Scripts of this world ask this view; a view gone meanwhile answers nothing.
    QPointer<VrmlView> self(this);
    ScriptEngine::BrowserHooks hooks;
    hooks.speed = [self] { return self ? static_cast<double>(self->navigator_.MetresPerSecond()) : 0.0; };
    hooks.loadUrl = [self](const QStringList& urls) {
        if (self) self->FollowLinks(urls);
    };
    hooks.replaceWorld = [self](const std::vector<SoNode*>& nodes) {
        if (self) self->ReplaceWorld(nodes);
    };
    ScriptEngine::SetBrowserHooks(hooks);
}

void VrmlView::ReplaceWorld(const std::vector<SoNode*>& nodes) {
    // Not now: the script asking belongs to the world about to go.
    auto* group = new SoVRMLGroup;
    group->ref();
    for (SoNode* node : nodes) group->addChild(node);
    QTimer::singleShot(0, this, [this, group] {
        auto* scene = new SoSeparator;
        scene->ref();
        scene->addChild(group);
        group->unref();
        ScriptEngine::ShutDown(Scene());
        StopSceneSounds();
        navigator_.CancelGoto();
        SetScene(scene);
        navigator_.SetBaseSpeed(SceneSpeed());
        if (attached_) FollowOwnAvatar();
    });
}

void VrmlView::FollowLinks(const QStringList& urls) {
    // The first that may be followed; the reason of the first when none may.
    QString refused;
    for (const QString& url : urls) {
        const WorldLink link = WorldLink::Resolve(worldAddress_, url);
        if (link.kind != WorldLink::kRefused) {
            FollowLink(url);
            return;
        }
        if (refused.isEmpty()) refused = link.reason;
    }
    if (refused.isEmpty()) refused = tr("the link is empty");
    ShowNotice(tr("Link not followed: %1").arg(refused));
    emit linkRefused(refused);
}

bool VrmlView::FollowAnchorAt(const QPointF& at) {
    // The library's own Anchor handling answers a click anywhere; only its geometry counts.
    const qreal ratio = devicePixelRatioF();
    const int w = std::max(1, static_cast<int>(width() * ratio));
    const int h = std::max(1, static_cast<int>(height() * ratio));
    SoRayPickAction pick{SbViewportRegion(w, h)};
    pick.setPoint(SbVec2s(static_cast<short>(at.x() * ratio), static_cast<short>(h - 1 - at.y() * ratio)));
    pick.apply(RootNode());
    const SoPickedPoint* point = pick.getPickedPoint();
    if (!point) return false;
    const auto* path = static_cast<const SoFullPath*>(point->getPath());
    const SoVRMLAnchor* anchor = nullptr;
    for (int i = path->getLength() - 1; i >= 0 && !anchor; --i) {
        if (path->getNode(i)->isOfType(SoVRMLAnchor::getClassTypeId())) {
            anchor = static_cast<const SoVRMLAnchor*>(path->getNode(i));
        }
    }
    if (!anchor) return false;
    QStringList urls;
    for (int i = 0; i < anchor->url.getNum(); ++i) urls.append(QString::fromUtf8(anchor->url[i].getString()));
    pick.reset();
    FollowLinks(urls);
    return true;
}

void VrmlView::FollowLink(const QString& reference) {
    const WorldLink link = WorldLink::Resolve(worldAddress_, reference);
    if (link.kind == WorldLink::kViewpoint) {
        if (!GoToViewpoint(link.target)) {
            ShowNotice(tr("Link not followed: the world has no viewpoint %1").arg(link.target));
            emit linkRefused(tr("no viewpoint %1").arg(link.target));
        }
        return;
    }
    if (link.kind == WorldLink::kRefused) {
        ShowNotice(tr("Link not followed: %1").arg(link.reason));
        emit linkRefused(link.reason);
        return;
    }
    // Not now: the click or script that asked belongs to the world about to go.
    QTimer::singleShot(0, this, [this, target = link.target] {
        if (LoadVrmlFile(target) < 0) ShowNotice(tr("Link not followed: %1").arg(lastError_));
    });
}

bool VrmlView::GoToViewpoint(const QString& name) {
    SoSearchAction search;
    search.setType(SoVRMLViewpoint::getClassTypeId());
    search.setName(SbName(name.toUtf8().constData()));
    search.setInterest(SoSearchAction::FIRST);
    search.setSearchingAll(TRUE);
    search.apply(Scene());
    SoPath* path = search.getPath();
    if (!path) return false;
    auto* viewpoint = static_cast<SoVRMLViewpoint*>(static_cast<SoFullPath*>(path)->getTail());
    SoGetMatrixAction matrixAction(SbViewportRegion(640, 480));
    matrixAction.apply(path);
    const SbMatrix& m = matrixAction.getMatrix();
    SbVec3f translation, scale, position;
    SbRotation rotation, scaleOrientation;
    m.getTransform(translation, rotation, scale, scaleOrientation);
    m.multVecMatrix(viewpoint->position.getValue(), position);
    navigator_.CancelGoto();
    Camera()->position = position;
    Camera()->orientation = viewpoint->orientation.getValue() * rotation;
    const float fov = viewpoint->fieldOfView.getValue();
    if (fov > 0.01f && fov < 3.1f) Camera()->heightAngle = fov;
    CameraMoved();
    return true;
}

void VrmlView::ShowNotice(const QString& text) {
    qWarning().noquote() << "VRML view:" << text;
    lastWarnings_.append(text);
    ShowDownload(QString(), -1, -1);  // makes the label
    // Wrapped within the view: the reason is what the user needs to read.
    progressLabel_->setWordWrap(true);
    progressLabel_->setFixedWidth(std::min(progressLabel_->fontMetrics().horizontalAdvance(text) + 8, std::max(60, width() - 8)));
    progressLabel_->setText(text);
    progressLabel_->adjustSize();
    progressLabel_->move(4, std::max(0, height() - progressLabel_->height() - 4));
    progressLabel_->show();
    progressLabel_->raise();
    noticeTimer_.setSingleShot(true);
    noticeTimer_.callOnTimeout(progressLabel_, &QLabel::hide, Qt::UniqueConnection);
    noticeTimer_.start(5000);
}
