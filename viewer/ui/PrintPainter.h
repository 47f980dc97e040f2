// The printed pages drawn onto a Qt printer (a printer, a PDF file or the print preview): what
// the printer offers for the pagination, and each page as the core lays it out, the header
// ("Bore Hole ..." and "Printed on ..." over a line), the strip's rows stretched into their
// place and the footer (the page's depths and its number under a line), in Arial 4 mm.
#pragma once

#include "viewer/LVViewerDoc.h"
#include "viewer/LVViewerPrint.h"

#include <QString>

class QPrinter;

namespace lvviewer::ui {

PrinterDescription describePrinter(const QPrinter& printer);

// An upright A4 PDF file with 10 mm margins at the printer's resolution.
void setUpPdf(QPrinter& printer, const QString& path);

// Draws pages range.from to range.to, each after the first on a new sheet. False when the
// printer cannot be drawn on.
[[nodiscard]] bool paintPages(QPrinter& printer, const CLVViewerPrint& print, CLVViewerDoc& doc,
                              PageRange range, bool imperial);

} // namespace lvviewer::ui
