#include "WindowTestSupport.h"

#include "acquisition/app/ui/QtUserMessages.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <thread>

namespace zarn::ui {
namespace {

QList<QMessageBox*> openBoxes() {
    QList<QMessageBox*> boxes;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(w); box != nullptr && box->isVisible()) {
            boxes.append(box);
        }
    }
    return boxes;
}

void closeBoxes() {
    for (QMessageBox* box : openBoxes())
        box->close();
    QApplication::processEvents();
}

const UserMessage replaceQuestion{"Same file name exist, do you want replace this ?", "ZARN",
                                  MessageIcon::Question, MessageButtons::YesNo, MessageAnswer::No};

TEST(QtUserMessages, NoticeFromAWorkerIsShownOnTheWindowThread) {
    QtUserMessages messages;
    std::thread worker([&] {
        messages.notify({"Trouble opening file.", "ZARN", MessageIcon::Error});
    });
    worker.join();
    EXPECT_TRUE(openBoxes().isEmpty()) << "shown before the window thread ran";
    ASSERT_TRUE(test::waitUntil([] { return !openBoxes().isEmpty(); }, 2000));
    const auto boxes = openBoxes();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes.front()->text(), "Trouble opening file.");
    EXPECT_EQ(boxes.front()->icon(), QMessageBox::Critical);
    closeBoxes();
}

TEST(QtUserMessages, QuestionFromAWorkerGetsItsDefaultAnswerWithoutWaiting) {
    QtUserMessages messages;
    MessageAnswer answer = MessageAnswer::Yes;
    std::thread worker([&] { answer = messages.ask(replaceQuestion); });
    worker.join(); // would hang if the worker waited for the window thread
    EXPECT_EQ(answer, MessageAnswer::No);
    EXPECT_TRUE(test::waitUntil([] { return openBoxes().size() == 1; }, 2000));
    closeBoxes();
}

TEST(QtUserMessages, QuestionOnTheWindowThreadTakesTheButtonPressed) {
    struct Case {
        const char* press; // button text, or nullptr to close the box
        MessageAnswer expected;
    };
    for (const Case& c : {Case{"&Yes", MessageAnswer::Yes}, Case{"&No", MessageAnswer::No},
                          Case{nullptr, MessageAnswer::No}}) {
        QtUserMessages messages;
        QTimer::singleShot(0, [&] {
            const auto boxes = openBoxes();
            ASSERT_EQ(boxes.size(), 1);
            QMessageBox* box = boxes.front();
            EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
            if (c.press == nullptr) {
                box->reject();
                return;
            }
            for (QAbstractButton* b : box->buttons()) {
                if (b->text() == c.press)
                    b->click();
            }
        });
        EXPECT_EQ(messages.ask(replaceQuestion), c.expected) << (c.press ? c.press : "closed");
    }
}

} // namespace
} // namespace zarn::ui
