#include "acquisition/displays/ui/ViewMeterCtrl.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPalette>

namespace zarn::ui {

CViewMeterCtrl::CViewMeterCtrl(QWidget* parent) : QWidget(parent) {
    setCursor(Qt::ArrowCursor);
    setBackgroundRole(QPalette::Window);
    redrawTimer_.setSingleShot(true);
    connect(&redrawTimer_, &QTimer::timeout, this, &CViewMeterCtrl::draw);
}

void CViewMeterCtrl::SetValue(double degrees) {
    if (model_.setValue(degrees))
        requestDraw();
}

void CViewMeterCtrl::requestDraw() {
    if (!redrawTimer_.isActive())
        redrawTimer_.start(model_.redrawDelayMs());
}

void CViewMeterCtrl::draw() {
    if (!isVisible() || isMinimized())
        return;
    if (image_.size() != size())
        image_ = QImage(size(), QImage::Format_RGB32);
    if (image_.isNull())
        return;
    image_.fill(palette().color(QPalette::Button));
    const int r = ViewMeterModel::radiusOf(width());
    const MeterPoint end = model_.needleEnd(width());
    QPainter painter(&image_);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawLine(QPointF(end.x, end.y), QPointF(r, r));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::black);
    painter.drawEllipse(QPointF(r, r), viewmeter::HubRadius, viewmeter::HubRadius);
    painter.end();
    model_.markDrawn();
    update();
}

void CViewMeterCtrl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (image_.size() == size())
        painter.drawImage(0, 0, image_);
    else
        painter.fillRect(rect(), palette().color(QPalette::Button));
}

void CViewMeterCtrl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    requestDraw();
}

void CViewMeterCtrl::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    requestDraw();
}

} // namespace zarn::ui
