// The view: the strip top-aligned in the window at one of five reductions, its own scroll bar
// at the right edge (0 to 32767), the keys, the wheel and the mouse's side buttons. Each paint
// composes only the rows on screen into the view's own buffer (the core's ScreenComposer) and
// draws that; the status text names the depths on screen. It owns the page printer: the print,
// print preview and print setup commands, and the PDF file of the whole strip.
#pragma once

#include "viewer/LVViewerDoc.h"
#include "viewer/LVViewerPrint.h"
#include "viewer/ViewState.h"

#include <QWidget>

#include <memory>

class QPrinter;
class QPrintPreviewDialog;
class QScrollBar;

namespace lvviewer::ui {

class CLVViewerView : public QWidget {
    Q_OBJECT
public:
    static constexpr int ScrollBarWidth = 16;

    CLVViewerView(CLVViewerDoc& doc, QWidget* parent = nullptr);
    ~CLVViewerView() override;

    ViewState& state() { return view_; }
    // A new document (or none): from its start row at the current reduction.
    void documentChanged();
    void setZoomLevel(int level);
    int zoomLevel() const { return view_.zoomLevel(); }
    void setLineScrollInc(int units) { view_.setLineScrollInc(units); }
    void setImperial(bool imperial) { imperial_ = imperial; }
    QString statusText() const { return status_; }
    QScrollBar* scrollBar() const { return bar_; }
    void setColorPreview(bool on) { colorPreview_ = on; }

    // Printing. The printer keeps its choices from one command to the next.
    CLVViewerPrint& printing() { return print_; }
    QPrinter& printer();
    void OnFilePrint();
    void OnFilePrintPreview();
    void OnFilePrintSetup();
    // Paginates for the printer at the view's reduction and makes the page holding the view's
    // top row the current one. False, having said why, when the document or the printer cannot
    // print.
    bool preparePrinting(QPrinter& printer);
    // Prints the range (held to the pages there are), asking first for 10 pages or more when
    // ask is set. False when nothing was printed.
    bool printPages(QPrinter& printer, PageRange range, bool ask);
    // Every page into an A4 PDF file, without questions (the batch print).
    bool printToPdf(const QString& path);
    // The print preview, drawing the pages as it shows them; null, having said why, when
    // nothing can be printed.
    std::unique_ptr<QPrintPreviewDialog> createPreview();
    // After the preview: the view goes to the page shown last.
    void endPreview(QPrintPreviewDialog& preview);

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
    PrintCheck paginateFor(QPrinter& printer);

    CLVViewerDoc& doc_;
    ViewState view_;
    ScreenComposer composer_;
    QScrollBar* bar_;
    QString status_;
    bool imperial_ = false;
    bool syncing_ = false; // the bar being set from the view
    bool colorPreview_ = false;
    CLVViewerPrint print_;
    std::unique_ptr<QPrinter> printer_;
};

} // namespace lvviewer::ui
