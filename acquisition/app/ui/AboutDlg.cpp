#include "acquisition/app/ui/AboutDlg.h"

#include "acquisition/app/MainWindowLogic.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QSysInfo>
#include <QVBoxLayout>

namespace zarn::ui {

QString CAboutDlg::osText() {
    return QStringLiteral("OS: ") + QSysInfo::prettyProductName();
}

QString CAboutDlg::serialText(const QString& serialNumber) {
    return serialNumber.isEmpty() ? QStringLiteral("No USB device.")
                                  : QStringLiteral("Logger S/N : ") + serialNumber;
}

CAboutDlg::CAboutDlg(const QString& serialNumber, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About"));
    auto* layout = new QVBoxLayout(this);
    const auto line = [&](const QString& text) {
        auto* l = new QLabel(text, this);
        layout->addWidget(l);
        return l;
    };
    QLabel* product = line(QString::fromUtf8(MainWindowText::ProductName.data(),
                                             static_cast<int>(MainWindowText::ProductName.size())));
    QFont bold = product->font();
    bold.setBold(true);
    product->setFont(bold);
    line(QStringLiteral("ZARN version ") +
         QString::fromUtf8(MainWindowText::Version.data(),
                           static_cast<int>(MainWindowText::Version.size())));
    line(osText());
    line(serialText(serialNumber));
    line(QStringLiteral("Optical televiewer acquisition: logging, recording, replay and "
                        "export of the unrolled borehole wall."))
        ->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

} // namespace zarn::ui
