#pragma once
// Moves the camera the way the user asks: walk, pan, turn, roll, study (orbit round the centre
// of interest) and goto (glide towards a clicked point), at one of five speeds, optionally
// stopped by scene geometry.
#include <Inventor/SbLinear.h>
#include <Inventor/SbRotation.h>

#include <functional>

class SoPerspectiveCamera;

class ViewNavigator {
public:
    enum Mode { kWalk = 0, kPan = 1, kTurn = 2, kRoll = 3, kStudy = 4, kGoto = 5 };
    enum Key { kNone, kUp, kDown, kLeft, kRight, kPageUp, kPageDown };
    // True when moving the eye from one point to another would pass through something.
    using BlockTest = std::function<bool(const SbVec3f& from, const SbVec3f& to)>;

    explicit ViewNavigator(SoPerspectiveCamera* camera) : camera_(camera) {}

    bool SetMode(int mode);
    int Mode() const { return mode_; }
    bool SetSpeed(int speed);
    int Speed() const { return speed_; }
    // The scene's walking speed in metres a second (speed 2 walks at it).
    void SetBaseSpeed(float metresPerSecond);
    // How fast the user walks now, in metres a second: the scene's speed at the chosen setting.
    float MetresPerSecond() const { return baseSpeed_ * Factor(); }
    void SetBlockTest(BlockTest test) { blocked_ = std::move(test); }
    void SetCollision(bool on) { collision_ = on; }
    bool Collision() const { return collision_; }

    // One key press (or auto-repeat); true when the camera moved.
    bool PressKey(Key key);
    // A mouse drag by (dx, dy) pixels; true when the camera moved.
    bool Drag(float dx, float dy);
    // Starts a glide towards a point (goto); the glide runs in Advance.
    void StartGoto(const SbVec3f& point);
    bool GotoRunning() const { return gotoRunning_; }
    // Advances a goto glide by dt seconds; true when the camera moved.
    bool Advance(double dt);
    void CancelGoto() { gotoRunning_ = false; }
    // Levels the view: keeps the heading, drops pitch and roll.
    void StraightUp();

    // Horizontal heading of the camera (turn about y; 0 looks along -z).
    float Heading() const;

private:
    float Factor() const;
    float Step() const;
    float AngleStep() const;
    bool Translate(const SbVec3f& delta, bool checked);
    void Rotate(const SbRotation& local);
    void RotateWorld(const SbRotation& world);
    void Orbit(float yaw, float pitch);
    SbVec3f Forward() const;
    SbVec3f Right() const;
    SbVec3f Up() const;

    SoPerspectiveCamera* camera_;
    int mode_ = kWalk;
    int speed_ = 2;
    float baseSpeed_ = 1.0f;
    bool collision_ = false;
    BlockTest blocked_;
    bool gotoRunning_ = false;
    SbVec3f gotoTarget_;
};
