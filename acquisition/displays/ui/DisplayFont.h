// The font family of the read-outs: "Arial" where the system has it, otherwise a family that it
// has ("DejaVu Sans" on Debian, else the system's general font), so that sizes stay as set.
#pragma once

#include <QString>

namespace zarn::ui {

QString displayFontFamily();

} // namespace zarn::ui
