#include "acquisition/settings/ui/PFileTolDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace zarn::ui {
namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

CPFileTolDlg::CPFileTolDlg(SondeDatabase& sondes, QWidget* parent)
    : QWidget(parent), logic_(sondes) {
    setWindowTitle(QStringLiteral("File LvZARN.tol setting"));
    const auto edit = [](QWidget* owner, const char* name) {
        auto* e = new QLineEdit(owner);
        e->setObjectName(QString::fromLatin1(name));
        e->setAlignment(Qt::AlignRight);
        return e;
    };
    serial_ = edit(this, "serialNumber");
    dbase_ = new QComboBox(this);
    dbase_->setObjectName(QStringLiteral("dbase"));
    length_ = edit(this, "sondeLength");
    imageOffset_ = edit(this, "imageOffset");
    camera_ = edit(this, "cameraOffset");
    deviation_ = edit(this, "deviationOffset");
    auto* gamma = new QGroupBox(QStringLiteral("Gamma"), this);
    gammaOnBoard_ = new QCheckBox(QStringLiteral("GammaOnBoard"), gamma);
    gammaOnBoard_->setObjectName(QStringLiteral("gammaOnBoard"));
    gammaOffset_ = edit(gamma, "gammaOffset");
    gammaCoefficient_ = edit(gamma, "gammaCoefficient");
    write_ = new QPushButton(QStringLiteral("&Write"), this);
    write_->setObjectName(QStringLiteral("write"));
    mire_ = new QCheckBox(QStringLiteral("Mire"), this);
    mire_->setObjectName(QStringLiteral("mire"));

    auto* g = new QGridLayout(gamma);
    g->addWidget(gammaOnBoard_, 0, 0, 1, 3);
    g->addWidget(new QLabel(QStringLiteral("GammaOffset"), gamma), 1, 0);
    g->addWidget(gammaOffset_, 1, 1);
    g->addWidget(new QLabel(QStringLiteral("Cm"), gamma), 1, 2);
    g->addWidget(new QLabel(QStringLiteral("GammaCoef"), gamma), 2, 0);
    g->addWidget(gammaCoefficient_, 2, 1);
    g->addWidget(new QLabel(QStringLiteral("0.1...0.99"), gamma), 2, 2);

    auto* grid = new QGridLayout(this);
    int row = 0;
    grid->addWidget(new QLabel(QStringLiteral("SerialNumber"), this), row, 0);
    grid->addWidget(serial_, row, 1);
    grid->addWidget(new QLabel(QStringLiteral("dbase"), this), row, 2);
    grid->addWidget(dbase_, row++, 3);
    const auto line = [&](const char* label, QLineEdit* field, const char* unit) {
        grid->addWidget(new QLabel(QString::fromLatin1(label), this), row, 0);
        grid->addWidget(field, row, 1);
        grid->addWidget(new QLabel(QString::fromLatin1(unit), this), row++, 2);
    };
    line("SondeLength", length_, "Cm");
    line("ImageOffset", imageOffset_, "0-359.9");
    line("CameraOffset", camera_, "Cm");
    line("DeviationOffset", deviation_, "Cm");
    grid->addWidget(gamma, row++, 0, 1, 4);
    grid->addWidget(mire_, row, 0);
    grid->addWidget(write_, row++, 3);
    grid->setRowStretch(row, 1);

    connect(dbase_, &QComboBox::activated, this, [this](int index) {
        logic_.choose(dbase_->itemData(index).toInt());
        showSlot(dbase_->itemData(index).toInt());
    });
    connect(write_, &QPushButton::clicked, this, &CPFileTolDlg::OnWrite);
    connect(mire_, &QCheckBox::toggled, this, [this](bool on) {
        if (directionGrid)
            directionGrid(on);
    });
    rebuildList();
}

void CPFileTolDlg::rebuildList() {
    dbase_->clear();
    const auto list = logic_.list();
    for (int i = 0; i < SondeTable::SlotCount; ++i)
        dbase_->addItem(qs(list[static_cast<size_t>(i)]), i);
    dbase_->setCurrentIndex(logic_.selected());
    showSlot(logic_.selected());
}

void CPFileTolDlg::showSlot(int slot) {
    const SondeFilePageLogic::Fields f = logic_.shown(slot);
    serial_->setText(qs(f.serialNumber));
    length_->setText(qs(f.sondeLength));
    imageOffset_->setText(qs(f.imageOffset));
    camera_->setText(qs(f.cameraOffset));
    deviation_->setText(qs(f.deviationOffset));
    gammaOffset_->setText(qs(f.gammaOffset));
    gammaCoefficient_->setText(qs(f.gammaCoefficient));
    gammaOnBoard_->setChecked(f.gammaOnBoard);
}

SondeFilePageLogic::Fields CPFileTolDlg::fields() const {
    SondeFilePageLogic::Fields f;
    f.serialNumber = serial_->text().toStdString();
    f.sondeLength = length_->text().toStdString();
    f.imageOffset = imageOffset_->text().toStdString();
    f.cameraOffset = camera_->text().toStdString();
    f.deviationOffset = deviation_->text().toStdString();
    f.gammaOffset = gammaOffset_->text().toStdString();
    f.gammaCoefficient = gammaCoefficient_->text().toStdString();
    f.gammaOnBoard = gammaOnBoard_->isChecked();
    return f;
}

void CPFileTolDlg::OnWrite() {
    const int slot = dbase_->currentData().toInt();
    if (!logic_.write(slot, fields()))
        return; // the fields keep what the operator typed, for a correction
    rebuildList();
    dbase_->setCurrentIndex(slot);
    showSlot(slot);
}

} // namespace zarn::ui
