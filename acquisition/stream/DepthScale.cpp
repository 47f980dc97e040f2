#include "acquisition/stream/DepthScale.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace zarn {

namespace {

constexpr double FeetPerMetre = 3.28083;

// Strip columns of the ticks, counted from the first strip column.
constexpr int TickStart = 2;
constexpr int ShortTickEnd = 4; // one past
constexpr int LongTickEnd = 6;

} // namespace

std::optional<long long> DepthScale::unitsOf(double tenthsOfMillimetre, bool feet) {
    if (!std::isfinite(tenthsOfMillimetre) ||
        std::fabs(tenthsOfMillimetre) > static_cast<double>(LargestUnits))
        return std::nullopt;
    // Rounded to the nearest unit: a depth summed from row steps (9.99999999 m) still falls on
    // its centimetre.
    const long long tenths = std::llround(tenthsOfMillimetre);
    if (!feet)
        return tenths;
    const double thousandthsOfFoot = tenths / 10000.0 * FeetPerMetre * 1000.0;
    if (std::fabs(thousandthsOfFoot) > static_cast<double>(LargestUnits))
        return std::nullopt;
    return std::llround(thousandthsOfFoot);
}

DepthScale::Mark DepthScale::markOf(long long unit, bool feet) {
    const long long a = unit < 0 ? -unit : unit;
    if (feet) {
        // The first three decimals of the depth in feet: every inch, labelled every half foot.
        switch (a % 1000) {
        case 0:
        case 500:
            return Mark::Label;
        case 83:
        case 167:
        case 250:
        case 333:
        case 417:
        case 583:
        case 667:
        case 750:
        case 833:
        case 917:
            return Mark::ShortTick;
        default:
            return Mark::None;
        }
    }
    // Four decimals of the depth in metres: whole centimetres, long at 5 cm, labelled at 10 cm.
    if (a % 100 != 0)
        return Mark::None;
    switch ((a / 100) % 10) {
    case 0:
        return Mark::Label;
    case 5:
        return Mark::LongTick;
    default:
        return Mark::ShortTick;
    }
}

DepthScale::LabelText DepthScale::labelOf(long long unit, bool feet) {
    // Tenths of the unit of length, rounded to nearest.
    const long long perTenth = feet ? 100 : 1000;
    const long long a = unit < 0 ? -unit : unit;
    const long long tenths = (a + perTenth / 2) / perTenth;
    LabelText text;
    // Digits backwards, then reversed.
    std::array<char, 24> digits{};
    std::size_t n = 0;
    digits[n++] = static_cast<char>('0' + tenths % 10);
    digits[n++] = '.';
    long long whole = tenths / 10;
    do {
        digits[n++] = static_cast<char>('0' + whole % 10);
        whole /= 10;
    } while (whole > 0 && n < digits.size() - 1);
    if (unit < 0 && tenths > 0)
        digits[n++] = '-';
    for (std::size_t i = 0; i < n; ++i)
        text.chars[i] = digits[n - 1 - i];
    text.size = n;
    return text;
}

void DepthScale::restart() {
    previous_.reset();
    pendingLabel_.reset();
    lastLabel_.reset();
}

void DepthScale::paintBackground(const PixelView& memory, int row, int firstColumn) {
    std::uint32_t* pixels = memory.row(row);
    std::fill(pixels + std::min(firstColumn, memory.width), pixels + memory.width, Background);
}

void DepthScale::drawRow(const PixelView& memory, int row, double depth, bool feet,
                         const Geometry& geometry) {
    // The strongest mark among the units passed since the row before (that row's own unit was
    // marked with it); the first row after a restart examines its own unit.
    Mark best = Mark::None;
    long long labelUnit = 0;
    const std::optional<long long> units = unitsOf(depth, feet);
    if (units) {
        long long from = *units;
        long long to = *units;
        bool examine = true;
        if (previous_) {
            if (std::llabs(*units - *previous_) > LargestStep || *units == *previous_)
                examine = false;
            else if (*units > *previous_)
                from = *previous_ + 1;
            else
                to = *previous_ - 1;
        }
        for (long long k = from; examine && k <= to; ++k) {
            const Mark mark = markOf(k, feet);
            if (mark > best) {
                best = mark;
                labelUnit = k;
            }
        }
    }
    previous_ = units;

    // Background and tick; on a row of the last label, the columns under it are left alone.
    if (lastLabel_ && ++rowsSinceLabel_ >= BitmapFont::GlyphHeight)
        lastLabel_.reset();
    const bool underLabel = lastLabel_ && row >= lastLabel_->top && row < lastLabel_->bottom();
    const auto free = [&](int x) {
        return !underLabel || x < lastLabel_->left || x >= lastLabel_->right();
    };
    std::uint32_t* pixels = memory.row(row);
    const int first = std::min(geometry.firstColumn, memory.width);
    for (int x = first; x < memory.width; ++x)
        if (free(x))
            pixels[x] = Background;
    if (best != Mark::None) {
        const int end =
            geometry.firstColumn + (best == Mark::ShortTick ? ShortTickEnd : LongTickEnd);
        for (int x = geometry.firstColumn + TickStart; x < std::min(end, memory.width); ++x)
            if (free(x))
                pixels[x] = TickColour;
    }

    if (best == Mark::Label) {
        pendingLabel_ = labelUnit;
        pendingFeet_ = feet;
    }
    if (pendingLabel_)
        drawLabel(memory, row, geometry);
}

void DepthScale::drawLabel(const PixelView& memory, int row, const Geometry& geometry) {
    const LabelText text = labelOf(*pendingLabel_, pendingFeet_);
    const TextBox box = BitmapFont::boxCentredOn(geometry.labelCentre, row, text.view());
    // A label that does not fit whole into the strip waits for a later row.
    if (box.left < geometry.firstColumn || !box.inside(ConstPixelView(memory)))
        return;
    // Too close to the label before: drawing it would cover part of that one.
    if (lastLabel_ && box.top < lastLabel_->bottom() && lastLabel_->top < box.bottom()) {
        pendingLabel_.reset();
        return;
    }
    const std::uint32_t colour = *pendingLabel_ < 0 ? NegativeLabelColour : LabelColour;
    BitmapFont::draw(memory, box, text.view(), colour, Background);
    pendingLabel_.reset();
    lastLabel_ = box;
    rowsSinceLabel_ = 0;
}

} // namespace zarn
