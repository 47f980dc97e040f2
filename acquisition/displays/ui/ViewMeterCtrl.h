// The dial control: a round face with a needle, 0 degrees straight up and growing clockwise,
// over a ViewMeterModel. A new value is drawn into the control's own image a little later (so a
// burst of values gives one draw) and painting copies that image. Only the GUI thread calls it.
#pragma once

#include "acquisition/displays/ViewMeterModel.h"

#include <QImage>
#include <QTimer>
#include <QWidget>

namespace zarn::ui {

class CViewMeterCtrl : public QWidget {
    Q_OBJECT

public:
    explicit CViewMeterCtrl(QWidget* parent = nullptr);

    // degrees from 0 to 360; other values are ignored.
    void SetValue(double degrees);

    const ViewMeterModel& model() const { return model_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void requestDraw();
    void draw();

    ViewMeterModel model_;
    QImage image_;
    QTimer redrawTimer_;
};

} // namespace zarn::ui
