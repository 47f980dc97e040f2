#include "viewer/ui/LVViewerView.h"

#include "viewer/ui/LVPrintDialog.h"
#include "viewer/ui/PrintPainter.h"
#include "viewer/ui/ViewerMessages.h"

#include <QDir>
#include <QImage>
#include <QKeyEvent>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
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

CLVViewerView::~CLVViewerView() = default;

void CLVViewerView::documentChanged() {
    print_.reset();
    view_.setStrip(doc_.loaded() ? doc_.totalHeight() : 0, doc_.startRow());
    moved();
}

void CLVViewerView::setZoomLevel(int level) {
    // The pages were made for the strip at the reduction before.
    if (level != view_.zoomLevel())
        print_.reset();
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
    case Qt::Key_PageDown: {
        // With pages printed or previewed, from page to page; else a page step.
        const bool down = event->key() == Qt::Key_PageDown;
        if (const int page = print_.pageForKey(view_.top(), down)) {
            print_.setCurrentPage(page);
            view_.scrollTo(print_.page(page).stripY);
        } else if (down) {
            view_.pageDown();
        } else {
            view_.pageUp();
        }
        break;
    }
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

QPrinter& CLVViewerView::printer() {
    if (!printer_)
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer_;
}

PrintCheck CLVViewerView::paginateFor(QPrinter& printer) {
    return print_.paginate(describePrinter(printer), doc_, view_.zoom(), colorPreview_);
}

bool CLVViewerView::preparePrinting(QPrinter& printer) {
    PrintCheck check = PrintCheck::NoDocument;
    if (CLVViewerPrint::printable(doc_))
        check = paginateFor(printer);
    if (check != PrintCheck::Ready) {
        showViewerMessage(this, printCheckText(check), printCheckTitle(check));
        return false;
    }
    print_.setPrintDate(localDateNow());
    print_.setCurrentPage(print_.pageAt(view_.top()));
    return true;
}

bool CLVViewerView::printPages(QPrinter& printer, PageRange range, bool ask) {
    range = print_.limitRange(range.from, range.to);
    if (range.count() == 0)
        return false;
    if (ask && CLVViewerPrint::asksFirst(range) &&
        !askViewerQuestion(this, CLVViewerPrint::rangeQuestion(range), "QUESTION"))
        return false;
    return paintPages(printer, print_, doc_, range, imperial_);
}

void CLVViewerView::OnFilePrint() {
    if (!CLVViewerPrint::printable(doc_)) {
        showViewerMessage(this, printCheckText(PrintCheck::NoDocument),
                          printCheckTitle(PrintCheck::NoDocument));
        return;
    }
    QPrinter& chosen = printer();
    // The dialog offers the pages on the printer chosen last; without them only "&All".
    if (paginateFor(chosen) == PrintCheck::Ready)
        print_.setCurrentPage(print_.pageAt(view_.top()));
    const QString file = QDir::home().filePath(
        QString::fromStdString(doc_.assembly().boreholeName).replace('/', '_') + ".pdf");
    CLVPrintDialog dialog(chosen, print_, file, this);
    if (dialog.exec() != QDialog::Accepted || !preparePrinting(chosen))
        return;
    PageRange range = dialog.range();
    if (dialog.choice() == CLVPrintDialog::Choice::CurrentPage) {
        print_.setCurrentPage(dialog.currentPage());
        range = {print_.currentPage(), print_.currentPage()};
    } else if (dialog.choice() == CLVPrintDialog::Choice::All) {
        range = {1, print_.pageCount()};
    }
    (void)printPages(chosen, range, true);
}

void CLVViewerView::OnFilePrintSetup() {
    QPageSetupDialog(&printer(), this).exec();
}

std::unique_ptr<QPrintPreviewDialog> CLVViewerView::createPreview() {
    QPrinter& chosen = printer();
    if (!preparePrinting(chosen))
        return nullptr;
    auto preview = std::make_unique<QPrintPreviewDialog>(&chosen, this);
    preview->setWindowTitle("Print Preview");
    // The preview draws again after its page setup: paginated anew for it.
    connect(preview.get(), &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* p) {
        if (paginateFor(*p) == PrintCheck::Ready)
            (void)paintPages(*p, print_, doc_, {1, print_.pageCount()}, imperial_);
    });
    return preview;
}

void CLVViewerView::endPreview(QPrintPreviewDialog& preview) {
    const auto* pages = preview.findChild<QPrintPreviewWidget*>();
    if (!pages || !print_.valid())
        return;
    print_.setCurrentPage(pages->currentPage());
    view_.scrollTo(print_.page(print_.currentPage()).stripY);
    moved();
}

void CLVViewerView::OnFilePrintPreview() {
    if (const std::unique_ptr<QPrintPreviewDialog> preview = createPreview()) {
        preview->exec();
        endPreview(*preview);
    }
}

bool CLVViewerView::printToPdf(const QString& path) {
    QPrinter pdf(QPrinter::HighResolution);
    setUpPdf(pdf, path);
    return preparePrinting(pdf) && printPages(pdf, {1, print_.pageCount()}, false);
}

} // namespace lvviewer::ui
