// The about box ("About LVViewer"): the program's icon, its version and what it is for.
#pragma once

#include <QDialog>

namespace lvviewer::ui {

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

// The program's icon (drawn, so that it needs no file).
QIcon viewerIcon();

} // namespace lvviewer::ui
