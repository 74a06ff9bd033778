#include "controls/vrmlview/sensor_pump.h"

#include <Inventor/SoDB.h>
#include <Inventor/SbTime.h>
#include <Inventor/sensors/SoSensorManager.h>

#include <cmath>

SensorPump::SensorPump(QObject* parent) : QObject(parent) {
    timerQueue_.setSingleShot(true);
    // Coarse timers fire early and the queue then spins until the due time.
    timerQueue_.setTimerType(Qt::PreciseTimer);
    delayQueue_.setSingleShot(true);
    connect(&timerQueue_, &QTimer::timeout, this, [this] {
        SoDB::getSensorManager()->processTimerQueue();
        Schedule();
    });
    connect(&delayQueue_, &QTimer::timeout, this, [this] {
        SoDB::getSensorManager()->processDelayQueue(TRUE);
        Schedule();
    });
    SoDB::getSensorManager()->setChangedCallback(&SensorPump::OnChanged, this);
    Schedule();
}

SensorPump::~SensorPump() {
    SoSensorManager* manager = SoDB::getSensorManager();
    if (manager) manager->setChangedCallback(nullptr, nullptr);
}

void SensorPump::OnChanged(void* self) { static_cast<SensorPump*>(self)->Schedule(); }

void SensorPump::Schedule() {
    SoSensorManager* manager = SoDB::getSensorManager();
    SbTime due;
    if (manager->isTimerSensorPending(due)) {
        double ms = std::ceil((due - SbTime::getTimeOfDay()).getValue() * 1000.0);
        timerQueue_.start(ms < 0 ? 0 : static_cast<int>(ms));
    } else {
        timerQueue_.stop();
    }
    if (manager->isDelaySensorPending()) {
        if (!delayQueue_.isActive()) delayQueue_.start(0);
    } else {
        delayQueue_.stop();
    }
}
