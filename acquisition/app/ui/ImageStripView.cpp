#include "acquisition/app/ui/ImageStripView.h"

#include "acquisition/engine/AcquisitionEngine.h"
#include "acquisition/stream/ToolsBmp.h"

#include <QImage>
#include <QPainter>

namespace zarn::ui {

ImageStripView::ImageStripView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedWidth(AcquisitionEngine::DisplayRowWidth);
    setMinimumHeight(64);
}

QSize ImageStripView::sizeHint() const {
    return {AcquisitionEngine::DisplayRowWidth, 600};
}

bool ImageStripView::copyFrom(CToolsBmp& image, bool forced) {
    // The band is as tall as the view; ShowImage keeps a buffer of the right size as it is.
    if (band_.height() != height())
        band_.resize(AcquisitionEngine::DisplayRowWidth, height());
    if (!image.ShowImage(band_, forced))
        return false;
    update();
    return true;
}

void ImageStripView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (band_.empty())
        return;
    // The view's own copy, owned and written by this thread only.
    const QImage image(reinterpret_cast<const uchar*>(band_.data()), band_.width(), band_.height(),
                       band_.width() * 4, QImage::Format_RGB32);
    painter.drawImage(0, 0, image);
}

} // namespace zarn::ui
