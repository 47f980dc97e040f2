#include "acquisition/stream/ToolsBmp.h"

#include "acquisition/stream/FrameFields.h"
#include "platform/UserMessages.h"
#include "platform/imaging/PngFile.h"

#include <algorithm>
#include <cmath>

namespace zarn {

namespace {

class NoHost : public ImageRowHost {};
NoHost noHost;

bool validWidth(int pixelsPerRow) {
    return pixelsPerRow >= 1 && pixelsPerRow <= MaxPixelsPerRow;
}

bool calibrationView(int viewMode) {
    return viewMode >= 1 && viewMode <= 3;
}

// The sonde's frame period byte reads 1 on the first payload of a camera picture.
constexpr int NewPictureFramePeriod = 1;

} // namespace

CToolsBmp::CToolsBmp(ImageRowHost* host, MessageBus& bus)
    : host_(host ? *host : noHost), bus_(bus) {}

// ---------------------------------------------------------------------------------------------
// The window's side

bool CToolsBmp::DrawImageBuffer(int rowWidth, int scaleWidth, int visibleHeight) {
    bool created = false;
    {
        std::lock_guard lock(imageMutex_);
        created = memory_.create(rowWidth, visibleHeight);
        if (created) {
            scaleGeometry_.firstColumn = ImageMemory::FirstStripColumn;
            scaleGeometry_.labelCentre = scaleWidth / 2 + DisplayImageColumns;
            clearLocked();
        }
    }
    if (!created)
        showMessage(CreateErrorText, MessageIcon::Error);
    return created;
}

void CToolsBmp::FreeImageBuffer() {
    std::lock_guard lock(imageMutex_);
    memory_.release();
}

void CToolsBmp::clearLocked() {
    memory_.clear(DepthScale::Background);
    writePosition_ = FirstWritePosition;
    depthScale_.restart();
    rowsSinceCopy_ = 0;
}

void CToolsBmp::ClearImage() {
    std::lock_guard lock(imageMutex_);
    clearLocked();
}

void CToolsBmp::RestartDisplay() {
    ClearImage();
    requests_.fetch_or(RestartOrientation | ForgetDepth);
}

void CToolsBmp::ResetDepth() {
    requests_.fetch_or(ForgetDepth);
}

void CToolsBmp::setSettings(const ImageRowSettings& settings) {
    settings_.publish(settings);
}

ImageRowSettings CToolsBmp::settings() const {
    return settings_.snapshot();
}

int CToolsBmp::rowWidth() const {
    std::lock_guard lock(imageMutex_);
    return memory_.rowWidth();
}

int CToolsBmp::visibleHeight() const {
    std::lock_guard lock(imageMutex_);
    return memory_.visibleHeight();
}

int CToolsBmp::bandStartLocked(int rows) const {
    const int h = memory_.visibleHeight();
    int first = 0;
    if (calibrationBand_)
        first = 2 * h;
    else if (rowDirection_ != 0)
        first = writePosition_ - rows + 1; // ends at the newest row
    else
        first = writePosition_; // starts at it
    return memory_.bandStart(first, rows);
}

bool CToolsBmp::ShowImage(PixelImage& window, bool forced) {
    const int refreshRows = settings_.snapshot().refreshRows;
    std::lock_guard lock(imageMutex_);
    if (!memory_.valid() || (!forced && rowsSinceCopy_ <= refreshRows))
        return false;
    const int h = memory_.visibleHeight();
    const int rows = window.height() < 1 ? h : std::min(window.height(), h);
    if (window.width() != memory_.rowWidth() || window.height() != rows)
        window.resize(memory_.rowWidth(), rows);
    memory_.copyBand(bandStartLocked(rows), window);
    rowsSinceCopy_ = 0;
    return true;
}

bool CToolsBmp::CopyRow(int position, std::span<std::uint32_t> out) const {
    std::lock_guard lock(imageMutex_);
    if (!memory_.valid() || position < 0 || position >= memory_.height())
        return false;
    const std::uint32_t* row = memory_.view().row(position);
    const std::size_t n = std::min(out.size(), static_cast<std::size_t>(memory_.rowWidth()));
    std::copy(row, row + n, out.begin());
    return true;
}

PixelImage CToolsBmp::CopyImageMemory() const {
    PixelImage copy;
    std::lock_guard lock(imageMutex_);
    if (memory_.valid()) {
        copy.resize(memory_.rowWidth(), memory_.height());
        memory_.copyBand(0, copy);
    }
    return copy;
}

bool CToolsBmp::SaveImage(const std::filesystem::path& path, std::string* error) const {
    const PixelImage copy = CopyImageMemory(); // the file is written outside the lock
    return savePng(path, copy.view(), error);
}

bool CToolsBmp::SaveVisibleBand(const std::filesystem::path& path, std::string* error) const {
    PixelImage band;
    {
        std::lock_guard lock(imageMutex_);
        if (memory_.valid()) {
            band.resize(memory_.rowWidth(), memory_.visibleHeight());
            memory_.copyBand(bandStartLocked(band.height()), band);
        }
    }
    return savePng(path, band.view(), error);
}

// ---------------------------------------------------------------------------------------------
// Payload entries

CToolsBmp::PayloadContext CToolsBmp::beginPayload(int width, int direction,
                                                  const MeasurementRecord& record) {
    const unsigned requests = requests_.exchange(0);
    if (requests & RestartOrientation)
        sweep_.restart();
    if (requests & ForgetDepth)
        lastDrawnDepth_ = NoDepth;

    PayloadContext context;
    context.direction = direction != 0 ? 1 : 0;
    context.width = width;
    context.resolutionCode = record.ResolutionCode;
    context.viewMode = record.ViewMode;
    context.newPicture = record.SondeStatus.FramePeriod == NewPictureFramePeriod;
    context.settings = settings_.snapshot();
    return context;
}

// The rows of a payload are spread from the last drawn depth towards the frame's image depth.
double CToolsBmp::depthStep(double imageDepth, double fraction) {
    // A depth that is not a number would stay in the interpolation for good: such a frame is
    // drawn at the last depth.
    if (!std::isfinite(imageDepth))
        return 0.0;
    if (lastDrawnDepth_ == NoDepth)
        lastDrawnDepth_ = imageDepth;
    return (imageDepth - lastDrawnDepth_) * fraction;
}

void CToolsBmp::DrawDpcmPayload(std::span<const std::uint8_t> payload, int pixelsPerRow,
                                int direction, int parameter, const MeasurementRecord& record) {
    if (!validWidth(pixelsPerRow))
        return;
    PayloadContext context = beginPayload(pixelsPerRow, direction, record);
    // An unsupported parameter has been shown to the operator; the payload is decoded with the
    // parameters in force.
    static_cast<void>(SelectDpcmParameters(parameter));
    InitBitReader(payload);
    // The width was checked above and the buffer holds the rows of the widest.
    static_cast<void>(DecodeDpcmPair(decoded_, pixelsPerRow));

    const double step = depthStep(record.ImageDepth, 0.5);
    const auto width = static_cast<std::size_t>(pixelsPerRow);
    for (std::size_t r = 0; r < static_cast<std::size_t>(kDpcmRows); ++r) {
        drawRow(std::span<const std::uint32_t>(decoded_).subspan(r * width, width), pixelsPerRow,
                0.0, step, context);
        context.newPicture = false;
    }
}

void CToolsBmp::DrawDctPayload(std::span<const std::uint8_t> payload, int pixelsPerRow,
                               int direction, int parameter, const MeasurementRecord& record) {
    if (!validWidth(pixelsPerRow))
        return;
    PayloadContext context = beginPayload(pixelsPerRow, direction, record);
    host_.showGamma(record.Gamma);
    InitBitReader(payload);
    // An unsupported parameter has been shown to the operator; the payload is decoded with the
    // parameters in force.
    static_cast<void>(SelectDctParameters(parameter));
    BuildDctTables();
    SetShutterFactor(record.ShutterFactor);
    // The width was checked above and the buffer holds the rows of the widest.
    static_cast<void>(DecodeDctStrip(decoded_, pixelsPerRow));
    bus_.post(Role::ColourCalibrationPage, command(Cmd::ReadBackRefresh));
    drawOrientedRows(decoded_, pixelsPerRow, record, context);
}

void CToolsBmp::DrawDctRows(std::span<const std::uint32_t> rows, int pixelsPerRow, int direction,
                            const MeasurementRecord& record) {
    if (!validWidth(pixelsPerRow) ||
        rows.size() < static_cast<std::size_t>(kDctRows) * static_cast<std::size_t>(pixelsPerRow))
        return;
    PayloadContext context = beginPayload(pixelsPerRow, direction, record);
    host_.showGamma(record.Gamma);
    drawOrientedRows(rows, pixelsPerRow, record, context);
}

void CToolsBmp::drawOrientedRows(std::span<const std::uint32_t> rows, int width,
                                 const MeasurementRecord& record, PayloadContext& context) {
    sweep_.begin(record.Orientation.OrientedAngle,
                 context.viewMode != 0 && context.settings.technicalTools);
    const double step = depthStep(record.ImageDepth, 0.125);
    const auto w = static_cast<std::size_t>(width);
    for (std::size_t r = 0; r < static_cast<std::size_t>(kDctRows); ++r) {
        drawRow(rows.subspan(r * w, w), width, sweep_.nextRow(), step, context);
        context.newPicture = false;
    }
    sweep_.finish();
}

void CToolsBmp::DrawBlankPayload(int pixelsPerRow, int direction, const MeasurementRecord& record) {
    if (!validWidth(pixelsPerRow))
        return;
    PayloadContext context = beginPayload(pixelsPerRow, direction, record);
    host_.showGamma(record.Gamma);
    const auto width = static_cast<std::size_t>(pixelsPerRow);
    std::fill_n(decoded_.begin(), width, 0u);
    const double step = depthStep(record.ImageDepth, 0.125);
    for (int r = 0; r < kDctRows; ++r) {
        drawRow(std::span<const std::uint32_t>(decoded_).first(width), pixelsPerRow, 0.0, step,
                context);
        context.newPicture = false;
    }
}

// ---------------------------------------------------------------------------------------------
// Rows

void CToolsBmp::drawRow(std::span<const std::uint32_t> source, int width, double angle,
                        double depthStep, PayloadContext& context) {
    // The row as it goes into the memory. Circle mode shifts only the pixels it shows, on the
    // way into the memory; the calibration views show the whole row and need it turned first.
    RowSource row{source.data(), nullptr};
    if (calibrationView(context.viewMode)) {
        if (angle != 0.0)
            RotateRow(angle, source, rowBuffer_, width);
        else
            std::copy(source.begin(), source.end(), rowBuffer_.begin());
        row.pixels = rowBuffer_.data();
    } else if (angle != 0.0) {
        shift_.set(angle, width);
        row.shift = &shift_;
    }

    // Turning round while not recording starts a new picture.
    if (context.direction != lastDirection_) {
        if (!host_.recordingActive()) {
            ClearImage();
            sweep_.restart();
            host_.imageCleared();
        }
        lastDirection_ = context.direction;
    }

    DrawnRow drawn;
    drawn.direction = context.direction;
    drawn.depth = lastDrawnDepth_;
    drawn.depthStep = depthStep;
    drawn.angle = angle;
    drawn.resolutionCode = context.resolutionCode;
    DrawLineOfPixel(context, row, lastDrawnDepth_, drawn);
    host_.rowDrawn(drawn);
    lastDrawnDepth_ += depthStep;
}

void CToolsBmp::DrawLineOfPixel(PayloadContext& context, const RowSource& row, double depth,
                                DrawnRow& drawn) {
    bus_.post(Role::ProbePage, privateMessage(Cmd::ImageRowDrawn, context.resolutionCode));

    std::lock_guard lock(imageMutex_);
    if (!memory_.valid())
        return;
    const int height = memory_.height();
    const int h = memory_.visibleHeight();
    const bool calibration = calibrationView(context.viewMode);
    int next = 0;
    if (calibration) {
        // Whole camera pictures, top down, in the band the window shows in these views.
        next = context.newPicture ? 2 * h : writePosition_ + 1;
        if (next < 2 * h || next >= height)
            next = 2 * h;
    } else if (context.direction != 0) {
        next = writePosition_ + 1;
        if (next >= height) {
            // The last screenful (and a margin) goes to the top and the rows go on below it.
            memory_.copyRows(height - h - ScrollMargin, 0, h + ScrollMargin);
            next = h + ScrollMargin;
        }
    } else {
        next = writePosition_ - 1;
        if (next < 0) {
            memory_.copyRows(0, height - h - ScrollMargin, h + ScrollMargin);
            next = height - h - ScrollMargin - 1;
        }
    }
    writePosition_ = next;
    rowDirection_ = context.direction;
    calibrationBand_ = calibration;
    ++rowsSinceCopy_;
    drawn.position = next;
    CreatePixelRow(next, row, depth * 10000.0, context);
}

void CToolsBmp::CreatePixelRow(int position, const RowSource& source,
                               double depthTenthsOfMillimetre, const PayloadContext& context) {
    // The width of the resolution code; never more than the row holds.
    resampler_.setWidth(std::min(pixelsPerRowOf(context.resolutionCode), context.width));
    std::uint32_t* row = memory_.row(position);
    const PixelView memory = memory_.view();
    const int phase = gridPhase_;
    gridPhase_ = (gridPhase_ + 1) % GridCycle;

    if (calibrationView(context.viewMode)) {
        // The camera picture as the sonde sends it, 720 pixels wide.
        const int shown = std::min(DisplayImageColumns, resampler_.width());
        std::copy_n(source.pixels, shown, row);
        std::fill(row + shown, row + ImageMemory::FirstStripColumn, CalibrationFill);
        if (position - 2 * memory_.visibleHeight() < CalibrationMarkerWidth) {
            std::fill_n(row, CalibrationMarkerWidth, CalibrationMarker);
            std::fill_n(row + DisplayImageColumns - CalibrationMarkerWidth, CalibrationMarkerWidth,
                        CalibrationMarker);
        }
        DepthScale::paintBackground(memory, position, ImageMemory::FirstStripColumn);
        return;
    }

    std::uint32_t* image = row + ImageMemory::FirstImageColumn;
    if (source.shift)
        resampler_.resample(source.pixels, *source.shift, image);
    else
        resampler_.resample(source.pixels, image);
    if (context.settings.directionGrid) {
        // Dashed lines: 4 rows image, 4 black, 4 image, 5 yellow.
        const bool black = phase >= 4 && phase <= 7;
        const bool yellow = phase >= 12;
        const std::uint32_t colour = black ? GridBlack : GridYellow;
        if (black || yellow)
            for (int i = 0; i < DisplayImageColumns; i += GridSpacing)
                image[i] = colour;
    }
    depthScale_.drawRow(memory, position, depthTenthsOfMillimetre, context.settings.feet,
                        scaleGeometry_);
}

} // namespace zarn
