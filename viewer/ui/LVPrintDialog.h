// The print dialog "Print": the printer (its name, properties, status, type, place and comment,
// or a PDF file), the range ("&All", "&Current Page" with its page, "Pa&ges" from and to) and
// the copies. It offers the page numbers of the pagination made before it opens; without pages
// only "&All" can be chosen. OK hands the printer, the copies and the file to the printer.
#pragma once

#include "viewer/LVViewerPrint.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPrinter;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace lvviewer::ui {

class CLVPrintDialog : public QDialog {
    Q_OBJECT
public:
    enum class Choice { All, CurrentPage, Pages };

    // print: its page count and current page preset the range; defaultFile: the PDF file
    // offered when printing to a file.
    CLVPrintDialog(QPrinter& printer, const CLVViewerPrint& print, const QString& defaultFile,
                   QWidget* parent = nullptr);

    Choice choice() const;
    // After OK: the current page chosen (at least 1), and the pages asked for (from 0 when
    // none could be read).
    int currentPage() const { return currentPage_; }
    PageRange range() const;

    QRadioButton* allButton() const { return all_; }
    QRadioButton* currentButton() const { return current_; }
    QRadioButton* pagesButton() const { return pages_; }
    QLineEdit* currentEdit() const { return currentEdit_; }
    QLineEdit* fromEdit() const { return fromEdit_; }
    QLineEdit* toEdit() const { return toEdit_; }
    QCheckBox* toFileBox() const { return toFile_; }
    QLineEdit* fileEdit() const { return fileEdit_; }
    QPushButton* okButton() const { return ok_; }

    void accept() override;

private:
    void showPrinter(const QString& name);
    void updateOk();

    QPrinter& printer_;
    const CLVViewerPrint& print_;
    int currentPage_ = 0;
    QComboBox* name_;
    QLabel* status_;
    QLabel* type_;
    QLabel* where_;
    QLabel* comment_;
    QCheckBox* toFile_;
    QLineEdit* fileEdit_;
    QRadioButton* all_;
    QRadioButton* current_;
    QRadioButton* pages_;
    QLineEdit* currentEdit_;
    QLineEdit* fromEdit_;
    QLineEdit* toEdit_;
    QLabel* fromLabel_;
    QLabel* toLabel_;
    QSpinBox* copies_;
    QCheckBox* collate_;
    QPushButton* ok_;
};

} // namespace lvviewer::ui
