// The alarm window: a depth encoder fault or a failing battery or supply, in red, with a warning
// icon and "&OK", which only hides it; the next frame with the alarm shows it again. Created
// hidden with the texts of the encoder alarm.
#pragma once

#include <QDialog>

class QLabel;

namespace zarn::ui {

class CAlertDlg final : public QDialog {
    Q_OBJECT
public:
    explicit CAlertDlg(QWidget* parent = nullptr);
    // Sets the title and message of the alarm and shows the window (window thread).
    void ShowAlarm(const QString& title, const QString& message);
    QString message() const;

private:
    QLabel* message_;
};

} // namespace zarn::ui
