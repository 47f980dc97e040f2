// The sonde file page ("File LvZARN.tol setting"): every field of a stored sonde, "&Write" and
// "Mire". The logic is SondeFilePageLogic; the page shows the slot again after each answer.
#pragma once

#include "acquisition/settings/SondeFilePageLogic.h"

#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace zarn::ui {

class CPFileTolDlg final : public QWidget {
    Q_OBJECT
public:
    explicit CPFileTolDlg(SondeDatabase& sondes, QWidget* parent = nullptr);

    SondeFilePageLogic& logic() { return logic_; }
    // "Mire": the direction grid of the image on or off.
    std::function<void(bool on)> directionGrid;

    // The sonde-changed command: the selected slot again.
    void rebuildList();
    void showSlot(int slot);
    void OnWrite();

private:
    SondeFilePageLogic::Fields fields() const;

    SondeFilePageLogic logic_;
    QLineEdit* serial_ = nullptr;
    QComboBox* dbase_ = nullptr;
    QLineEdit* length_ = nullptr;
    QLineEdit* imageOffset_ = nullptr;
    QLineEdit* camera_ = nullptr;
    QLineEdit* deviation_ = nullptr;
    QCheckBox* gammaOnBoard_ = nullptr;
    QLineEdit* gammaOffset_ = nullptr;
    QLineEdit* gammaCoefficient_ = nullptr;
    QPushButton* write_ = nullptr;
    QCheckBox* mire_ = nullptr;
};

} // namespace zarn::ui
