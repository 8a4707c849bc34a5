#pragma once

namespace mw {

class UIAccelerometer;

// One accelerometer reading, in units of g along the device's axes.
struct UIAcceleration {
    double x = 0, y = 0, z = 0;
    double timestamp = 0;
};

// Receives the readings of the shared accelerometer.
class UIAccelerometerDelegate {
public:
    virtual ~UIAccelerometerDelegate() = default;
    virtual void accelerometer(UIAccelerometer* accelerometer, const UIAcceleration& acceleration) {}
};

// The device's accelerometer. This machine has none: nothing produces
// readings, so a delegate is never called unless a test or a future input
// source feeds one in through deliver().
class UIAccelerometer {
public:
    // The one accelerometer, made on first use.
    static UIAccelerometer* sharedAccelerometer();
    // Drops the shared accelerometer (and with it the delegate); the next
    // sharedAccelerometer() makes a fresh one.
    static void purgeSharedAccelerometer();

    // The delegate is not owned; it must clear itself before it goes away
    // (layers do so in onExit).
    UIAccelerometerDelegate* delegate() const { return delegate_; }
    void setDelegate(UIAccelerometerDelegate* delegate) { delegate_ = delegate; }

    // Hands a reading to the delegate, if any.
    void deliver(const UIAcceleration& acceleration)
    {
        if (delegate_) delegate_->accelerometer(this, acceleration);
    }

private:
    UIAccelerometerDelegate* delegate_ = nullptr;
};

} // namespace mw
