#include "acquisition/displays/ui/GraphicCounterCtrl.h"

#include "acquisition/displays/ui/DisplayFont.h"

#include <QFont>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

namespace zarn::ui {
namespace {

QColor colourOf(std::uint32_t pixel) {
    return QColor(static_cast<int>(pixelRed(pixel)), static_cast<int>(pixelGreen(pixel)),
                  static_cast<int>(pixelBlue(pixel)));
}

// The counter's font: the cell height of the layout, stretched so that an average character
// is as wide as the layout says.
QFont counterFont(const CounterLayout& layout) {
    QFont font(displayFontFamily());
    font.setPixelSize(std::max(1, layout.fontHeight));
    font.setWeight(layout.weight >= 700 ? QFont::Bold : QFont::Normal);
    const int natural = QFontMetrics(font).averageCharWidth();
    if (natural > 0 && layout.charWidth > 0)
        font.setStretch(std::clamp(100 * layout.charWidth / natural, 1, 4000));
    return font;
}

} // namespace

CGraphicCounterCtrl::CGraphicCounterCtrl(QWidget* parent) : QFrame(parent) {
    // A thin sunken edge around the read-out.
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    redrawTimer_.setSingleShot(true);
    connect(&redrawTimer_, &QTimer::timeout, this, &CGraphicCounterCtrl::draw);
    connect(&blinkTimer_, &QTimer::timeout, this, &CGraphicCounterCtrl::blinkTick);
}

void CGraphicCounterCtrl::SetBackground(std::uint32_t colour) {
    model_.setBackground(colour);
}

void CGraphicCounterCtrl::SetTextColour(std::uint32_t colour) {
    model_.setTextColour(colour);
}

void CGraphicCounterCtrl::SetAlternateBackground(std::uint32_t colour) {
    model_.setAlternateBackground(colour);
}

void CGraphicCounterCtrl::SetAlternateTextColour(std::uint32_t colour) {
    model_.setAlternateTextColour(colour);
}

void CGraphicCounterCtrl::SetAlignment(int alignment) {
    model_.setAlignment(alignment);
}

void CGraphicCounterCtrl::SetWidthFactorPreset(int preset) {
    model_.setWidthFactorPreset(preset);
}

void CGraphicCounterCtrl::armRedraw(int delayMs) {
    if (!redrawTimer_.isActive())
        redrawTimer_.start(delayMs);
}

void CGraphicCounterCtrl::written(bool taken) {
    if (taken)
        armRedraw(counter::RedrawDelayMs);
}

void CGraphicCounterCtrl::WriteCounterDataInt(int value) {
    written(model_.WriteCounterDataInt(value));
}

void CGraphicCounterCtrl::WriteCounterDataDouble(double value, const char* format) {
    written(model_.WriteCounterDataDouble(value, format));
}

void CGraphicCounterCtrl::WriteCounterDataCString(std::string_view text) {
    written(model_.WriteCounterDataCString(text));
}

void CGraphicCounterCtrl::RedrawSoon() {
    armRedraw(counter::SoonRedrawDelayMs);
}

void CGraphicCounterCtrl::StartBlinking(int speed) {
    blinkTimer_.start(model_.startBlinking(speed));
}

void CGraphicCounterCtrl::StopBlinking() {
    blinkTimer_.stop();
    const bool wasInBlinkPhase = model_.blinkPhase();
    model_.stopBlinking();
    if (wasInBlinkPhase)
        draw();
}

void CGraphicCounterCtrl::blinkTick() {
    model_.toggleBlinkPhase();
    draw();
}

void CGraphicCounterCtrl::draw() {
    if (!isVisible() || isMinimized())
        return;
    const QRect client = contentsRect();
    if (image_.size() != client.size())
        image_ = QImage(client.size(), QImage::Format_RGB32);
    if (image_.isNull())
        return;
    const CounterColours colours = model_.colours();
    image_.fill(colourOf(colours.background));
    const CounterLayout layout = model_.layout(client.width(), client.height());
    QPainter painter(&image_);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(counterFont(layout));
    painter.setPen(colourOf(colours.text));
    // A box wide enough for any text, with the text held against its anchored side.
    const int span = 2 * std::max(client.width(), layout.textWidth) + 1;
    const QRect box = layout.alignedLeft
                          ? QRect(layout.anchorX, layout.top, span, layout.fontHeight)
                          : QRect(layout.anchorX - span, layout.top, span, layout.fontHeight);
    const Qt::Alignment side = layout.alignedLeft ? Qt::AlignLeft : Qt::AlignRight;
    painter.drawText(
        box, static_cast<int>(side | Qt::AlignVCenter | Qt::TextSingleLine),
        QString::fromLatin1(model_.text().data(), static_cast<qsizetype>(model_.text().size())));
    painter.end();
    update(client);
}

void CGraphicCounterCtrl::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    const QRect client = contentsRect();
    if (image_.size() == client.size())
        painter.drawImage(client.topLeft(), image_);
    else
        painter.fillRect(client, colourOf(model_.colours().background));
}

void CGraphicCounterCtrl::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    // The image is made again at the new size.
    RedrawSoon();
}

void CGraphicCounterCtrl::showEvent(QShowEvent* event) {
    QFrame::showEvent(event);
    model_.setShown(isVisible());
    RedrawSoon();
}

void CGraphicCounterCtrl::hideEvent(QHideEvent* event) {
    QFrame::hideEvent(event);
    model_.setShown(isVisible());
}

} // namespace zarn::ui
