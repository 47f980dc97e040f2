// The image strip of the main window: the visible band of the image memory, copied by the
// window thread under the image lock into the view's own pixels, and painted from that copy.
// The engine's memory is never painted directly, so painting never races a row being drawn and
// never reads memory that was freed.
#pragma once

#include "platform/PixelImage.h"

#include <QWidget>

namespace zarn {
class CToolsBmp;
}

namespace zarn::ui {

class ImageStripView final : public QWidget {
    Q_OBJECT
public:
    explicit ImageStripView(QWidget* parent = nullptr);

    // Copies the band (ShowImage; unless forced only when enough new rows were drawn) and
    // repaints when it copied. True when it copied.
    bool copyFrom(CToolsBmp& image, bool forced);
    // The pixels shown (for tests and the screenshot).
    const PixelImage& shown() const { return band_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    PixelImage band_;
};

} // namespace zarn::ui
