// The technical tools dialog ("Technical tools "): the four technical switches as check boxes;
// OK stores them (the switches, the diagnostic logs and the per-user settings store), Cancel
// changes nothing. Opened by the hidden key chord of the main window.
#pragma once

#include "acquisition/app/KeyChordMatcher.h"
#include "acquisition/app/TechnicalToolsLogic.h"

#include <QDialog>

#include <array>

class QCheckBox;

namespace zarn::ui {

class CTechnicalToolsDlg final : public QDialog {
    Q_OBJECT
public:
    CTechnicalToolsDlg(const TechnicalSwitches& current, QWidget* parent = nullptr);
    QCheckBox* box(TechnicalToolsLogic::Box which) const;
    // The logic with the boxes as the operator left them.
    const TechnicalToolsLogic& logic();

private:
    TechnicalToolsLogic logic_;
    std::array<QCheckBox*, 4> boxes_{};
};

// Watches every key-down of the program for the chord that opens the technical tools and posts
// the main window's private message (1034 with 500; 501 for Enter). Keys pass on unchanged.
class TechnicalToolsChord final : public QObject {
    Q_OBJECT
public:
    explicit TechnicalToolsChord(QObject* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    KeyChordMatcher matcher_;
};

} // namespace zarn::ui
