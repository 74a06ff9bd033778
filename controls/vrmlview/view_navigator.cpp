#include "controls/vrmlview/view_navigator.h"

#include <Inventor/nodes/SoPerspectiveCamera.h>

#include <algorithm>
#include <cmath>

namespace {
constexpr float kSpeedFactors[5] = {0.25f, 0.5f, 1.0f, 2.0f, 4.0f};
// One key press moves as far as a quarter second of walking.
constexpr float kKeySeconds = 0.25f;
constexpr float kKeyDegrees = 5.0f;
constexpr float kDragMetresPerPixel = 0.02f;
constexpr float kDragRadiansPerPixel = 0.005f;
// A goto stops short of the surface it aims at.
constexpr float kGotoStopShort = 0.25f;
}  // namespace

bool ViewNavigator::SetMode(int mode) {
    if (mode < kWalk || mode > kGoto) return false;
    mode_ = mode;
    gotoRunning_ = false;
    return true;
}

bool ViewNavigator::SetSpeed(int speed) {
    if (speed < 0 || speed > 4) return false;
    speed_ = speed;
    return true;
}

void ViewNavigator::SetBaseSpeed(float metresPerSecond) {
    baseSpeed_ = metresPerSecond > 0 && metresPerSecond < 1000 ? metresPerSecond : 1.0f;
}

float ViewNavigator::Factor() const { return kSpeedFactors[speed_]; }
float ViewNavigator::Step() const { return baseSpeed_ * Factor() * kKeySeconds * 2.0f; }
float ViewNavigator::AngleStep() const {
    return kKeyDegrees * static_cast<float>(M_PI) / 180.0f * std::sqrt(Factor());
}

SbVec3f ViewNavigator::Forward() const {
    SbVec3f v;
    camera_->orientation.getValue().multVec(SbVec3f(0, 0, -1), v);
    return v;
}
SbVec3f ViewNavigator::Right() const {
    SbVec3f v;
    camera_->orientation.getValue().multVec(SbVec3f(1, 0, 0), v);
    return v;
}
SbVec3f ViewNavigator::Up() const {
    SbVec3f v;
    camera_->orientation.getValue().multVec(SbVec3f(0, 1, 0), v);
    return v;
}

float ViewNavigator::Heading() const {
    SbVec3f f = Forward();
    if (std::fabs(f[0]) < 1e-6f && std::fabs(f[2]) < 1e-6f) {
        SbVec3f u = Up();  // looking straight down or up: the top of the view points ahead
        f = f[1] < 0 ? u : -u;
    }
    return std::atan2(-f[0], -f[2]);
}

bool ViewNavigator::Translate(const SbVec3f& delta, bool checked) {
    if (delta.length() < 1e-7f) return false;
    SbVec3f from = camera_->position.getValue();
    SbVec3f to = from + delta;
    if (checked && collision_ && blocked_ && blocked_(from, to)) return false;
    camera_->position = to;
    return true;
}

void ViewNavigator::Rotate(const SbRotation& local) {
    // About the camera's own axes: applied before the current orientation.
    camera_->orientation = local * camera_->orientation.getValue();
}

void ViewNavigator::RotateWorld(const SbRotation& world) {
    camera_->orientation = camera_->orientation.getValue() * world;
}

void ViewNavigator::Orbit(float yaw, float pitch) {
    const float distance = std::max(0.1f, camera_->focalDistance.getValue());
    const SbVec3f centre = camera_->position.getValue() + Forward() * distance;
    SbRotation turn = SbRotation(Right(), pitch) * SbRotation(SbVec3f(0, 1, 0), yaw);
    camera_->orientation = camera_->orientation.getValue() * turn;
    camera_->position = centre - Forward() * distance;
}

bool ViewNavigator::PressKey(Key key) {
    if (key == kNone) return false;
    gotoRunning_ = false;
    const float step = Step();
    const float angle = AngleStep();
    SbVec3f flatForward = Forward();
    flatForward[1] = 0;
    if (flatForward.length() < 1e-6f) {
        const float h = Heading();
        flatForward.setValue(-std::sin(h), 0, -std::cos(h));
    }
    flatForward.normalize();
    const SbVec3f up(0, 1, 0);
    // Page Up/Down rise and sink in every mode but study, where they zoom.
    if (key == kPageUp || key == kPageDown) {
        const float sign = key == kPageUp ? 1.0f : -1.0f;
        if (mode_ == kStudy) {
            float distance = camera_->focalDistance.getValue();
            float move = std::min(step, distance * 0.5f) * sign;
            camera_->focalDistance = std::max(0.1f, distance - move);
            return Translate(Forward() * move, false);
        }
        return Translate(up * step * sign, true);
    }
    const bool vertical = key == kUp || key == kDown;
    const float sign = (key == kUp || key == kRight) ? 1.0f : -1.0f;
    switch (mode_) {
        case kWalk:
        case kGoto:
            if (vertical) return Translate(flatForward * step * sign, true);
            RotateWorld(SbRotation(up, -sign * angle));
            return true;
        case kPan:
            if (vertical) return Translate(Up() * step * sign, true);
            return Translate(Right() * step * sign, true);
        case kTurn:
            if (vertical) Rotate(SbRotation(SbVec3f(1, 0, 0), sign * angle));
            else RotateWorld(SbRotation(up, -sign * angle));
            return true;
        case kRoll:
            if (vertical) return Translate(Forward() * step * sign, true);
            Rotate(SbRotation(SbVec3f(0, 0, -1), sign * angle));
            return true;
        case kStudy:
            if (vertical) Orbit(0, -sign * angle);
            else Orbit(sign * angle, 0);
            return true;
    }
    return false;
}

bool ViewNavigator::Drag(float dx, float dy) {
    if (dx == 0 && dy == 0) return false;
    gotoRunning_ = false;
    const float metres = baseSpeed_ * Factor() * kDragMetresPerPixel;
    const float radians = kDragRadiansPerPixel * std::sqrt(Factor());
    SbVec3f flatForward = Forward();
    flatForward[1] = 0;
    if (flatForward.length() > 1e-6f) flatForward.normalize();
    switch (mode_) {
        case kWalk:
        case kGoto: {
            if (dx != 0) RotateWorld(SbRotation(SbVec3f(0, 1, 0), -dx * radians));
            bool moved = Translate(flatForward * (-dy * metres), true);
            return moved || dx != 0;
        }
        case kPan:
            return Translate(Right() * (-dx * metres) + Up() * (dy * metres), true);
        case kTurn:
            RotateWorld(SbRotation(SbVec3f(0, 1, 0), -dx * radians));
            Rotate(SbRotation(SbVec3f(1, 0, 0), -dy * radians));
            return true;
        case kRoll: {
            Rotate(SbRotation(SbVec3f(0, 0, -1), dx * radians));
            bool moved = Translate(Forward() * (-dy * metres), true);
            return moved || dx != 0;
        }
        case kStudy:
            Orbit(-dx * radians, -dy * radians);
            return true;
    }
    return false;
}

void ViewNavigator::StartGoto(const SbVec3f& point) {
    gotoTarget_ = point;
    gotoRunning_ = true;
    SbVec3f toward = point - camera_->position.getValue();
    float distance = toward.length();
    if (distance < 1e-4f) {
        gotoRunning_ = false;
        return;
    }
    // Face the point without rolling the view.
    toward /= distance;
    const float yaw = std::atan2(-toward[0], -toward[2]);
    const float pitch = std::asin(std::clamp(toward[1], -1.0f, 1.0f));
    camera_->orientation = SbRotation(SbVec3f(1, 0, 0), pitch) * SbRotation(SbVec3f(0, 1, 0), yaw);
    camera_->focalDistance = distance;
}

bool ViewNavigator::Advance(double dt) {
    if (!gotoRunning_) return false;
    SbVec3f toward = gotoTarget_ - camera_->position.getValue();
    float remaining = toward.length() - kGotoStopShort;
    if (remaining <= 0.01f) {
        gotoRunning_ = false;
        return false;
    }
    // Cover the way in about a second, easing in at the end.
    float move = std::max(static_cast<float>(dt) * std::max(remaining * 3.0f, baseSpeed_ * Factor()), 0.005f);
    move = std::min(move, remaining);
    toward.normalize();
    if (!Translate(toward * move, true)) {
        gotoRunning_ = false;
        return false;
    }
    camera_->focalDistance = std::max(0.1f, remaining - move + kGotoStopShort);
    if (remaining - move <= 0.01f) gotoRunning_ = false;
    return true;
}

void ViewNavigator::StraightUp() {
    const float heading = Heading();
    camera_->orientation = SbRotation(SbVec3f(0, 1, 0), heading);
}
