// The preferences dialog ("Preferences"): the "View" group with the "Depth Scale" list and the
// "Scrolling key increment", the "Options" group with "Force Color Printer Preview", "Multi
// Thread Background File loader" and "Use imperial units" (which switches the list's unit at
// once, keeping the step chosen), and "OK". The "Font Size" list is there but hidden.
#pragma once

#include "viewer/ViewerPreferences.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QSpinBox;

namespace lvviewer::ui {

class CPreferenceDlg : public QDialog {
    Q_OBJECT
public:
    CPreferenceDlg(const ViewerPreferences& current, QWidget* parent = nullptr);

    // The preferences as the dialog stands.
    ViewerPreferences chosen() const;

    QComboBox* depthScaleList() const { return scale_; }
    QCheckBox* imperialBox() const { return imperial_; }

private:
    void fillScales();

    ViewerPreferences prefs_;
    QComboBox* scale_;
    QComboBox* fontSize_;
    QSpinBox* lineInc_;
    QCheckBox* colour_;
    QCheckBox* loader_;
    QCheckBox* imperial_;
};

} // namespace lvviewer::ui
