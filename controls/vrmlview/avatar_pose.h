#pragma once
// Where an avatar stands: position in millimetres and the direction it faces, as the hosts and
// the server pass it. The scene is in metres; y is up and yaw 0 looks towards -z (the
// direction the view looks at yaw 0; avatar models, made facing +z, are turned to match).
#include <Inventor/SbLinear.h>

#include <QMetaType>

#include <cmath>

struct AvatarPose {
    float x = 0, y = 0, z = 0;
    float dx = 0, dy = 0, dz = -1;

    SbVec3f Position() const { return SbVec3f(x / 1000.0f, y / 1000.0f, z / 1000.0f); }
    // Turn about the vertical axis that makes -z face (dx, dz); fallback for a zero direction.
    float Yaw(float fallback = 0) const {
        if (std::fabs(dx) < 1e-6f && std::fabs(dz) < 1e-6f) return fallback;
        return std::atan2(-dx, -dz);
    }
    static AvatarPose From(const SbVec3f& metres, float yaw) {
        AvatarPose pose;
        pose.x = metres[0] * 1000.0f;
        pose.y = metres[1] * 1000.0f;
        pose.z = metres[2] * 1000.0f;
        pose.dx = -std::sin(yaw);
        pose.dy = 0;
        pose.dz = -std::cos(yaw);
        return pose;
    }
    friend bool operator==(const AvatarPose&, const AvatarPose&) = default;
};

Q_DECLARE_METATYPE(AvatarPose)
