// The about box: the operating system, the logger's serial number as the reader passed it on at
// its start ("No USB device." before any reader started), the program's version.
#pragma once

#include <QDialog>

namespace zarn::ui {

class CAboutDlg final : public QDialog {
    Q_OBJECT
public:
    // serialNumber: empty when no reader has started since the program began.
    CAboutDlg(const QString& serialNumber, QWidget* parent = nullptr);
    // "OS: " and the system's name and version.
    static QString osText();
    static QString serialText(const QString& serialNumber);
};

} // namespace zarn::ui
