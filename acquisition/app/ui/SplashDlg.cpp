#include "acquisition/app/ui/SplashDlg.h"

#include "acquisition/app/MainWindowLogic.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QTimer>
#include <QVBoxLayout>

namespace zarn::ui {

CSplashDlg* CSplashDlg::create(const std::filesystem::path& folder, QWidget* parent) {
    QPixmap logo;
    if (!logo.load(QString::fromStdString((folder / LogoFileName).string())))
        return nullptr;
    return new CSplashDlg(logo, parent);
}

CSplashDlg::CSplashDlg(const QPixmap& logo, QWidget* parent)
    : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setAttribute(Qt::WA_DeleteOnClose);
    auto* name = new QLabel(QString::fromUtf8(MainWindowText::ProductName.data(),
                                              static_cast<int>(MainWindowText::ProductName.size())),
                            this);
    QFont bold = name->font();
    bold.setBold(true);
    bold.setPointSize(16);
    name->setFont(bold);
    name->setAlignment(Qt::AlignCenter);
    auto* picture = new QLabel(this);
    picture->setPixmap(logo);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(name);
    layout->addWidget(picture);
    QTimer::singleShot(ShownMs, this, &QDialog::close);
}

void CSplashDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        close();
}

} // namespace zarn::ui
