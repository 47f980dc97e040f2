// What the dial control (CViewMeterCtrl) shows: a needle at an angle in degrees, 0 straight up
// and growing clockwise, drawn from the rim to the centre of a round face as wide as the control.
// The window draws from it; the tests drive it directly.
#pragma once

namespace zarn {

namespace viewmeter {
// The first draw after the control is made comes quickly; later values are drawn together.
inline constexpr int FirstRedrawDelayMs = 20;
inline constexpr int RedrawDelayMs = 100;
inline constexpr int HubRadius = 3;
} // namespace viewmeter

struct MeterPoint {
    double x = 0.0;
    double y = 0.0;
};

class ViewMeterModel {
public:
    // A value from 0 to 360 degrees moves the needle; any other (also one that is not a number)
    // is ignored and gives false.
    [[nodiscard]] bool setValue(double degrees);
    // The needle's angle on the screen, in degrees from the x axis with y pointing down: the
    // value + 270, less 360 above 360. It starts at 270 (up).
    int needleAngle() const { return needleAngle_; }

    // The face of a control clientWidth wide: its radius and centre (r, r), and the needle's
    // outer end.
    static int radiusOf(int clientWidth) { return clientWidth / 2; }
    MeterPoint needleEnd(int clientWidth) const;

    // The delay to draw a new value with: short until the first draw has been made.
    int redrawDelayMs() const {
        return drawn_ ? viewmeter::RedrawDelayMs : viewmeter::FirstRedrawDelayMs;
    }
    void markDrawn() { drawn_ = true; }

private:
    int needleAngle_ = 270;
    bool drawn_ = false;
};

} // namespace zarn
