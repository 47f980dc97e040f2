// The probe page of the logger setup sheet: the surface voltage with the sonde's voltage, the
// magnetic declination, the sonde list with "Add" and "Remove", the image offset edit with its
// alignment preview, and the natural gamma options with the gamma coefficient edit. The logic
// is ProbePageLogic; the page shows what it stored after each answer.
#pragma once

#include "acquisition/settings/AlignmentPreview.h"
#include "acquisition/settings/ProbePageLogic.h"

#include <QImage>
#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace zarn::ui {

class NumberField;

class CPProbeDlg final : public QWidget {
    Q_OBJECT
public:
    CPProbeDlg(LoggerSetupHost& host, SondeDatabase& sondes, QWidget* parent = nullptr);

    ProbePageLogic& logic() { return logic_; }
    AlignmentPreview& preview() { return preview_; }
    // The file-open dialog of "Add"; tests replace it.
    SondeDatabase::ChooseImportFile chooseImportFile;

    // The sonde-changed command: the list again, with the selected sonde's values.
    void rebuildSondeList();
    void showValues();
    // The voltage-update (1743) and clear (1744) commands.
    void showSondeVoltage();
    void clearSondeVoltage();
    // A new image row was drawn (1749): the preview again while the image offset is edited.
    void rowDrawn();
    // The sheet's enabling.
    void setEnabling(bool voltageAndDeclination, bool sondeList, bool add, bool imageOffsetEdit);
    void setGammaShown(bool shown);
    bool sondeHasGamma() const { return sondes_.table().working.gammaOnBoard != 0; }

    void OnAdd();
    void OnRemove();
    void OnImageOffsetEdit(); // "Edit" / "Save"
    void OnImageOffsetCancel();
    void OnGammaEdit();
    void OnSet();

    QString sondeVoltageText() const;
Q_SIGNALS:
    // The sonde table or the working copy changed.
    void sondeTableChanged();

public:
    // The preview as drawn on the page; null while there is none.
    const QImage& previewImage() const { return previewImage_; }

private:
    void showImageOffsetState();

    ProbePageLogic logic_;
    SondeDatabase& sondes_;
    LoggerSetupHost& host_;
    AlignmentPreview preview_;
    QImage previewImage_;
    NumberField* voltage_ = nullptr;
    QLabel* sondeVoltage_ = nullptr;
    NumberField* declination_ = nullptr;
    QComboBox* sonde_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* remove_ = nullptr;
    NumberField* imageOffset_ = nullptr;
    QPushButton* imageOffsetEdit_ = nullptr;
    QPushButton* imageOffsetCancel_ = nullptr;
    QLabel* previewArea_ = nullptr;
    QLabel* previewMessage_ = nullptr;
    QWidget* gammaGroup_ = nullptr;
    QComboBox* gammaMode_ = nullptr;
    QComboBox* gammaMaximum_ = nullptr;
    QCheckBox* average_ = nullptr;
    NumberField* filter_ = nullptr;
    QLineEdit* gammaCoefficient_ = nullptr;
    QPushButton* gammaEdit_ = nullptr;
    QPushButton* set_ = nullptr;
};

} // namespace zarn::ui
