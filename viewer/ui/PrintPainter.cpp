#include "viewer/ui/PrintPainter.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>

namespace lvviewer::ui {

PrinterDescription describePrinter(const QPrinter& printer) {
    PrinterDescription d;
    d.dpiX = d.dpiY = printer.resolution();
    const QPageLayout layout = printer.pageLayout();
    const QRect pixels = layout.paintRectPixels(printer.resolution());
    const QRectF mm = layout.paintRect(QPageLayout::Millimeter);
    d.widthPixels = pixels.width();
    d.heightPixels = pixels.height();
    d.widthMm = mm.width();
    d.heightMm = mm.height();
    // Qt's printers draw bitmaps at any size; a printer set to grey has no colours.
    d.canStretch = true;
    const bool colour = printer.colorMode() == QPrinter::Color;
    d.colours = colour ? 1LL << 24 : 2;
    d.colourResolution = colour ? 24 : 1;
    return d;
}

void setUpPdf(QPrinter& printer, const QString& path) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                      QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
}

bool paintPages(QPrinter& printer, const CLVViewerPrint& print, CLVViewerDoc& doc, PageRange range,
                bool imperial) {
    if (range.count() == 0 || !print.valid())
        return false;
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    QFont font("Arial");
    font.setPixelSize(std::max(1, print.pixelsDown(4)));
    painter.setFont(font);
    QPen pen(Qt::black);
    pen.setWidth(std::max(1, print.pixelsAcross(0.2)));
    painter.setPen(pen);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRect area(0, 0, print.printer().widthPixels, print.printer().heightPixels);
    const int textHeight = painter.fontMetrics().height();
    const int gap = print.pixelsDown(1);
    const QString borehole =
        QString::fromStdString(CLVViewerPrint::boreholeText(doc.assembly().boreholeName));
    const QString date = QString::fromStdString(CLVViewerPrint::printedOnText(print.printDate()));
    zarn::PixelImage pixels;
    for (int n = range.from; n <= range.to; ++n) {
        if (n > range.from && !printer.newPage())
            break;
        painter.drawText(area, Qt::AlignLeft | Qt::AlignTop, borehole);
        painter.drawText(area, Qt::AlignRight | Qt::AlignTop, date);
        const int headerLine = area.top() + textHeight + gap;
        painter.drawLine(area.left(), headerLine, area.right(), headerLine);

        if (print.pagePixels(doc, n, &pixels)) {
            // A copy that the printer may keep (the preview records the page).
            QImage image = QImage(reinterpret_cast<const uchar*>(pixels.data()), pixels.width(),
                                  pixels.height(), pixels.width() * 4, QImage::Format_RGB32)
                               .copy();
            if (print.greyScale())
                image = image.convertToFormat(QImage::Format_Grayscale8);
            const PagePlacement place = print.placement(n);
            painter.drawImage(
                QRect(area.left() + place.x, area.top() + place.y, place.width, place.height),
                image);
        }

        painter.drawText(area, Qt::AlignLeft | Qt::AlignBottom,
                         QString::fromStdString(print.footerText(n, imperial)));
        painter.drawText(area, Qt::AlignRight | Qt::AlignBottom,
                         QString::fromStdString(CLVViewerPrint::pageText(n)));
        const int footerLine = area.bottom() - textHeight - gap;
        painter.drawLine(area.left(), footerLine, area.right(), footerLine);
    }
    return painter.end();
}

} // namespace lvviewer::ui
