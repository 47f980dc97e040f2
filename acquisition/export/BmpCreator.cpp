#include "acquisition/export/BmpCreator.h"

#include "acquisition/stream/DepthScale.h"
#include "acquisition/stream/RowPixels.h"
#include "platform/BitmapFont.h"
#include "platform/Format.h"
#include "platform/imaging/PictureCodecs.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace zarn {

namespace {

constexpr std::uint32_t OpaqueBlack = 0xFF000000u;

int tickLevelOfMetres(long long unit) {
    const long long a = unit < 0 ? -unit : unit;
    if (a % 1000 != 0)
        return 0;
    switch ((a / 1000) % 10) {
    case 0:
        return 3;
    case 5:
        return 2;
    default:
        return 1;
    }
}

// Every inch (the marks of the display's feet scale): 1, a half foot 2, a whole foot 3.
int tickLevelOfFeet(long long unit) {
    switch (DepthScale::markOf(unit, true)) {
    case DepthScale::Mark::None:
        return 0;
    case DepthScale::Mark::Label:
        return (unit < 0 ? -unit : unit) % 1000 == 0 ? 3 : 2;
    default:
        return 1;
    }
}

} // namespace

bool CBmpCreator::Create(int width, int height) {
    if (exists())
        return true;
    if (width <= 0 || height <= 0)
        return false;
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (count > MaximumPicturePixels)
        return false;
    pixels_.reset(new (std::nothrow) std::uint32_t[count]);
    if (!pixels_)
        return false;
    std::fill_n(pixels_.get(), count, OpaqueBlack);
    width_ = width;
    height_ = height;
    filled_ = 0;
    previous_.reset();
    repeatLevel_ = 0;
    label_.reset();
    lastLabelTop_.reset();
    return true;
}

void CBmpCreator::Release() {
    pixels_.reset();
    width_ = 0;
    height_ = 0;
    filled_ = 0;
    previous_.reset();
    repeatLevel_ = 0;
    label_.reset();
    lastLabelTop_.reset();
}

void CBmpCreator::SetRowInterval(double metres) {
    rowIntervalMetres_ = std::isfinite(metres) ? std::fabs(metres) : 0.0;
    const std::optional<long long> units =
        DepthScale::unitsOf(rowIntervalMetres_ * 4 * 10000.0, feet_);
    gap_ = std::max(SmallestGap, units.value_or(SmallestGap));
}

std::uint32_t CBmpCreator::pixelOfColourRef(std::uint32_t colourRef) {
    return pixelOf(colourRef & 0xFF, (colourRef >> 8) & 0xFF, (colourRef >> 16) & 0xFF);
}

int CBmpCreator::tickLevel(long long previous, long long depth) const {
    // Every unit passed since the row before, from this row's depth back toward the previous
    // one; the strongest mark wins, and a whole metre (foot) or a half foot ends the search.
    const long long step = depth > previous ? -1 : 1;
    int level = 0;
    for (long long v = depth; v != previous; v += step) {
        const int found = feet_ ? tickLevelOfFeet(v) : tickLevelOfMetres(v);
        level = std::max(level, found);
        if (found == 3 || (feet_ && found == 2))
            break;
    }
    return level;
}

bool CBmpCreator::AddRow(std::span<const std::uint32_t> line, bool down, long long depth,
                         bool scale, std::uint32_t colourRef) {
    if (!exists() || full())
        return false;
    down_ = down;
    const int row = down ? filled_ : height_ - 1 - filled_;
    std::uint32_t* out = pixels_.get() + static_cast<std::ptrdiff_t>(row) * width_;
    const std::size_t copied = std::min(line.size(), static_cast<std::size_t>(width_));
    std::copy_n(line.data(), copied, out);
    std::fill(out + copied, out + width_, OpaqueBlack);

    const std::optional<long long> units = DepthScale::unitsOf(static_cast<double>(depth), feet_);
    if (scale && units) {
        const std::uint32_t colour = pixelOfColourRef(colourRef);
        int level = 0;
        bool labelled = false;
        if (!previous_) {
            // The first row of a picture: its own depth only.
            level = feet_ ? tickLevelOfFeet(*units) : tickLevelOfMetres(*units);
            labelled = level == 3;
        } else if (*units != *previous_ && std::llabs(*units - *previous_) <= gap_) {
            level = tickLevel(*previous_, *units);
            labelled = level == 3;
        }
        const int drawn = std::max(level, repeatLevel_);
        repeatLevel_ = level;
        if (drawn > 0) {
            const int end = std::min(TickLengths[drawn - 1], width_);
            std::fill(out + std::min(TickStart, end), out + end, colour);
        }
        if (labelled) {
            const long long labelUnits = feet_ ? 1000 : 10000;
            drawLabel(format("%lld", *units / labelUnits), row, colour);
        }
    }
    redrawLabel();
    if (units)
        previous_ = *units;
    ++filled_;
    return true;
}

void CBmpCreator::drawLabel(const std::string& text, int row, std::uint32_t colour) {
    const int textHeight = BitmapFont::GlyphHeight * LabelScale;
    const int textWidth = BitmapFont::textWidth(text) * LabelScale;
    Label next;
    next.text = text;
    next.colour = colour;
    next.left = LabelCentre - textWidth / 2;
    // Centred on its row, but kept inside the canvas so that it is whole in this picture.
    next.top = std::clamp(row - (textHeight - 1) / 2, 0, std::max(0, height_ - textHeight));
    // Labels closer together than their height (few rows per metre) would be drawn into one
    // another: the later one is left out.
    if (lastLabelTop_ && next.top < *lastLabelTop_ + textHeight &&
        *lastLabelTop_ < next.top + textHeight)
        return;
    lastLabelTop_ = next.top;
    // Drawn again until the rows written after it have covered its box (more than the usual 25
    // rows when it was moved inside the canvas).
    const int farRow = down_ ? next.top + textHeight - 1 : next.top;
    next.redrawRows = std::max(LabelRedrawRows, down_ ? farRow - row : row - farRow);
    label_ = next;
    label_->rowsSince = -1; // counted up by the redraw of this row
}

void CBmpCreator::redrawLabel() {
    if (!label_)
        return;
    const TextBox box{label_->left, label_->top, BitmapFont::textWidth(label_->text) * LabelScale,
                      BitmapFont::GlyphHeight * LabelScale};
    BitmapFont::draw(rowsView(), box, label_->text, label_->colour, std::nullopt, LabelScale);
    if (++label_->rowsSince >= label_->redrawRows)
        label_.reset();
}

ConstPixelView CBmpCreator::view() const {
    return {pixels_.get(), width_, height_, width_};
}

ConstPixelView CBmpCreator::filledView() const {
    if (!exists() || filled_ == 0)
        return {};
    const int first = down_ ? 0 : height_ - filled_;
    return view().rows(first, filled_);
}

bool CBmpCreator::Save(const std::filesystem::path& path, PictureType type, int colourMode,
                       std::string* error) {
    const auto fail = [&](std::string why) {
        if (error)
            *error = std::move(why);
        return false;
    };
    const std::optional<std::string_view> mime = mimeTypeOfExtension(path.filename().string());
    if (!mime || encoderIndexOf(path.filename().string()) < 0)
        return fail("no picture encoder for " + path.filename().string());
    const ConstPixelView picture = filledView();
    if (picture.empty())
        return fail("the picture has no rows");
    PictureSaveOptions options;
    options.jpegQuality = type == PictureType::Jpeg ? 90 : options.jpegQuality;
    if (colourMode == GreyMode) {
        ToGreyInPlace(rowsView());
        options.grey = true;
    }
    return savePicture(path, picture, *mime, options, error);
}

} // namespace zarn
