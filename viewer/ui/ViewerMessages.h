// The viewer's message boxes, on the window thread only (its loader never shows one), through
// the platform's message boxes, so that tests record and answer them.
#pragma once

#include "platform/UserMessages.h"

#include <string>

class QWidget;

namespace lvviewer::ui {

// A notice with its title ("SORRY", "ERROR", ...).
void showViewerMessage(QWidget* parent, const std::string& text, const std::string& title);
// A Yes/No question; true for Yes.
bool askViewerQuestion(QWidget* parent, const std::string& text, const std::string& title);

// The Qt face of the platform's message boxes for the viewer: installed by the program.
class ViewerMessageBoxes final : public zarn::UserMessages {
public:
    zarn::MessageAnswer ask(const zarn::UserMessage& message) override;
    void notify(const zarn::UserMessage& message) override { (void)ask(message); }
    void setParent(QWidget* parent) { parent_ = parent; }

private:
    QWidget* parent_ = nullptr;
};

} // namespace lvviewer::ui
