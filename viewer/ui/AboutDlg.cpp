#include "viewer/ui/AboutDlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPixmap>

namespace lvviewer::ui {

QIcon viewerIcon() {
    // A strip of borehole wall with its depth ticks.
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(236, 233, 216));
    p.setPen(QColor(113, 111, 100));
    p.drawRoundedRect(4, 2, 56, 60, 6, 6);
    QLinearGradient wall(0, 0, 0, 64);
    wall.setColorAt(0, QColor(150, 120, 90));
    wall.setColorAt(1, QColor(90, 70, 55));
    p.setBrush(wall);
    p.setPen(Qt::NoPen);
    p.drawRect(12, 6, 28, 52);
    p.setPen(QPen(QColor(40, 30, 25), 2));
    p.drawLine(12, 24, 40, 34); // a fracture across the wall
    p.setPen(QPen(Qt::black, 1));
    for (int y = 8; y < 58; y += 5)
        p.drawLine(44, y, y % 25 == 8 ? 54 : 49, y);
    return QIcon(pixmap);
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle("About LVViewer");
    auto* layout = new QGridLayout(this);
    auto* icon = new QLabel(this);
    icon->setPixmap(viewerIcon().pixmap(48, 48));
    layout->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(new QLabel("LVViewer Version 1.0", this), 0, 1);
    layout->addWidget(
        new QLabel("Core images of a borehole, assembled into one strip by depth.", this), 1, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons, 2, 0, 1, 2);
}

} // namespace lvviewer::ui
