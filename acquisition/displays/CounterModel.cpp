#include "acquisition/displays/CounterModel.h"

#include "platform/Format.h"

#include <cmath>

namespace zarn {

void CounterModel::setAlignment(int alignment) {
    const bool known = alignment == counter::AlignRight || alignment == counter::AlignCentre ||
                       alignment == counter::AlignLeft;
    alignment_ = known ? alignment : counter::AlignRight;
}

void CounterModel::setWidthFactorPreset(int preset) {
    switch (preset) {
    case 0:
        widthFactor_ = counter::SmallFont;
        break;
    case 1:
        widthFactor_ = 0.8;
        break;
    case 3:
        widthFactor_ = 1.4;
        break;
    case 4:
        widthFactor_ = 2.0;
        break;
    default:
        widthFactor_ = 1.0;
        break;
    }
}

bool CounterModel::take(std::string_view text) {
    if (!shown_)
        return false;
    text_.assign(text.substr(0, counter::MaxText));
    return true;
}

bool CounterModel::WriteCounterDataInt(int value) {
    return take(format("%d", value));
}

bool CounterModel::WriteCounterDataDouble(double value, const char* fmt) {
    // The caller's format takes one double; formats are fixed texts of the program.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    return take(format(fmt, std::isfinite(value) ? value : 0.0));
#pragma GCC diagnostic pop
}

bool CounterModel::WriteCounterDataCString(std::string_view text) {
    return take(text);
}

int CounterModel::startBlinking(int speed) {
    switch (speed) {
    case 0:
        blinkPeriodMs_ = 2000;
        break;
    case 1:
        blinkPeriodMs_ = 1000;
        break;
    case 2:
        blinkPeriodMs_ = 500;
        break;
    default:
        break;
    }
    blinking_ = true;
    return blinkPeriodMs_;
}

void CounterModel::stopBlinking() {
    blinking_ = false;
    blinkPhase_ = false;
}

CounterLayout CounterModel::layout(int clientWidth, int clientHeight) const {
    CounterLayout l;
    if (widthFactor_ == counter::SmallFont) {
        l.fontHeight = 14;
        l.charWidth = 5;
        l.weight = 400;
        l.top = -((14 - clientHeight) / 2);
    } else {
        // The cell is a fifth taller than the client and centred on it.
        l.fontHeight = static_cast<int>(clientHeight * 1.2);
        l.charWidth = static_cast<int>(l.fontHeight / 3 * widthFactor_);
        l.weight = 700;
        l.top = -((l.fontHeight - clientHeight) / 2);
    }
    l.textWidth = l.charWidth * static_cast<int>(text_.size());
    switch (alignment_) {
    case counter::AlignLeft:
        l.alignedLeft = true;
        l.anchorX = 0;
        break;
    case counter::AlignCentre:
        l.anchorX = clientWidth - (clientWidth - l.textWidth) / 2;
        break;
    default:
        l.anchorX = clientWidth;
        break;
    }
    // A text wider than the client (with a tenth to spare) shows its beginning.
    if (clientWidth < 1.1 * l.textWidth) {
        l.alignedLeft = true;
        l.anchorX = 0;
    }
    return l;
}

} // namespace zarn
