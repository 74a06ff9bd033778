#include "controls/worldview/world_view_widget.h"

#include "controls/vrmlview/scene_loader.h"

#include <Inventor/SbBox.h>
#include <Inventor/SbViewportRegion.h>
#include <Inventor/actions/SoGetBoundingBoxAction.h>
#include <Inventor/nodes/SoPerspectiveCamera.h>
#include <Inventor/nodes/SoRotation.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoTranslation.h>

#include <algorithm>
#include <cmath>

namespace {
constexpr float kTurnPerSecond = 0.6f;  // about ten seconds a turn
constexpr int kFrameMs = 40;
}  // namespace

WorldViewWidget::WorldViewWidget(QWidget* parent) : CoinView(parent) {
    spin_.setTimerType(Qt::PreciseTimer);
    connect(&spin_, &QTimer::timeout, this, &WorldViewWidget::Step);
}

WorldViewWidget::~WorldViewWidget() = default;

bool WorldViewWidget::ShowFile(const QString& path) {
    shownPath_ = path;
    QString error;
    SoSeparator* model = SceneLoader::Load(path, &error);
    if (!model) {
        hasModel_ = false;
        turn_ = nullptr;
        spin_.stop();
        SetScene(nullptr);
        return false;
    }
    SoGetBoundingBoxAction boxAction(SbViewportRegion(200, 178));
    boxAction.apply(model);
    SbBox3f box = boxAction.getBoundingBox();
    SbVec3f centre(0, 0, 0);
    float radius = 1.0f;
    if (!box.isEmpty()) {
        centre = box.getCenter();
        float dx, dy, dz;
        box.getSize(dx, dy, dz);
        radius = std::max(0.05f, 0.5f * std::sqrt(dx * dx + dy * dy + dz * dz));
    }
    // Turn about the model's own middle: centre it, then turn.
    auto* holder = new SoSeparator;
    holder->ref();
    turn_ = new SoRotation;
    auto* shift = new SoTranslation;
    shift->translation = -centre;
    holder->addChild(turn_);
    holder->addChild(shift);
    holder->addChild(model);
    model->unref();
    SetScene(holder);
    angle_ = 0;
    SoPerspectiveCamera* camera = Camera();
    const float half = camera->heightAngle.getValue() / 2.0f;
    const float distance = radius / std::sin(half) * 1.05f;
    camera->position.setValue(0, 0, distance);
    camera->orientation = SbRotation::identity();
    camera->focalDistance = distance;
    hasModel_ = true;
    clock_.restart();
    spin_.start(kFrameMs);
    return true;
}

void WorldViewWidget::Step() {
    if (!turn_) return;
    const double seconds = clock_.isValid() ? clock_.restart() / 1000.0 : kFrameMs / 1000.0;
    angle_ = std::fmod(angle_ + kTurnPerSecond * static_cast<float>(seconds), 2.0f * static_cast<float>(M_PI));
    turn_->rotation = SbRotation(SbVec3f(0, 1, 0), angle_);
}
