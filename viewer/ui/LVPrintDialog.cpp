#include "viewer/ui/LVPrintDialog.h"

#include "platform/Format.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace lvviewer::ui {
namespace {

QString stateText(QPrinter::PrinterState state) {
    switch (state) {
    case QPrinter::Idle:
        return "Ready";
    case QPrinter::Active:
        return "Printing";
    case QPrinter::Aborted:
        return "Aborted";
    case QPrinter::Error:
        return "Error";
    }
    return QString();
}

QLineEdit* pageEdit(QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setValidator(new QIntValidator(1, 999999, edit));
    edit->setMaximumWidth(70);
    return edit;
}

int pageOf(const QLineEdit* edit) {
    return zarn::parseInt(edit->text().trimmed().toStdString());
}

} // namespace

CLVPrintDialog::CLVPrintDialog(QPrinter& printer, const CLVViewerPrint& print,
                               const QString& defaultFile, QWidget* parent)
    : QDialog(parent), printer_(printer), print_(print) {
    setWindowTitle("Print");

    auto* printerGroup = new QGroupBox("Printer", this);
    auto* grid = new QGridLayout(printerGroup);
    name_ = new QComboBox(printerGroup);
    name_->setMinimumWidth(260);
    auto* nameLabel = new QLabel("&Name:", printerGroup);
    nameLabel->setBuddy(name_);
    auto* properties = new QPushButton("&Properties...", printerGroup);
    status_ = new QLabel(printerGroup);
    type_ = new QLabel(printerGroup);
    where_ = new QLabel(printerGroup);
    comment_ = new QLabel(printerGroup);
    toFile_ = new QCheckBox("Print to fi&le", printerGroup);
    fileEdit_ = new QLineEdit(defaultFile, printerGroup);
    grid->addWidget(nameLabel, 0, 0);
    grid->addWidget(name_, 0, 1);
    grid->addWidget(properties, 0, 2);
    grid->addWidget(new QLabel("Status:", printerGroup), 1, 0);
    grid->addWidget(status_, 1, 1, 1, 2);
    grid->addWidget(new QLabel("Type:", printerGroup), 2, 0);
    grid->addWidget(type_, 2, 1, 1, 2);
    grid->addWidget(new QLabel("Where:", printerGroup), 3, 0);
    grid->addWidget(where_, 3, 1, 1, 2);
    grid->addWidget(new QLabel("Comment:", printerGroup), 4, 0);
    grid->addWidget(comment_, 4, 1, 1, 2);
    grid->addWidget(toFile_, 5, 0);
    grid->addWidget(fileEdit_, 5, 1, 1, 2);

    auto* rangeGroup = new QGroupBox("Print range", this);
    auto* rangeGrid = new QGridLayout(rangeGroup);
    all_ = new QRadioButton("&All", rangeGroup);
    current_ = new QRadioButton("&Current Page", rangeGroup);
    pages_ = new QRadioButton("Pa&ges", rangeGroup);
    currentEdit_ = pageEdit(rangeGroup);
    fromEdit_ = pageEdit(rangeGroup);
    toEdit_ = pageEdit(rangeGroup);
    fromLabel_ = new QLabel("&from:", rangeGroup);
    fromLabel_->setBuddy(fromEdit_);
    toLabel_ = new QLabel("&to:", rangeGroup);
    toLabel_->setBuddy(toEdit_);
    rangeGrid->addWidget(all_, 0, 0);
    rangeGrid->addWidget(current_, 1, 0);
    rangeGrid->addWidget(currentEdit_, 1, 1);
    rangeGrid->addWidget(pages_, 2, 0);
    rangeGrid->addWidget(fromLabel_, 2, 1);
    rangeGrid->addWidget(fromEdit_, 2, 2);
    rangeGrid->addWidget(toLabel_, 2, 3);
    rangeGrid->addWidget(toEdit_, 2, 4);

    auto* copiesGroup = new QGroupBox("Copies", this);
    auto* copiesGrid = new QGridLayout(copiesGroup);
    copies_ = new QSpinBox(copiesGroup);
    copies_->setRange(1, 999);
    copies_->setValue(std::max(1, printer.copyCount()));
    auto* copiesLabel = new QLabel("Number of &copies:", copiesGroup);
    copiesLabel->setBuddy(copies_);
    collate_ = new QCheckBox("C&ollate", copiesGroup);
    collate_->setChecked(printer.collateCopies());
    copiesGrid->addWidget(copiesLabel, 0, 0);
    copiesGrid->addWidget(copies_, 0, 1);
    copiesGrid->addWidget(collate_, 1, 0, 1, 2);

    auto* buttons = new QDialogButtonBox(this);
    ok_ = buttons->addButton("OK", QDialogButtonBox::AcceptRole);
    buttons->addButton("Cancel", QDialogButtonBox::RejectRole);
    // There is no help to show.
    buttons->addButton("&Help", QDialogButtonBox::HelpRole)->setEnabled(false);
    connect(buttons, &QDialogButtonBox::accepted, this, &CLVPrintDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* lower = new QHBoxLayout;
    lower->addWidget(rangeGroup, 1);
    lower->addWidget(copiesGroup);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(printerGroup);
    layout->addLayout(lower);
    layout->addWidget(buttons);

    // The system's printers; without any, only a file.
    const QStringList names = QPrinterInfo::availablePrinterNames();
    name_->addItems(names);
    const QString chosen = printer.printerName().isEmpty() ? QPrinterInfo::defaultPrinterName()
                                                           : printer.printerName();
    if (names.contains(chosen))
        name_->setCurrentText(chosen);
    const bool toFile = names.isEmpty() || printer.outputFormat() == QPrinter::PdfFormat;
    toFile_->setChecked(toFile);
    toFile_->setEnabled(!names.isEmpty());
    name_->setEnabled(!names.isEmpty() && !toFile);
    if (!printer.outputFileName().isEmpty())
        fileEdit_->setText(printer.outputFileName());
    fileEdit_->setEnabled(toFile);
    showPrinter(name_->currentText());
    connect(name_, &QComboBox::currentTextChanged, this, &CLVPrintDialog::showPrinter);
    connect(toFile_, &QCheckBox::toggled, this, [this](bool on) {
        fileEdit_->setEnabled(on);
        name_->setEnabled(!on && name_->count() > 0);
        showPrinter(name_->currentText());
        updateOk();
    });
    connect(fileEdit_, &QLineEdit::textChanged, this, &CLVPrintDialog::updateOk);
    connect(properties, &QPushButton::clicked, this, [this] {
        if (!toFile_->isChecked())
            printer_.setPrinterName(name_->currentText());
        QPageSetupDialog(&printer_, this).exec();
    });

    // The range: "&All" always; the pages only when there are pages.
    all_->setChecked(true);
    const int page = print.currentPage();
    const bool pages = print.valid() && page > 0;
    for (QWidget* w : {static_cast<QWidget*>(current_), static_cast<QWidget*>(pages_),
                       static_cast<QWidget*>(currentEdit_), static_cast<QWidget*>(fromEdit_),
                       static_cast<QWidget*>(toEdit_), static_cast<QWidget*>(fromLabel_),
                       static_cast<QWidget*>(toLabel_)})
        w->setEnabled(pages);
    if (pages) {
        fromEdit_->setText(QString::number(1));
        toEdit_->setText(QString::number(print.pageCount()));
        currentEdit_->setText(QString::number(page));
    }
    connect(currentEdit_, &QLineEdit::textEdited, this, [this] { current_->setChecked(true); });
    const auto choosePages = [this] { pages_->setChecked(true); };
    connect(fromEdit_, &QLineEdit::textEdited, this, choosePages);
    connect(toEdit_, &QLineEdit::textEdited, this, choosePages);
    updateOk();
}

void CLVPrintDialog::showPrinter(const QString& name) {
    if (toFile_->isChecked()) {
        status_->setText("Ready");
        type_->setText("PDF file");
        where_->setText(QString());
        comment_->setText(QString());
        return;
    }
    const QPrinterInfo info = QPrinterInfo::printerInfo(name);
    status_->setText(stateText(info.state()));
    type_->setText(info.makeAndModel());
    where_->setText(info.location());
    comment_->setText(info.description());
}

void CLVPrintDialog::updateOk() {
    ok_->setEnabled(!toFile_->isChecked() || !fileEdit_->text().trimmed().isEmpty());
}

CLVPrintDialog::Choice CLVPrintDialog::choice() const {
    if (current_->isChecked())
        return Choice::CurrentPage;
    return pages_->isChecked() ? Choice::Pages : Choice::All;
}

PageRange CLVPrintDialog::range() const {
    switch (choice()) {
    case Choice::All:
        return {1, print_.pageCount()};
    case Choice::CurrentPage:
        return {currentPage_, currentPage_};
    case Choice::Pages:
        return {std::max(0, pageOf(fromEdit_)), std::max(0, pageOf(toEdit_))};
    }
    return {};
}

void CLVPrintDialog::accept() {
    if (choice() == Choice::CurrentPage)
        currentPage_ = std::max(1, pageOf(currentEdit_));
    else
        currentPage_ = std::max(1, print_.currentPage());
    if (toFile_->isChecked()) {
        printer_.setOutputFormat(QPrinter::PdfFormat);
        printer_.setOutputFileName(fileEdit_->text().trimmed());
    } else {
        printer_.setOutputFormat(QPrinter::NativeFormat);
        printer_.setPrinterName(name_->currentText());
    }
    printer_.setCopyCount(copies_->value());
    printer_.setCollateCopies(collate_->isChecked());
    QDialog::accept();
}

} // namespace lvviewer::ui
