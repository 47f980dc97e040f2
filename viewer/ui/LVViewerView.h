// The view: the strip top-aligned in the window at one of five reductions, its own scroll bar
// at the right edge (0 to 32767), the keys, the wheel and the mouse's side buttons. Each paint
// composes only the rows on screen into the view's own buffer (the core's ScreenComposer) and
// draws that; the status text names the depths on screen.
#pragma once

#include "viewer/LVViewerDoc.h"
#include "viewer/ViewState.h"

#include <QWidget>

class QScrollBar;

namespace lvviewer::ui {

class CLVViewerView : public QWidget {
    Q_OBJECT
public:
    static constexpr int ScrollBarWidth = 16;

    CLVViewerView(CLVViewerDoc& doc, QWidget* parent = nullptr);

    ViewState& state() { return view_; }
    // A new document (or none): from its start row at the current reduction.
    void documentChanged();
    void setZoomLevel(int level);
    int zoomLevel() const { return view_.zoomLevel(); }
    void setLineScrollInc(int units) { view_.setLineScrollInc(units); }
    void setImperial(bool imperial) { imperial_ = imperial; }
    QString statusText() const { return status_; }
    QScrollBar* scrollBar() const { return bar_; }

Q_SIGNALS:
    void statusChanged(const QString& text);
    void zoomRequested(int level);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void moved(); // after every change of the top row
    void barAction(int action);

    CLVViewerDoc& doc_;
    ViewState view_;
    ScreenComposer composer_;
    QScrollBar* bar_;
    QString status_;
    bool imperial_ = false;
    bool syncing_ = false; // the bar being set from the view
};

} // namespace lvviewer::ui
