#include "acquisition/displays/ui/GraphicCounterCtrl.h"
#include "acquisition/displays/ui/ViewMeterCtrl.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QImage>
#include <QPalette>

#include <functional>

namespace zarn::ui {
namespace {

// Runs the event loop until the condition holds or the time is up; true when it holds.
bool waitFor(const std::function<bool()>& condition, int timeoutMs = 3000) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Lets the event loop run for a while, for what must not happen.
void runFor(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

QRgb pixelAt(QWidget& widget, int x, int y) {
    return widget.grab().toImage().pixel(x, y);
}

// Writes values with the event loop running between them, as values arriving from the link do;
// returns the milliseconds the burst took.
qint64 burst(const std::function<void(int)>& write, int count) {
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < count; ++i) {
        write(i);
        QApplication::processEvents();
    }
    return clock.elapsed();
}

TEST(CGraphicCounterCtrl, ABurstOfWritesGivesOneDrawPerRedrawDelay) {
    CGraphicCounterCtrl counter;
    counter.resize(160, 40);
    counter.show();
    runFor(300); // the first draw after showing
    PaintCounter counted(&counter);
    for (int i = 0; i < 1000; ++i)
        counter.WriteCounterDataDouble(i * 0.01, "%8.2f");
    EXPECT_EQ(counter.model().text(), "    9.99");
    EXPECT_EQ(counted.paints, 0) << "painted before the redraw delay";
    runFor(600);
    EXPECT_GE(counted.paints, 1);
    EXPECT_LE(counted.paints, 2);

    counted.paints = 0;
    const qint64 ms = burst([&](int i) { counter.WriteCounterDataInt(i); }, 1000);
    runFor(400);
    EXPECT_EQ(counter.model().text(), "999");
    EXPECT_GE(counted.paints, 1);
    EXPECT_LE(counted.paints, ms / counter::RedrawDelayMs + 2) << "over " << ms << " ms";
}

TEST(CGraphicCounterCtrl, TheWrittenTextIsDrawnInTheTextColour) {
    CGraphicCounterCtrl counter;
    counter.resize(160, 40);
    counter.SetBackground(pixelOf(0, 0, 0));
    counter.SetTextColour(pixelOf(255, 255, 0));
    counter.show();
    const auto yellowPixels = [&] {
        const QImage image = counter.grab().toImage();
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                count += qRed(image.pixel(x, y)) > 200 && qBlue(image.pixel(x, y)) < 60;
        return count;
    };
    runFor(100);
    EXPECT_EQ(yellowPixels(), 0);
    counter.WriteCounterDataInt(8888);
    EXPECT_TRUE(waitFor([&] { return yellowPixels() > 50; }));
}

TEST(CGraphicCounterCtrl, AHiddenCounterIgnoresWritesAndKeepsItsText) {
    QWidget window;
    window.resize(200, 60);
    auto* counter = new CGraphicCounterCtrl(&window);
    counter->setGeometry(0, 0, 160, 40);
    window.show();
    counter->WriteCounterDataCString("old");
    EXPECT_EQ(counter->model().text(), "old");
    counter->hide();
    counter->WriteCounterDataInt(1);
    counter->WriteCounterDataDouble(2.0, "%.1f");
    counter->WriteCounterDataCString("new");
    EXPECT_EQ(counter->model().text(), "old");
    // Hidden with its window, too.
    counter->show();
    window.hide();
    counter->WriteCounterDataCString("new");
    EXPECT_EQ(counter->model().text(), "old");
    window.show();
    EXPECT_EQ(counter->model().text(), "old");
    counter->WriteCounterDataCString("new");
    EXPECT_EQ(counter->model().text(), "new");
}

TEST(CGraphicCounterCtrl, BlinkingAlternatesTheColoursAndStopGoesBackToNormal) {
    CGraphicCounterCtrl counter;
    counter.resize(160, 40);
    counter.SetBackground(pixelOf(0, 0, 0));
    counter.SetAlternateBackground(pixelOf(255, 0, 0));
    counter.show();
    counter.WriteCounterDataCString("--");
    // A corner inside the edge, away from the right-aligned text.
    const int x = 4, y = 4;
    const QRgb black = qRgb(0, 0, 0), red = qRgb(255, 0, 0);
    ASSERT_TRUE(waitFor([&] { return pixelAt(counter, x, y) == black; }));
    counter.StartBlinking(2);
    EXPECT_TRUE(waitFor([&] { return pixelAt(counter, x, y) == red; }));
    EXPECT_TRUE(waitFor([&] { return pixelAt(counter, x, y) == black; }));
    EXPECT_TRUE(waitFor([&] { return pixelAt(counter, x, y) == red; }));
    counter.StopBlinking();
    EXPECT_EQ(pixelAt(counter, x, y), black);
    runFor(700);
    EXPECT_EQ(pixelAt(counter, x, y), black) << "still blinking after the stop";
}

TEST(CViewMeterCtrl, TheNeedlePointsFromTheCentreClockwiseFromUp) {
    CViewMeterCtrl meter;
    meter.resize(100, 100);
    meter.show();
    const QRgb face = meter.palette().color(QPalette::Button).rgb();
    ASSERT_NE(face, qRgb(0, 0, 0));
    // Dark at the point or one pixel beside it (a needle on a pixel boundary may take either).
    const auto dark = [&](int x, int y) {
        const QImage image = meter.grab().toImage();
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy)
                if (qGray(image.pixel(x + dx, y + dy)) < 100)
                    return true;
        return false;
    };
    // Starts up: a point between the hub and the rim above the centre.
    ASSERT_TRUE(waitFor([&] { return dark(50, 20); }));
    EXPECT_FALSE(dark(80, 50));
    meter.SetValue(90.0);
    EXPECT_TRUE(waitFor([&] { return dark(80, 50); }));
    EXPECT_FALSE(dark(50, 20));
    EXPECT_TRUE(dark(50, 50)) << "the hub";
    EXPECT_EQ(pixelAt(meter, 10, 90), face);
    // Out of range: nothing moves.
    meter.SetValue(361.0);
    runFor(250);
    EXPECT_TRUE(dark(80, 50));
    EXPECT_EQ(meter.model().needleAngle(), 360);
}

TEST(CViewMeterCtrl, ABurstOfValuesGivesOneDrawPerRedrawDelay) {
    CViewMeterCtrl meter;
    meter.resize(60, 60);
    meter.show();
    runFor(200);
    PaintCounter counted(&meter);
    const qint64 ms = burst([&](int i) { meter.SetValue(i % 361); }, 1000);
    runFor(300);
    EXPECT_GE(counted.paints, 1);
    EXPECT_LE(counted.paints, ms / viewmeter::RedrawDelayMs + 2) << "over " << ms << " ms";
    EXPECT_EQ(meter.model().needleAngle(), (999 % 361 + 270) % 360);
}

} // namespace
} // namespace zarn::ui
