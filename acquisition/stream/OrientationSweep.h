// The orientation angle of the rows of successive mode-16 payloads: each payload carries one
// oriented angle (the target), and its eight rows turn evenly from the angle of the payload
// before to that target, the short way across north, so that the image does not jump.
#pragma once

namespace zarn {

class OrientationSweep {
public:
    static constexpr int RowsPerPayload = 8;

    // The next payload starts afresh at its own target (after a restart of the display).
    void restart() { firstPayload_ = true; }
    bool firstPayload() const { return firstPayload_; }

    // Starts the rows of a payload whose oriented angle is target.
    //  - first payload: the rows stay at the target;
    //  - a target of 360 is 0; one outside [0, 360] or not finite keeps the angle reached;
    //  - the step is an eighth of the way; crossing north between the first and the fourth
    //    quarter (one angle below 90, the other above 270) it goes the short way through 360.
    // withoutOrientation (the calibration views): the rows are not turned, and the next payload
    // starts afresh.
    void begin(double target, bool withoutOrientation = false);
    // The angle of the next row: one step further, in [0, 360).
    double nextRow();
    // After the rows: the angle reached is the payload's target.
    void finish() { current_ = target_; }

    double current() const { return current_; }
    double step() const { return step_; }
    double target() const { return target_; }

private:
    bool firstPayload_ = true;
    double current_ = 0; // the angle of the last row drawn ("A0")
    double step_ = 0;
    double target_ = 0; // the payload's oriented angle ("A1")
};

} // namespace zarn
