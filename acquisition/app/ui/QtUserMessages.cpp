#include "acquisition/app/ui/QtUserMessages.h"

#include "acquisition/app/ui/GuiThread.h"

#include <QGuiApplication>
#include <QMessageBox>

#include <cstdio>

namespace zarn::ui {
namespace {

QMessageBox::Icon iconOf(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Error:
        return QMessageBox::Critical;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons buttonsOf(MessageButtons buttons) {
    switch (buttons) {
    case MessageButtons::Ok:
        return QMessageBox::Ok;
    case MessageButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MessageButtons::RetryCancel:
        return QMessageBox::Retry | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::StandardButton buttonOf(MessageAnswer answer) {
    switch (answer) {
    case MessageAnswer::Ok:
        return QMessageBox::Ok;
    case MessageAnswer::Cancel:
        return QMessageBox::Cancel;
    case MessageAnswer::Yes:
        return QMessageBox::Yes;
    case MessageAnswer::No:
        return QMessageBox::No;
    case MessageAnswer::Retry:
        return QMessageBox::Retry;
    }
    return QMessageBox::Ok;
}

MessageAnswer answerOf(int button, MessageAnswer closed) {
    switch (button) {
    case QMessageBox::Ok:
        return MessageAnswer::Ok;
    case QMessageBox::Cancel:
        return MessageAnswer::Cancel;
    case QMessageBox::Yes:
        return MessageAnswer::Yes;
    case QMessageBox::No:
        return MessageAnswer::No;
    case QMessageBox::Retry:
        return MessageAnswer::Retry;
    default:
        return closed;
    }
}

MessageAnswer firstAnswerOf(MessageButtons buttons) {
    switch (buttons) {
    case MessageButtons::Ok:
    case MessageButtons::OkCancel:
        return MessageAnswer::Ok;
    case MessageButtons::YesNo:
    case MessageButtons::YesNoCancel:
        return MessageAnswer::Yes;
    case MessageButtons::RetryCancel:
        return MessageAnswer::Retry;
    }
    return MessageAnswer::Ok;
}

// The answer of a box closed without a button (Escape, the close button): never a Yes or an Ok
// that was not given, unless Ok is all the box offers.
MessageAnswer dismissedAnswerOf(MessageButtons buttons) {
    switch (buttons) {
    case MessageButtons::Ok:
        return MessageAnswer::Ok;
    case MessageButtons::YesNo:
        return MessageAnswer::No;
    case MessageButtons::OkCancel:
    case MessageButtons::YesNoCancel:
    case MessageButtons::RetryCancel:
        return MessageAnswer::Cancel;
    }
    return MessageAnswer::Cancel;
}

} // namespace

QtUserMessages::QtUserMessages(QWidget* parent, Attendance attendance)
    : parent_(parent), attendance_(attendance), inbox_(std::make_unique<GuiInbox>()) {}

QtUserMessages::~QtUserMessages() = default;

MessageAnswer QtUserMessages::defaultAnswerOf(const UserMessage& message) {
    return message.defaultAnswer.value_or(firstAnswerOf(message.buttons));
}

QMessageBox* QtUserMessages::makeBox(const UserMessage& message, QWidget* parent) {
    auto* box =
        new QMessageBox(iconOf(message.icon), QString::fromStdString(message.title),
                        QString::fromStdString(message.text), buttonsOf(message.buttons), parent);
    box->setDefaultButton(buttonOf(defaultAnswerOf(message)));
    return box;
}

QtUserMessages::Attendance QtUserMessages::attendanceOfPlatform() {
    return QGuiApplication::platformName() == QLatin1String("offscreen") ? Attendance::Unattended
                                                                         : Attendance::Attended;
}

MessageAnswer QtUserMessages::ask(const UserMessage& message) {
    if (attendance_ == Attendance::Unattended) {
        std::fprintf(stderr, "%s: %s\n", message.title.c_str(), message.text.c_str());
        return defaultAnswerOf(message);
    }
    if (!onGuiThread()) {
        // Another thread never waits on the windows: it gets the default answer at once and
        // the operator still sees the message.
        notify(message);
        return defaultAnswerOf(message);
    }
    QMessageBox* box = makeBox(message, parent_);
    const int button = box->exec();
    delete box;
    return answerOf(button, dismissedAnswerOf(message.buttons));
}

void QtUserMessages::notify(const UserMessage& message) {
    if (attendance_ == Attendance::Unattended)
        std::fprintf(stderr, "%s: %s\n", message.title.c_str(), message.text.c_str());
    inbox_->post([this, message] {
        QMessageBox* box = makeBox(message, parent_);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setModal(false);
        box->show();
    });
}

} // namespace zarn::ui
