#include "acquisition/cli/StripCapture.h"

#include "acquisition/stream/ImageMemory.h"
#include "acquisition/stream/RowPixels.h"
#include "platform/PendingFile.h"
#include "platform/imaging/PngFile.h"

namespace zarn::cli {

namespace {

DepthScaledStrip::Settings stripSettings(AcquisitionEngine& engine, double top, double bottom,
                                         double rowsPerMetre) {
    DepthScaledStrip::Settings s;
    s.top = top;
    s.bottom = bottom;
    s.rowsPerMetre = rowsPerMetre;
    s.feet = engine.configuration().program.depthUnit != 0;
    s.rowWidth = AcquisitionEngine::DisplayRowWidth;
    s.imageColumns = ImageMemory::FirstStripColumn;
    s.labelCentre = AcquisitionEngine::ScaleStripWidth / 2 + DisplayImageColumns;
    return s;
}

} // namespace

StripCapture::StripCapture(AcquisitionEngine& engine, double top, double bottom,
                           double rowsPerMetre)
    : engine_(engine), strip_(stripSettings(engine, top, bottom, rowsPerMetre)),
      row_(AcquisitionEngine::DisplayRowWidth) {
    if (strip_.valid()) {
        engine_.setRowObserver([this](const DrawnRow& row, double) { take(row); });
        attached_ = true;
    }
}

StripCapture::~StripCapture() {
    if (attached_)
        engine_.setRowObserver({});
}

int StripCapture::rowsTaken() const {
    std::lock_guard lock(mutex_);
    return strip_.rowsFilled();
}

void StripCapture::take(const DrawnRow& row) {
    std::lock_guard lock(mutex_);
    if (engine_.image().CopyRow(row.position, row_))
        strip_.addRow(row.depth, row_);
}

bool StripCapture::save(const std::filesystem::path& path, int& width, int& height,
                        std::string& error) {
    if (attached_) {
        engine_.setRowObserver({});
        attached_ = false;
    }
    PixelImage picture;
    {
        std::lock_guard lock(mutex_);
        if (!strip_.valid()) {
            error = strip_.error();
            return false;
        }
        if (strip_.rowsFilled() == 0) {
            error = "no image rows were drawn in the depth interval";
            return false;
        }
        picture = strip_.finish();
    }
    width = picture.width();
    height = picture.height();
    // Written beside under a temporary name: a failed write leaves no picture cut short.
    PendingFile pending(path);
    return savePng(pending.path(), picture.view(), &error) && pending.commit(&error);
}

} // namespace zarn::cli
