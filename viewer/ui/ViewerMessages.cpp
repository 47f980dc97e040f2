#include "viewer/ui/ViewerMessages.h"

#include <QMessageBox>

namespace lvviewer::ui {

void showViewerMessage(QWidget*, const std::string& text, const std::string& title) {
    (void)zarn::UserMessages::current().ask(
        {text, title, zarn::MessageIcon::Warning, zarn::MessageButtons::Ok});
}

bool askViewerQuestion(QWidget*, const std::string& text, const std::string& title) {
    return zarn::UserMessages::current().ask(
               {text, title, zarn::MessageIcon::Question, zarn::MessageButtons::YesNo}) ==
           zarn::MessageAnswer::Yes;
}

zarn::MessageAnswer ViewerMessageBoxes::ask(const zarn::UserMessage& message) {
    const QString title = QString::fromStdString(message.title);
    const QString text = QString::fromStdString(message.text);
    if (message.buttons == zarn::MessageButtons::YesNo)
        return QMessageBox::question(parent_, title, text) == QMessageBox::Yes
                   ? zarn::MessageAnswer::Yes
                   : zarn::MessageAnswer::No;
    QMessageBox::warning(parent_, title, text);
    return zarn::MessageAnswer::Ok;
}

} // namespace lvviewer::ui
