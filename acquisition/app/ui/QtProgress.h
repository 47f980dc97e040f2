// Progress of long work that runs on the window thread (opening and repairing a log): a
// progress dialog with Cancel, kept responsive by letting the window's events through a few
// times a second while the work reports.
#pragma once

#include "platform/Progress.h"

#include <QElapsedTimer>

#include <atomic>

class QProgressDialog;
class QWidget;

namespace zarn::ui {

class QtProgress final : public Progress {
public:
    explicit QtProgress(QWidget* parent);
    ~QtProgress() override;
    QtProgress(const QtProgress&) = delete;
    QtProgress& operator=(const QtProgress&) = delete;

    void stage(std::string_view text) override;
    void fraction(double done) override;
    [[nodiscard]] bool cancelled() const override;

private:
    void letEventsThrough();

    QProgressDialog* dialog_;
    QElapsedTimer sinceEvents_;
    std::atomic<bool> cancelled_{false};
};

} // namespace zarn::ui
