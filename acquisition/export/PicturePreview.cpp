#include "acquisition/export/PicturePreview.h"

#include "acquisition/export/PictureExportRun.h"

#include <algorithm>
#include <cmath>

namespace zarn {

namespace {

constexpr std::uint32_t OpaqueBlack = 0xFF000000;

// The run's fraction and cancel; its stages belong to an export, not to a preview.
class FractionOnly final : public Progress {
public:
    explicit FractionOnly(Progress& to) : to_(to) {}
    void stage(std::string_view) override {}
    void fraction(double done) override { to_.fraction(done); }
    [[nodiscard]] bool cancelled() const override { return to_.cancelled(); }

private:
    Progress& to_;
};

} // namespace

double previewStepOf(const PictureExportJob& job, int lineWidth, int frameWidth) {
    double step = job.interval * lineWidth / std::max(frameWidth, 1);
    if (!job.feet)
        step = roundToTenthMillimetre(step);
    const double smallest =
        job.interval < 0 ? -PictureExportJob::SmallestInterval : PictureExportJob::SmallestInterval;
    return std::fabs(step) < PictureExportJob::SmallestInterval ? smallest : step;
}

std::optional<PixelImage> picturePreview(const ExportSource& source, const PictureExportJob& job,
                                         int frameWidth, int frameHeight, Progress& progress) {
    if (frameWidth <= 0 || frameHeight <= 0 || job.interval == 0)
        return std::nullopt;
    PictureExportJob preview = job;
    preview.output = PictureExportJob::Output::Preview;
    preview.drawScale = false;
    preview.interval = previewStepOf(job, source.lineWidth, frameWidth);
    const double span = preview.interval * frameHeight;
    // Up to the end depth at most: the frame's lines, or fewer.
    if (std::fabs(job.to - job.from) > std::fabs(span))
        preview.to = job.from + span;
    preview.maxLines = PictureExportJob::MaxLimit;

    FractionOnly fractionOnly(progress);
    PictureExportRun run(source, preview);
    const PictureExportResult result = run.run(fractionOnly);
    if (result.outcome != ExportOutcome::Done || !run.canvas().exists())
        return std::nullopt;

    const ConstPixelView lines = run.canvas().view();
    PixelImage picture(frameWidth, frameHeight, OpaqueBlack);
    // The whole canvas: an upward log fills it from the bottom; its other rows are black.
    const int rows = std::min(lines.height, frameHeight);
    for (int y = 0; y < rows; ++y) {
        const std::uint32_t* in = lines.row(y);
        std::uint32_t* out = picture.row(y);
        for (int i = 0; i < lines.width; ++i)
            out[static_cast<long long>(i) * frameWidth / lines.width] = in[i];
    }
    return picture;
}

} // namespace zarn
