#include "acquisition/displays/DepthDisplayLogic.h"

#include "platform/Format.h"

namespace zarn {
namespace {

using namespace depthdisplay;

// Millimetres ("%6.2f") or mils ("%d", truncated) of the depth per image line; empty while it is
// not known.
std::string resolutionText(double metresPerLine, bool feet) {
    if (!(metresPerLine > NoResolution))
        return {};
    if (feet)
        return format("%d", saturatedTrunc(metresPerLine * 1000.0 * 0.03937 * 1000.0));
    return format("%6.2f", metresPerLine * 1000.0);
}

double shownLength(double metres, bool feet) {
    return feet ? metres * FeetPerMetre : metres;
}

} // namespace

DepthReadout DepthDisplayLogic::depthReadout(const DepthDisplayInputs& in) {
    DepthReadout out;
    // A replayed record is shown as such even while a logger answers (its status frames carry
    // no sonde values), so replayed values are never drawn in the colour of live ones.
    if (in.replay || in.frameKind < framekind::LoggerStatus) {
        // No logger: only a replayed record has values to show.
        out.colour = Aqua;
        if (!in.replay)
            return out;
        out.depth = format("%8.2f", shownLength(in.depth, in.feet));
        if (in.speed != 0.0)
            out.speed = format("%6.2f", shownLength(in.speed, in.feet));
        out.resolution = resolutionText(in.resolution, in.feet);
        return out;
    }
    out.colour = Yellow;
    const double depth =
        in.depthAsMeasured ? in.depth : in.depth - static_cast<double>(in.sondeLengthCm) / 100.0;
    out.depth = format("%8.2f", shownLength(depth, in.feet));
    out.speed = format("%6.2f", shownLength(in.speed, in.feet));
    if (in.frameKind > 32)
        out.resolution = resolutionText(in.resolution, in.feet);
    return out;
}

OrientationReadout DepthDisplayLogic::orientationReadout(const DepthDisplayInputs& in) {
    const OrientationResult& o = in.orientation;
    OrientationReadout out;
    const auto fill = [&](bool withInclination) {
        out.dialShown = true;
        out.dialAngle = o.OrientedAngle;
        out.gravity = format("%6.3f", o.TotalGravity);
        out.angle = format("%5.1f", o.FieldAngle);
        out.magnetic = format("%6.3f", o.TotalMagnetic);
        out.azimuth = o.AzimuthText.c_str();
        if (withInclination)
            out.inclination = std::string(o.InclinationText.c_str());
    };

    if (in.replay) {
        out.colour = Aqua;
        out.dialShown = true;
        out.dialAngle = o.OrientedAngle;
        if (o.Roll > NoDataLimit)
            fill(true);
        else
            out.inclination = std::string();
        return out;
    }
    if (in.frameKind <= 32) {
        dashesShown_ = false;
        out.blink = OrientationReadout::Blink::Stop;
        out.inclination = std::string();
        return out;
    }
    if (o.Validity != OrientationStatus::Complete && in.orientationMode >= 1) {
        out.dialShown = false;
        if (dashesShown_) {
            out.write = false;
            return out;
        }
        dashesShown_ = true;
        out.blink = OrientationReadout::Blink::Start;
        out.colour = in.orientationMode != 0 ? Yellow : Green;
        out.gravity = out.angle = out.magnetic = out.azimuth = Dashes;
        out.inclination = std::string(Dashes);
        return out;
    }
    dashesShown_ = false;
    out.blink = OrientationReadout::Blink::Stop;
    out.colour = in.orientationMode != 0 ? Yellow : Green;
    if (o.TotalGravity <= NoDataLimit) {
        out.inclination = std::string();
        return out;
    }
    const std::size_t length = o.InclinationText.size();
    fill(in.orientationMode == 0 || (length >= 1 && length <= 9));
    return out;
}

SerialReadout DepthDisplayLogic::serialReadout(bool replay, int serial, bool powerUpDone) {
    SerialReadout out;
    out.text = serial >= 1 ? format("SN: %d", serial) : std::string("SN : -");
    out.replayBackground = replay;
    out.blinking = !replay && (serial < 1 || !powerUpDone);
    return out;
}

UnitLabels DepthDisplayLogic::unitLabels(bool feet) {
    return feet ? UnitLabels{"ft", "ft/min", "mil"} : UnitLabels{"M", "M/min", "mm"};
}

} // namespace zarn
