// Small helpers the export dialogs build their widgets with.
#pragma once

#include <QPushButton>
#include <QString>

#include <string>

namespace zarn::ui {

inline QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

// A widget with the object name the tests find it by.
template <typename W> W* named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// A button that never takes Enter: Enter in a field moves on to the next control, which leaves
// the field through its check.
inline QPushButton* plainButton(const char* text, const char* name, QWidget* parent) {
    auto* b = named(new QPushButton(QString::fromLatin1(text), parent), name);
    b->setAutoDefault(false);
    return b;
}

// The small "..." button that opens a file or folder dialog.
inline QPushButton* browseButton(const char* name, QWidget* parent) {
    QPushButton* b = plainButton("...", name, parent);
    b->setFixedWidth(b->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 24);
    return b;
}

} // namespace zarn::ui
