// The preview of a picture export in the dialog's picture frame: the export's lines from its
// start depth on, at a depth step that makes the frame's width stand for the picture's (the
// interval x line width / frame width, on the 0.1 mm grid in metres), each compressed
// horizontally to the frame (source pixel i goes to column i x frame width / line width),
// until the frame is full or the end depth is reached; rows below stay opaque black. Nothing is
// written and no depth scale is drawn.
#pragma once

#include "acquisition/export/ExportSource.h"
#include "acquisition/export/PictureExportJob.h"
#include "platform/PixelImage.h"
#include "platform/Progress.h"

#include <optional>

namespace zarn {

// The step of the preview's lines, signed as the job's interval.
double previewStepOf(const PictureExportJob& job, int lineWidth, int frameWidth);

// The preview picture of frameWidth x frameHeight pixels, or nothing when the export cannot
// start or was cancelled. Reports only its fraction done.
std::optional<PixelImage> picturePreview(const ExportSource& source, const PictureExportJob& job,
                                         int frameWidth, int frameHeight,
                                         Progress& progress = noProgress());

} // namespace zarn
