#pragma once
// Drives Coin's sensor queues from the Qt event loop (no SoQt for Qt 6 here): one precise
// single-shot timer for the timer queue, one zero timer for the delay queue.
#include <QObject>
#include <QTimer>

class SensorPump : public QObject {
    Q_OBJECT
public:
    explicit SensorPump(QObject* parent = nullptr);
    ~SensorPump() override;
    // Re-arms both timers from the sensor manager's state.
    void Schedule();

private:
    static void OnChanged(void* self);
    QTimer timerQueue_;
    QTimer delayQueue_;
};
