// One page of the header editor: the fields of its page of HeaderDlgLogic::pages(), each a
// labelled line (the remarks a text of several lines), the real and casing fields in their
// frames. What is typed goes to the logic at once; fill() shows the logic's texts. Each field
// carries its "[WellInfo]" key as object name, by which the tests find it.
#pragma once

#include "acquisition/export/HeaderDlgLogic.h"

#include <QWidget>

#include <vector>

class QLineEdit;
class QPlainTextEdit;

namespace zarn::ui {

class HeaderPageForm : public QWidget {
    Q_OBJECT
public:
    HeaderPageForm(HeaderDlgLogic& logic, int page, QWidget* parent);

    // The logic's texts into the fields.
    void fill();
    // The field of a key, when this page has it.
    QWidget* field(std::string_view key) const;

Q_SIGNALS:
    // A field was typed into (another page showing the same key refills it).
    void edited();

private:
    HeaderDlgLogic& logic_;
    std::vector<std::pair<std::string, QLineEdit*>> lines_;
    QPlainTextEdit* remarks_ = nullptr;
};

} // namespace zarn::ui
