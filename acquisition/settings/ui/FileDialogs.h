// File dialog filters that match an extension in any case: logs written on other systems carry
// ".HED", ".hed" or any mix, and the operator must see them all.
#pragma once

#include <QString>

namespace zarn::ui {

// "*.[hH][eE][dD]" for "hed".
QString anyCasePattern(const QString& extension);
// "ZARN File (*.[hH][eE][dD])" for "ZARN File" and "hed".
QString anyCaseFilter(const QString& description, const QString& extension);

} // namespace zarn::ui
