// The counter control: a flicker-free read-out of a number or a short text in large characters,
// with its colours and blinking, over a CounterModel. It draws into its own image when a new
// value has waited its redraw delay (so a burst of writes gives one draw) and paints by copying
// that image. Only the GUI thread calls it.
#pragma once

#include "acquisition/displays/CounterModel.h"

#include <QFrame>
#include <QImage>
#include <QTimer>

#include <cstdint>
#include <string_view>

namespace zarn::ui {

class CGraphicCounterCtrl : public QFrame {
    Q_OBJECT

public:
    explicit CGraphicCounterCtrl(QWidget* parent = nullptr);

    // Colours are pixel values (platform/PixelImage.h pixelOf); they apply from the next draw.
    void SetBackground(std::uint32_t colour);
    void SetTextColour(std::uint32_t colour);
    void SetAlternateBackground(std::uint32_t colour);
    void SetAlternateTextColour(std::uint32_t colour);
    // 5 right, 6 centred, 7 left (another value: right).
    void SetAlignment(int alignment);
    // 0 small font, 1 narrow, 3 wide, 4 very wide, another value: standard width.
    void SetWidthFactorPreset(int preset);

    // Ignored while the control is hidden; otherwise drawn after the redraw delay.
    void WriteCounterDataInt(int value);
    void WriteCounterDataDouble(double value, const char* format);
    void WriteCounterDataCString(std::string_view text);
    // Draws within 20 ms unless a draw is already due.
    void RedrawSoon();

    // speed 0: every 2 s, 1: every second, 2: twice a second.
    void StartBlinking(int speed);
    // Back to the normal colours.
    void StopBlinking();

    const CounterModel& model() const { return model_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void armRedraw(int delayMs);
    void written(bool taken);
    void draw();
    void blinkTick();

    CounterModel model_;
    QImage image_;
    QTimer redrawTimer_;
    QTimer blinkTimer_;
};

} // namespace zarn::ui
