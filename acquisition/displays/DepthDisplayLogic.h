// What the depth display (CDepthDlg) and its magnifier (CBigDepth) show: the depth, speed and
// resolution read-outs, the orientation read-outs and the dial, the sonde's serial number and the
// unit labels, from the values of one display tick. Live values from the logger are drawn in
// yellow, values replayed from a log in light aqua. The windows write these texts into their
// counters; the tests drive the logic directly.
#pragma once

#include "acquisition/stream/Orientation.h"
#include "platform/PixelImage.h"

#include <cstdint>
#include <optional>
#include <string>

namespace zarn {

namespace depthdisplay {
inline constexpr std::uint32_t Yellow = pixelOf(255, 255, 0);
inline constexpr std::uint32_t Aqua = pixelOf(160, 255, 255);
inline constexpr std::uint32_t Green = pixelOf(0, 255, 0);
inline constexpr std::uint32_t Red = pixelOf(255, 0, 0);
inline constexpr std::uint32_t Black = pixelOf(0, 0, 0);
inline constexpr std::uint32_t GammaOrange = pixelOf(255, 160, 0);
// The depth per image line when it is not known (before the first rows, after a reset).
inline constexpr double NoResolution = -9999.0;
// Metres to feet, as everywhere depths are shown in feet.
inline constexpr double FeetPerMetre = 3.28083;
// The orientation read-outs while the sonde's orientation is not valid; they blink this fast.
inline constexpr const char* Dashes = "------";
inline constexpr int DashesBlinkSpeed = 2; // every 500 ms
// Below this a total gravity or a replayed roll is no data.
inline constexpr double NoDataLimit = -32767.0;
} // namespace depthdisplay

// The kind of the last logger frame, by the link state it gives.
namespace framekind {
inline constexpr int LoggerStatus = 16; // 20-byte frames: the logger without a sonde
inline constexpr int FullData = 64;     // above 32: full data frames
} // namespace framekind

// The values of one display tick.
struct DepthDisplayInputs {
    int frameKind = 0;            // the link state: below 16 no logger frames
    bool replay = false;          // replayed data is shown
    bool feet = false;            // "SetDepthUnit" not 0
    bool depthAsMeasured = false; // the depth reference: as measured, or less the sonde length
    int sondeLengthCm = 0;
    double depth = 0.0;                             // m, the logger depth
    double speed = 0.0;                             // m/min, signed by the direction
    double resolution = depthdisplay::NoResolution; // m per image line
    OrientationResult orientation;
    int orientationMode = OrientationModes::None;
};

// The depth, speed and resolution read-outs: their texts in their colour.
struct DepthReadout {
    std::uint32_t colour = depthdisplay::Yellow;
    std::string depth;
    std::string speed;
    std::string resolution;
};

// The orientation read-outs and the dial after one tick.
struct OrientationReadout {
    enum class Blink { Keep, Start, Stop };
    // False: the counters keep what they show (the dashes are already there).
    bool write = true;
    Blink blink = Blink::Keep;
    bool dialShown = false;
    double dialAngle = 0.0;
    std::uint32_t colour = depthdisplay::Yellow;
    std::string gravity;  // "%6.3f"
    std::string angle;    // "%5.1f", between the gravity and the magnetic field
    std::string magnetic; // "%6.3f"
    std::string azimuth;
    // None: the inclination counter keeps its text (an inclination text of an unusual length).
    std::optional<std::string> inclination;
};

// The serial number text and how it is drawn.
struct SerialReadout {
    std::string text;
    bool replayBackground = false; // aqua; otherwise the button-face colour
    bool blinking = false;
};

struct UnitLabels {
    const char* depth;
    const char* speed;
    const char* resolution;
};

class DepthDisplayLogic {
public:
    // The depth, speed and resolution of the tick (the magnifier shows the same).
    static DepthReadout depthReadout(const DepthDisplayInputs& in);
    // The orientation read-outs; remembers whether the dashes are shown, so they are written
    // (and start blinking) once until valid data returns.
    OrientationReadout orientationReadout(const DepthDisplayInputs& in);
    bool dashesShown() const { return dashesShown_; }

    // Replay: the serial recorded in the log; live: the selected sonde's, blinking when there is
    // none or while the power-up sequence has not reached its end.
    static SerialReadout serialReadout(bool replay, int serial, bool powerUpDone);
    static UnitLabels unitLabels(bool feet);

private:
    bool dashesShown_ = false;
};

} // namespace zarn
