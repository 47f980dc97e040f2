// The small window that says the program is closing ("Shutdown ... wait", then what it waits
// for), shown while the link threads end.
#pragma once

#include <QDialog>

class QLabel;

namespace zarn::ui {

class CEndProcessDlg final : public QDialog {
    Q_OBJECT
public:
    explicit CEndProcessDlg(QWidget* parent = nullptr);
    // Shows the text at once (the events are let through so it is drawn).
    void setText(const QString& text);
    QString text() const;

private:
    QLabel* text_;
};

} // namespace zarn::ui
