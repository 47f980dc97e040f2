// The image row builder: turns the decoded rows of each video payload into the scrolling
// unrolled image of the borehole wall. It orients mode-16 rows to the chosen reference, spreads
// the rows of a payload evenly over the depth travelled since the payload before, resamples
// them to the 720 image columns, draws the depth scale beside them, and keeps the picture in its
// image memory, from which the window copies the visible band.
//
// The main window connects it to the stream decoder by forwarding the decoder's image entries
// (StreamSink::decodeMode8, decodeMode16, decodeUncompressed) to DrawDpcmPayload, DrawDctPayload
// and DrawBlankPayload with the record they carry, and the replay's entries likewise with the
// record the replay published; it paints the band ShowImage copies.
//
// Threads: the payload entries run on the decoding thread (the link's, or the playback thread in
// replay; one at a time). The window's calls (creation, clearing, restarts, settings, copies of
// the band, saving) may come from any thread. Writing a row and copying a band never overlap:
// both hold the image lock, for one row or one copy, never across a callback or file I/O.
#pragma once

#include "acquisition/stream/DepthScale.h"
#include "acquisition/stream/ImageMemory.h"
#include "acquisition/stream/MeasurementRecord.h"
#include "acquisition/stream/OrientationSweep.h"
#include "acquisition/stream/RowPixels.h"
#include "acquisition/stream/ToolsUnCompress.h"
#include "platform/MessageBus.h"
#include "platform/PixelImage.h"
#include "platform/Shared.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <span>
#include <string>

namespace zarn {

// The settings of the row builder that the windows change.
struct ImageRowSettings {
    bool feet = false;           // depths in feet ("SetDepthUnit" 1)
    bool directionGrid = false;  // dashed lines every 90 image columns ("Mire")
    int refreshRows = 24;        // "RefreshDelay" x 8: rows drawn before an unforced copy
    bool technicalTools = false; // with it on, the calibration views are drawn unturned
    bool operator==(const ImageRowSettings&) const = default;
};

// One row as it went into the image memory.
struct DrawnRow {
    int position = 0;     // its row in the image memory
    int direction = 1;    // 1 down, 0 up
    double depth = 0;     // metres
    double depthStep = 0; // metres from this row to the next of its payload
    double angle = 0;     // degrees it was turned by; 0 not turned
    int resolutionCode = 0;
};

// What the row builder asks of the window that owns it; called on the decoding thread, never
// under the image lock (so a callback may copy the band).
class ImageRowHost {
public:
    virtual ~ImageRowHost() = default;
    // Whether a recording runs: then a change of direction keeps the image.
    virtual bool recordingActive() { return false; }
    // The gamma value of a mode-16 or blank payload, for the depth display.
    virtual void showGamma(double /*gamma*/) {}
    // A change of direction cleared the image: redraw the window.
    virtual void imageCleared() {}
    // After each row: the window's refresh step, and a chance for pending window messages.
    virtual void rowDrawn(const DrawnRow& /*row*/) {}
};

class CToolsBmp : public CToolsUnCompress {
public:
    // The last drawn depth before any row ("none").
    static constexpr double NoDepth = -99999999.0;
    // Rows left above the first row after a clear.
    static constexpr int FirstWritePosition = 32;
    // Rows copied along with the visible band when the writing reaches an end of the memory.
    static constexpr int ScrollMargin = 16;
    static constexpr const char* CreateErrorText = "Error : Could not create DIB";

    static constexpr std::uint32_t GridBlack = 0xFF000000;
    static constexpr std::uint32_t GridYellow = 0xFFFFFF00;
    static constexpr std::uint32_t CalibrationFill = 0xFF808080;
    static constexpr std::uint32_t CalibrationMarker = 0x0000FFFF;
    static constexpr int CalibrationMarkerWidth = 16;
    static constexpr int GridSpacing = 90;
    static constexpr int GridCycle = 17;

    // host may be null (nothing is asked; no recording).
    explicit CToolsBmp(ImageRowHost* host = nullptr, MessageBus& bus = MessageBus::instance());
    CToolsBmp(const CToolsBmp&) = delete;
    CToolsBmp& operator=(const CToolsBmp&) = delete;

    // --- The window's side ------------------------------------------------------------------

    // Creates the image memory: display rows of rowWidth pixels (border, 720 image columns,
    // depth scale strip), three visible heights tall, cleared. scaleWidth places the labels
    // (centred on column scaleWidth / 2 + 720). On failure shows "Error : Could not create DIB"
    // and returns false; the payloads then draw nothing.
    [[nodiscard]] bool DrawImageBuffer(int rowWidth, int scaleWidth, int visibleHeight);
    void FreeImageBuffer();

    // Image black, strip background, the write position 32 rows into the memory, the depth
    // scale restarted.
    void ClearImage();
    // The window restarts the display: ClearImage, and the next payload starts its orientation
    // and its depth afresh.
    void RestartDisplay();
    // The next payload starts its depth afresh (replay start).
    void ResetDepth();

    void setSettings(const ImageRowSettings& settings);
    ImageRowSettings settings() const;

    // Copies the visible band into the window's pixels: the band of the window's height (at
    // most the visible height; the whole visible height when the window is empty) that ends at
    // the newest row going down, starts at it going up, and in the calibration views starts two
    // visible heights into the memory. The window is made as wide as a display row. Unless
    // forced, copies only when more than refreshRows rows were drawn since the last copy.
    // True when it copied.
    bool ShowImage(PixelImage& window, bool forced = false);

    // A copy of the whole image memory (empty when there is none).
    PixelImage CopyImageMemory() const;
    // The image memory, or the band ShowImage would show, as a PNG file.
    [[nodiscard]] bool SaveImage(const std::filesystem::path& path,
                                 std::string* error = nullptr) const;
    [[nodiscard]] bool SaveVisibleBand(const std::filesystem::path& path,
                                       std::string* error = nullptr) const;

    int rowWidth() const;
    int visibleHeight() const;
    // Copies display row `position` of the image memory into out (at most out.size() pixels).
    // False when there is no memory or no such row.
    [[nodiscard]] bool CopyRow(int position, std::span<std::uint32_t> out) const;

    // --- The decoding thread ----------------------------------------------------------------
    // direction: 1 down, 0 up. record: the frame's values (image depth, oriented angle, gamma,
    // shutter factor, view mode, resolution code, frame period). Payloads with a pixelsPerRow
    // outside 1 to 1440 are not drawn.

    // Mode 8: two rows, not turned.
    void DrawDpcmPayload(std::span<const std::uint8_t> payload, int pixelsPerRow, int direction,
                         int parameter, const MeasurementRecord& record);
    // Mode 16: eight rows, turned to the record's oriented angle.
    void DrawDctPayload(std::span<const std::uint8_t> payload, int pixelsPerRow, int direction,
                        int parameter, const MeasurementRecord& record);
    // What DrawDctPayload does once the payload is decoded: rows holds 8 rows of pixelsPerRow.
    void DrawDctRows(std::span<const std::uint32_t> rows, int pixelsPerRow, int direction,
                     const MeasurementRecord& record);
    // Mode 0: eight black rows, not turned.
    void DrawBlankPayload(int pixelsPerRow, int direction, const MeasurementRecord& record);

    // The depth the next row is drawn at (NoDepth before any); the orientation of the rows.
    double LastDrawnDepth() const { return lastDrawnDepth_; }
    const OrientationSweep& Orientation() const { return sweep_; }

private:
    // What one payload's rows need of the frame and of the settings.
    struct PayloadContext {
        int direction = 1;
        int width = 0; // pixels of the payload's rows
        int resolutionCode = 0;
        int viewMode = 0;
        bool newPicture = false; // calibration views: the payload starts a camera picture
        ImageRowSettings settings;
    };

    // A decoded row on its way into the memory: its pixels, and the shift to apply to them.
    struct RowSource {
        const std::uint32_t* pixels = nullptr;
        const RowShift* shift = nullptr; // none: not turned
    };

    PayloadContext beginPayload(int width, int direction, const MeasurementRecord& record);
    double depthStep(double imageDepth, double fraction);
    void drawOrientedRows(std::span<const std::uint32_t> rows, int width,
                          const MeasurementRecord& record, PayloadContext& context);
    void drawRow(std::span<const std::uint32_t> source, int width, double angle, double depthStep,
                 PayloadContext& context);
    void DrawLineOfPixel(PayloadContext& context, const RowSource& row, double depth,
                         DrawnRow& drawn);
    void CreatePixelRow(int position, const RowSource& source, double depthTenthsOfMillimetre,
                        const PayloadContext& context);
    void clearLocked();
    int bandStartLocked(int rows) const;

    ImageRowHost& host_;
    MessageBus& bus_;
    Shared<ImageRowSettings> settings_;

    // Requests of the window's thread, taken over at the start of the next payload.
    enum Request : unsigned { RestartOrientation = 1u << 0, ForgetDepth = 1u << 1 };
    std::atomic<unsigned> requests_{0};

    // Under imageMutex_: the memory, where the rows go, and the depth scale.
    mutable std::mutex imageMutex_;
    ImageMemory memory_;
    DepthScale depthScale_;
    DepthScale::Geometry scaleGeometry_;
    int writePosition_ = FirstWritePosition;
    int rowDirection_ = 1;         // direction of the newest row
    bool calibrationBand_ = false; // the newest row belongs to a calibration view
    int rowsSinceCopy_ = 0;
    int gridPhase_ = 0;
    RowResampler resampler_;

    // The decoding thread's own.
    OrientationSweep sweep_;
    double lastDrawnDepth_ = NoDepth;
    int lastDirection_ = 1;
    std::array<std::uint32_t, CToolsUnCompress::kDctRows * MaxPixelsPerRow> decoded_{};
    std::array<std::uint32_t, MaxPixelsPerRow> rowBuffer_{}; // calibration views
    RowShift shift_;
};

} // namespace zarn
