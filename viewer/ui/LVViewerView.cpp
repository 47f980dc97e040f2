#include "viewer/ui/LVViewerView.h"

#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

namespace lvviewer::ui {

CLVViewerView::CLVViewerView(CLVViewerDoc& doc, QWidget* parent)
    : QWidget(parent), doc_(doc), bar_(new QScrollBar(Qt::Vertical, this)) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    bar_->setRange(0, ScrollRange);
    bar_->setPageStep(0);
    bar_->setSingleStep(0);
    connect(bar_, &QScrollBar::actionTriggered, this, &CLVViewerView::barAction);
    connect(bar_, &QScrollBar::valueChanged, this, [this](int value) {
        if (syncing_)
            return;
        view_.scrollToPosition(value);
        moved();
    });
}

void CLVViewerView::documentChanged() {
    view_.setStrip(doc_.loaded() ? doc_.totalHeight() : 0, doc_.startRow());
    moved();
}

void CLVViewerView::setZoomLevel(int level) {
    view_.setZoomLevel(level);
    moved();
}

void CLVViewerView::moved() {
    doc_.setFocus(view_.top());
    syncing_ = true;
    bar_->setValue(view_.scrollPosition());
    syncing_ = false;
    update();
}

void CLVViewerView::barAction(int action) {
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
        view_.arrowDown();
        break;
    case QAbstractSlider::SliderSingleStepSub:
        view_.arrowUp();
        break;
    case QAbstractSlider::SliderPageStepAdd:
    case QAbstractSlider::SliderPageStepSub:
        // A click in the page area jumps to the position under the mouse.
        view_.pageAreaClick(bar_->mapFromGlobal(QCursor::pos()).y(), bar_->height());
        break;
    default:
        return; // the thumb: its value follows
    }
    syncing_ = true;
    bar_->setSliderPosition(view_.scrollPosition());
    syncing_ = false;
    moved();
}

void CLVViewerView::resizeEvent(QResizeEvent*) {
    bar_->setGeometry(width() - ScrollBarWidth, 0, ScrollBarWidth, height());
    view_.setClient(width() - ScrollBarWidth, height());
    moved();
}

void CLVViewerView::paintEvent(QPaintEvent*) {
    const int w = std::max(0, width() - ScrollBarWidth);
    const int h = height();
    std::vector<std::string> failures;
    const zarn::PixelImage& screen = composer_.compose(doc_, view_, w, h, &failures);
    QPainter painter(this);
    // The composer's buffer is ours alone (this thread writes it): wrapped without a copy.
    const QImage image(reinterpret_cast<const uchar*>(screen.data()), screen.width(),
                       screen.height(), screen.width() * 4, QImage::Format_RGB32);
    painter.drawImage(0, 0, image);
    const QString status =
        doc_.loaded() ? QString::fromStdString(lvviewer::statusText(
                            doc_.entries(), view_.top(), view_.visibleRows(), imperial_, failures))
                      : QString();
    if (status != status_) {
        status_ = status;
        Q_EMIT statusChanged(status_);
    }
}

void CLVViewerView::keyPressEvent(QKeyEvent* event) {
    const bool keypad = event->modifiers() & Qt::KeypadModifier;
    switch (event->key()) {
    case Qt::Key_Up:
        view_.lineUp();
        break;
    case Qt::Key_Down:
        view_.lineDown();
        break;
    case Qt::Key_PageUp:
        view_.pageUp();
        break;
    case Qt::Key_PageDown:
        view_.pageDown();
        break;
    case Qt::Key_Home:
        view_.home();
        break;
    case Qt::Key_End:
        view_.end();
        break;
    case Qt::Key_Plus:
        if (keypad && view_.zoomLevel() > 0)
            Q_EMIT zoomRequested(view_.zoomLevel() - 1);
        return;
    case Qt::Key_Minus:
        if (keypad && view_.zoomLevel() < ZoomLevels - 1)
            Q_EMIT zoomRequested(view_.zoomLevel() + 1);
        return;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    moved();
}

void CLVViewerView::wheelEvent(QWheelEvent* event) {
    const int notches = event->angleDelta().y() / 120;
    if (notches != 0) {
        view_.wheel(notches);
        moved();
    }
}

void CLVViewerView::mousePressEvent(QMouseEvent* event) {
    // The first side button zooms out, the second zooms in.
    if (event->button() == Qt::BackButton && view_.zoomLevel() < ZoomLevels - 1)
        Q_EMIT zoomRequested(view_.zoomLevel() + 1);
    else if (event->button() == Qt::ForwardButton && view_.zoomLevel() > 0)
        Q_EMIT zoomRequested(view_.zoomLevel() - 1);
    else
        QWidget::mousePressEvent(event);
}

} // namespace lvviewer::ui
