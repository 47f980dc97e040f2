// What the counter control (CGraphicCounterCtrl) shows and how it lays it out: the text, the
// normal and blink-phase colours, the character width, the alignment and the blinking. The
// window draws from it; the tests drive it directly. Colours are pixel values of
// platform/PixelImage.h.
#pragma once

#include "platform/PixelImage.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace zarn {

namespace counter {
inline constexpr int AlignRight = 5;
inline constexpr int AlignCentre = 6;
inline constexpr int AlignLeft = 7;
// The width factor that selects the small fixed font instead of a width relative to the height.
inline constexpr double SmallFont = -999.0;
inline constexpr std::size_t MaxText = 255;
// A write is drawn this long after it (one draw for a burst); "redraw soon" asks for less.
inline constexpr int RedrawDelayMs = 200;
inline constexpr int SoonRedrawDelayMs = 20;
inline constexpr std::uint32_t Black = pixelOf(0, 0, 0);
inline constexpr std::uint32_t Yellow = pixelOf(255, 255, 0);
} // namespace counter

// Where and how large the text goes in a client rectangle whose top left corner is (0, 0).
struct CounterLayout {
    int fontHeight = 0; // pixels
    int charWidth = 0;  // average character width, pixels
    int weight = 700;   // 700 bold, 400 normal
    int top = 0;        // the top of the text's cell (negative: above the client)
    int textWidth = 0;  // estimated: charWidth x number of characters
    int anchorX = 0;    // the text's right end, or its left end when alignedLeft
    bool alignedLeft = false;
};

struct CounterColours {
    std::uint32_t background;
    std::uint32_t text;
};

class CounterModel {
public:
    const std::string& text() const { return text_; }

    void setBackground(std::uint32_t colour) { normal_.background = colour; }
    void setTextColour(std::uint32_t colour) { normal_.text = colour; }
    void setAlternateBackground(std::uint32_t colour) { alternate_.background = colour; }
    void setAlternateTextColour(std::uint32_t colour) { alternate_.text = colour; }
    // The colours to draw with now: the alternate ones in the blink phase.
    CounterColours colours() const { return blinkPhase_ ? alternate_ : normal_; }

    // 5 right, 6 centred, 7 left; any other value is taken and kept as right.
    void setAlignment(int alignment);
    int alignment() const { return alignment_; }
    // 0 the small font, 1 narrow (0.8), 3 wide (1.4), 4 very wide (2.0), any other 1.0.
    void setWidthFactorPreset(int preset);
    double widthFactor() const { return widthFactor_; }

    // The control follows its window's visibility here: while hidden the writers change nothing.
    void setShown(bool shown) { shown_ = shown; }
    bool shown() const { return shown_; }

    // The writers: true when the text was taken (the control is shown), so the caller arms its
    // redraw; false while hidden, when nothing changes.
    [[nodiscard]] bool WriteCounterDataInt(int value);
    // The printf format applied to the value, or to 0 when the value is not finite. The format
    // is the program's own (for example "%8.2f") and takes exactly one double.
    [[nodiscard]] bool WriteCounterDataDouble(double value, const char* format);
    // The text, cut after MaxText characters.
    [[nodiscard]] bool WriteCounterDataCString(std::string_view text);

    // Blinking: speed 0 every 2000 ms, 1 every 1000 ms, 2 every 500 ms (another speed keeps the
    // period set before). Returns the period the blink timer runs at.
    int startBlinking(int speed);
    // Stops and returns to the normal colours, so a counter never stays in its alarm colours.
    void stopBlinking();
    bool blinking() const { return blinking_; }
    int blinkPeriodMs() const { return blinkPeriodMs_; }
    // A tick of the blink timer: the other phase.
    void toggleBlinkPhase() { blinkPhase_ = !blinkPhase_; }
    bool blinkPhase() const { return blinkPhase_; }

    CounterLayout layout(int clientWidth, int clientHeight) const;

private:
    [[nodiscard]] bool take(std::string_view text);

    std::string text_;
    CounterColours normal_{counter::Black, counter::Yellow};
    CounterColours alternate_{counter::Black, counter::Yellow};
    double widthFactor_ = 1.0;
    int alignment_ = counter::AlignRight;
    int blinkPeriodMs_ = 1000;
    bool blinking_ = false;
    bool blinkPhase_ = false;
    bool shown_ = false;
};

} // namespace zarn
