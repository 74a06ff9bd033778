#include "controls/vrmlview/avatar.h"

#include "controls/vrmlview/avatar_lod.h"
#include "controls/vrmlview/node_search.h"

#include <Inventor/SbString.h>
#include <Inventor/VRMLnodes/SoVRMLBillboard.h>
#include <Inventor/VRMLnodes/SoVRMLMaterial.h>
#include <Inventor/VRMLnodes/SoVRMLTimeSensor.h>
#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/engines/SoEngine.h>
#include <Inventor/fields/SoField.h>
#include <Inventor/lists/SoFieldList.h>
#include <Inventor/lists/SoPathList.h>
#include <Inventor/SoFullPath.h>
#include <Inventor/nodes/SoBaseColor.h>
#include <Inventor/nodes/SoComplexity.h>
#include <Inventor/nodes/SoCoordinate3.h>
#include <Inventor/nodes/SoFaceSet.h>
#include <Inventor/nodes/SoLightModel.h>
#include <Inventor/nodes/SoMaterial.h>
#include <Inventor/nodes/SoRotation.h>
#include <Inventor/nodes/SoAlphaTest.h>
#include <Inventor/nodes/SoGroup.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoTransparencyType.h>
#include <Inventor/nodes/SoSwitch.h>
#include <Inventor/nodes/SoTexture2.h>
#include <Inventor/nodes/SoTextureCoordinate2.h>
#include <Inventor/nodes/SoTransform.h>
#include <Inventor/nodes/SoTranslation.h>

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

constexpr float kGhostTransparency = AvatarLod::kGhostTransparency;
constexpr float kSeeThroughTransparency = 0.75f;
// A stream of poses glides from one to the next for as long as they are apart; the server sends
// far avatars' poses less often (under a second apart), so the longest glide still covers them.
// After a stop, or for the first pose, a step takes half a second.
constexpr double kShortestGlide = 0.1, kLongestGlide = 1.0, kStartingGlide = 0.5;
constexpr float kTagHeightMetres = 0.28f;

float ShortestTurn(float from, float to) {
    float d = std::fmod(to - from, 2.0f * static_cast<float>(M_PI));
    if (d > M_PI) d -= 2.0f * static_cast<float>(M_PI);
    if (d < -M_PI) d += 2.0f * static_cast<float>(M_PI);
    return d;
}

bool IsGestureCode(const QString& code) {
    if (code.size() != 3 || code[0] != QLatin1Char('a')) return false;
    bool ok = false;
    int n = code.mid(1).toInt(&ok);
    return ok && code[1].isDigit() && code[2].isDigit() && n >= 0 && n <= 15;
}

}  // namespace

Avatar::Avatar(int16_t clientId, const QString& name, int presence, SoSeparator* model, bool standIn,
               float height, const AvatarPose& pose, SoNode* facing)
    : clientId_(clientId), name_(name), presence_(presence), standIn_(standIn), model_(model), height_(height) {
    root_ = new SoSeparator;
    root_->ref();
    // The figure turns with its pose; the name tag only follows its position. Neither gets a
    // cached list: a standing figure's list, compiled after one figure and replayed after
    // another, was found stale and compiled again every frame (twice the cost of drawing).
    root_->renderCaching = SoSeparator::OFF;
    auto* figure = new SoSeparator;
    figure->renderCaching = SoSeparator::OFF;
    detail_ = new SoComplexity;
    detail_->type.setIgnored(TRUE);
    detail_->textureQuality.setIgnored(TRUE);  // the view's texture options still hold
    detail_->value = 0.5f;
    figure->addChild(detail_);
    placement_ = new SoTransform;
    figure->addChild(placement_);
    // Avatar models are made facing +z, as VRML avatars usually are; a pose's direction is the
    // way the face looks, so the model is turned round once here.
    auto* aboutTurn = new SoRotation;
    aboutTurn->rotation = SbRotation(SbVec3f(0, 1, 0), static_cast<float>(M_PI));
    figure->addChild(aboutTurn);
    // Culled by the figure's own box, which stays valid while it walks; one drawing shown.
    auto* body = new SoSeparator;
    body->renderCulling = SoSeparator::ON;
    levels_ = new SoSwitch;
    if (model_) levels_->addChild(model_);
    levels_->whichChild = 0;
    body->addChild(levels_);
    figure->addChild(body);
    root_->addChild(figure);
    tag_ = BuildNameTag(height, facing);
    tagSwitch_ = new SoSwitch;
    tagSwitch_->addChild(tag_);
    tagSwitch_->whichChild = 0;
    root_->addChild(tagSwitch_);
    if (model_) {
        sensors_ = FindAllNodes<SoVRMLTimeSensor>(model_);
        // Gestures play only when asked; a looping sensor would otherwise run from the start.
        for (SoVRMLTimeSensor* sensor : sensors_) sensor->enabled = FALSE;
        SnapshotRestPose();
    }
    MakeTranslucent();
    Place(pose);
}

Avatar::~Avatar() {
    if (gesture_) gesture_->enabled = FALSE;
    root_->unref();
}

void Avatar::SnapshotRestPose() {
    // Every field an animation writes into, with its value before any animation ran. While no
    // gesture plays these connections stay off, so a finished gesture's last values cannot flow
    // back in after the rest pose is restored. Time sensors keep their clock connection.
    for (SoNode* node : FindAllNodes<SoNode>(model_)) {
        if (node->isOfType(SoVRMLTimeSensor::getClassTypeId())) continue;
        SoFieldList fields;
        node->getFields(fields);
        for (int i = 0; i < fields.getLength(); ++i) {
            SoField* field = fields[i];
            if (!field->isConnected()) continue;
            field->enableConnection(FALSE);
            SbString value;
            field->get(value);
            restPose_.emplace_back(field, value.getString());
        }
    }
}

void Avatar::SetAnimationConnections(bool on) {
    for (auto& entry : restPose_) entry.first->enableConnection(on ? TRUE : FALSE);
}

void Avatar::RestoreRestPose() {
    SetAnimationConnections(false);
    for (auto& [field, value] : restPose_) field->set(value.c_str());
}

void Avatar::MakeTranslucent() {
    if (!model_) return;
    const float ghost = presence_ == 2 ? kGhostTransparency : 0.0f;
    for (SoVRMLMaterial* material : FindAllNodes<SoVRMLMaterial>(model_))
        vrmlMaterials_.emplace_back(material, std::max(ghost, material->transparency.getValue()));
    for (SoMaterial* material : FindAllNodes<SoMaterial>(model_)) {
        const int n = std::max(1, material->diffuseColor.getNum());
        std::vector<float> own(n);
        for (int i = 0; i < n; ++i) {
            const int have = material->transparency.getNum();
            const float t = have == 0 ? 0.0f : material->transparency[std::min(i, have - 1)];
            own[i] = std::max(ghost, t);
        }
        materials_.emplace_back(material, std::move(own));
    }
    ApplyTransparency();
}

void Avatar::ApplyTransparency() {
    for (auto& [material, own] : vrmlMaterials_) {
        const float t = seeThrough_ ? std::max(own, kSeeThroughTransparency) : own;
        if (material->transparency.getValue() != t) material->transparency = t;
    }
    for (auto& [material, own] : materials_) {
        for (size_t i = 0; i < own.size(); ++i) {
            const float t = seeThrough_ ? std::max(own[i], kSeeThroughTransparency) : own[i];
            const int index = static_cast<int>(i);
            if (index >= material->transparency.getNum() || material->transparency[index] != t)
                material->transparency.set1Value(index, t);
        }
    }
}

void Avatar::SetDetail(float complexity) {
    // Only real changes: each one rebuilds the figure's cached drawing.
    if (detail_->value.getValue() != complexity) detail_->value = complexity;
}

float Avatar::Detail() const { return detail_->value.getValue(); }

void Avatar::AddLighterLevel(SoSeparator* jointed, SoSeparator* rigid) {
    if (!model_ || !jointed || !rigid) {
        // Both or neither: a figure whose drawing cannot be lighter stays in full.
        for (SoSeparator* figure : {jointed, rigid}) {
            if (!figure) continue;
            figure->ref();
            figure->unref();
        }
        return;
    }
    levels_->addChild(jointed);
    levels_->addChild(rigid);
    ApplyLevel();
}

int Avatar::LighterLevels() const { return model_ ? (levels_->getNumChildren() - 1) / 2 : 0; }

void Avatar::SetLevel(int level) {
    wantedLevel_ = std::max(0, level);
    ApplyLevel();
}

int Avatar::Level() const { return (std::max(0, levels_->whichChild.getValue()) + 1) / 2; }

bool Avatar::ShowsRigid() const {
    const int which = levels_->whichChild.getValue();
    return which > 0 && which % 2 == 0;
}

void Avatar::ApplyLevel() {
    const int level = seeThrough_ ? 0 : std::min(wantedLevel_, LighterLevels());
    // The rigid drawing stands in its rest pose: only while no gesture plays.
    const int which = level == 0 ? 0 : gesture_ ? 2 * level - 1 : 2 * level;
    // Only real changes: each one rebuilds the caches above.
    if (levels_->whichChild.getValue() != which) levels_->whichChild = which;
}

void Avatar::SetTagWanted(bool on) {
    tagWanted_ = on;
    ApplyTag();
}

bool Avatar::TagShown() const { return tagSwitch_->whichChild.getValue() == 0; }

void Avatar::ApplyTag() {
    // The name of whoever stands inside a see-through figure is the one to read.
    const int which = tagWanted_ && !seeThrough_ ? 0 : SO_SWITCH_NONE;
    if (tagSwitch_->whichChild.getValue() != which) tagSwitch_->whichChild = which;
}

void Avatar::SetSeeThrough(bool on) {
    if (seeThrough_ == on) return;
    seeThrough_ = on;
    ApplyTransparency();
    ApplyLevel();
    ApplyTag();
}

QImage Avatar::NameTagImage(const QString& name) {
    QFont font(QStringLiteral("VL PGothic"));
    font.setPixelSize(26);
    font.setBold(true);
    QImage probe(1, 1, QImage::Format_RGBA8888);
    QFontMetrics metrics(font, &probe);  // measured as the image will draw it
    const QString text = name.isEmpty() ? QStringLiteral(" ") : name;
    const int width = std::min(1024, metrics.horizontalAdvance(text) + 24);
    const int height = metrics.height() + 8;
    QImage image(width, height, QImage::Format_RGBA8888);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QPainterPath box;
    box.addRoundedRect(QRectF(0.5, 0.5, width - 1, height - 1), 6, 6);
    painter.fillPath(box, QColor(48, 48, 52));
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 0, width, height), Qt::AlignCenter,
                     painter.fontMetrics().elidedText(text, Qt::ElideRight, width - 8));
    painter.end();
    return image;
}

SoSeparator* Avatar::BuildNameTag(float height, SoNode* facing) const {
    QImage image = NameTagImage(name_);
    auto* tag = new SoSeparator;
    auto* at = new SoTranslation;
    at->translation.connectFrom(&placement_->translation);
    tag->addChild(at);
    auto* lift = new SoTranslation;
    lift->translation.setValue(0, height + 0.25f, 0);
    tag->addChild(lift);
    SoGroup* turned = tag;
    if (facing) {
        tag->addChild(facing);
    } else {
        auto* billboard = new SoVRMLBillboard;
        billboard->axisOfRotation.setValue(0, 0, 0);  // always face the viewer
        tag->addChild(billboard);
        turned = billboard;
    }
    // The tag is drawn solid, its rounded corners cut by the alpha test, so many tags need no
    // sorting by depth. No cached list: a list compiled after one figure's drawing was found
    // stale after another's and compiled again, which cost more than drawing the quad.
    auto* body = new SoSeparator;
    body->renderCaching = SoSeparator::OFF;
    body->renderCulling = SoSeparator::ON;
    turned->addChild(body);
    auto* solid = new SoTransparencyType;
    solid->value = SoTransparencyType::NONE;
    body->addChild(solid);
    auto* cut = new SoAlphaTest;
    cut->function = SoAlphaTest::GREATER;
    cut->value = 0.5f;
    body->addChild(cut);
    // Tags stay readable whatever the scene's texture options are.
    auto* complexity = new SoComplexity;
    complexity->textureQuality = 0.6f;
    body->addChild(complexity);
    auto* lightModel = new SoLightModel;
    lightModel->model = SoLightModel::BASE_COLOR;
    body->addChild(lightModel);
    auto* color = new SoBaseColor;
    color->rgb.setValue(1, 1, 1);
    body->addChild(color);
    auto* texture = new SoTexture2;
    // Coin wants the bottom row first.
    QImage flipped = image.mirrored(false, true);
    texture->image.setValue(SbVec2s(static_cast<short>(flipped.width()), static_cast<short>(flipped.height())), 4,
                            flipped.constBits());
    texture->model = SoTexture2::MODULATE;
    texture->wrapS = SoTexture2::CLAMP;
    texture->wrapT = SoTexture2::CLAMP;
    body->addChild(texture);
    const float h = kTagHeightMetres;
    const float w = h * image.width() / std::max(1, image.height());
    auto* coords = new SoCoordinate3;
    const SbVec3f corners[4] = {{-w / 2, 0, 0}, {w / 2, 0, 0}, {w / 2, h, 0}, {-w / 2, h, 0}};
    coords->point.setValues(0, 4, corners);
    body->addChild(coords);
    auto* texCoords = new SoTextureCoordinate2;
    const SbVec2f uv[4] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    texCoords->point.setValues(0, 4, uv);
    body->addChild(texCoords);
    auto* face = new SoFaceSet;
    face->numVertices.setValue(4);
    body->addChild(face);
    return tag;
}

SbVec3f Avatar::ShownPosition() const { return placement_->translation.getValue(); }

float Avatar::ShownYaw() const {
    SbVec3f axis;
    float angle = 0;
    placement_->rotation.getValue().getValue(axis, angle);
    return axis[1] < 0 ? -angle : angle;
}

void Avatar::Place(const AvatarPose& pose) {
    target_ = pose;
    gliding_ = false;
    from_ = to_ = pose.Position();
    fromYaw_ = toYaw_ = pose.Yaw(toYaw_);
    placement_->translation = to_;
    placement_->rotation = SbRotation(SbVec3f(0, 1, 0), toYaw_);
}

void Avatar::MoveTo(const AvatarPose& pose, double now) {
    // Glide for about as long as poses are apart, so a stream of poses reads as one walk.
    double since = lastMove_ < 0 ? kStartingGlide : now - lastMove_;
    if (since > kLongestGlide) since = kStartingGlide;
    lastMove_ = now;
    from_ = ShownPosition();
    fromYaw_ = ShownYaw();
    target_ = pose;
    to_ = pose.Position();
    toYaw_ = fromYaw_ + ShortestTurn(fromYaw_, pose.Yaw(fromYaw_));
    glideStart_ = now;
    glideLength_ = std::clamp(since, kShortestGlide, kLongestGlide);
    gliding_ = true;
}

bool Avatar::HasGesture(const QString& code) const {
    if (!IsGestureCode(code)) return false;
    const SbName name(code.toLatin1().constData());
    return std::any_of(sensors_.begin(), sensors_.end(),
                       [&](SoVRMLTimeSensor* s) { return s->getName() == name; });
}

bool Avatar::StartGesture(const QString& code, double now) {
    if (!IsGestureCode(code)) return false;
    const SbName name(code.toLatin1().constData());
    auto it = std::find_if(sensors_.begin(), sensors_.end(),
                           [&](SoVRMLTimeSensor* s) { return s->getName() == name; });
    if (it == sensors_.end()) return false;
    if (gesture_) EndGesture();
    SoVRMLTimeSensor* sensor = *it;
    double cycle = sensor->cycleInterval.getValue().getValue();
    if (!(cycle > 0) || cycle > 60) cycle = 1.0;
    // One cycle, even for a sensor the model marks as looping.
    sensor->startTime = SbTime(now);
    sensor->stopTime = SbTime(now + cycle);
    sensor->enabled = TRUE;
    SetAnimationConnections(true);
    gesture_ = sensor;
    gestureEnd_ = now + cycle;
    ApplyLevel();
    return true;
}

void Avatar::EndGesture() {
    if (!gesture_) return;
    gesture_->enabled = FALSE;
    gesture_ = nullptr;
    RestoreRestPose();
    ApplyLevel();
}

bool Avatar::Advance(double now) {
    if (gliding_) {
        double t = glideLength_ > 0 ? (now - glideStart_) / glideLength_ : 1.0;
        if (t >= 1.0) {
            t = 1.0;
            gliding_ = false;
        }
        const float f = static_cast<float>(t);
        placement_->translation = from_ + (to_ - from_) * f;
        placement_->rotation = SbRotation(SbVec3f(0, 1, 0), fromYaw_ + (toYaw_ - fromYaw_) * f);
    }
    // The last tick may jump past the cycle's end without ever sending fraction 1, so the
    // rest pose is put back here rather than trusted to the animation.
    if (gesture_ && now >= gestureEnd_) {
        EndGesture();
    }
    return gliding_ || gesture_ != nullptr;
}
