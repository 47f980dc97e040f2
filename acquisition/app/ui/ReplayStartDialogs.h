// The two dialogs that choose where a replay starts, over their logic: "Set depth start" for a
// log of one data file (a depth in the offered range, or "All" from the first record) and
// "Multi file selector" for a log of several (the first file to play).
#pragma once

#include "acquisition/logfiles/MultiFileSelectorLogic.h"
#include "acquisition/logfiles/SetDepthPlayerLogic.h"

#include <QDialog>

#include <optional>

class QComboBox;
class QLineEdit;

namespace zarn::ui {

class CPSetDepthPlayer final : public QDialog {
    Q_OBJECT
public:
    CPSetDepthPlayer(const SetDepthPlayerLogic& logic, QWidget* parent = nullptr);
    // The start depth chosen (metres); empty for "All" or a dismissed dialog.
    std::optional<double> startDepth() const { return start_; }
    QLineEdit* entry() const { return entry_; }

    void accept() override; // OK: the entry checked, the dialog stays open on a refusal

private:
    const SetDepthPlayerLogic& logic_;
    QLineEdit* entry_;
    std::optional<double> start_;
};

class CPMultiFileSelector final : public QDialog {
    Q_OBJECT
public:
    CPMultiFileSelector(MultiFileSelectorLogic& logic, QWidget* parent = nullptr);
    // The first replay file chosen (a dismissed dialog: the first file).
    int fileIndex() const;

private:
    MultiFileSelectorLogic& logic_;
    QComboBox* files_;
    bool accepted_ = false;
};

} // namespace zarn::ui
