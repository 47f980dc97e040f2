#include "acquisition/settings/ui/PProbeDlg.h"

#include "acquisition/settings/NumberEntry.h"
#include "acquisition/settings/ui/FileDialogs.h"
#include "acquisition/settings/ui/NumberField.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>

namespace zarn::ui {
namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

QString colouredText(const QColor& colour) {
    return QStringLiteral("background-color: %1; border: 1px solid gray; padding: 1px 4px;")
        .arg(colour.name());
}

} // namespace

CPProbeDlg::CPProbeDlg(LoggerSetupHost& host, SondeDatabase& sondes, QWidget* parent)
    : QWidget(parent), logic_(host, sondes), sondes_(sondes), host_(host) {
    const auto label = [&](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, this);
        l->setBuddy(buddy);
        return l;
    };
    voltage_ = new NumberField(QStringLiteral("voltage"), this);
    sondeVoltage_ = new QLabel(QStringLiteral("-"), this);
    sondeVoltage_->setObjectName(QStringLiteral("sondeVoltage"));
    sondeVoltage_->setMinimumWidth(50);
    sondeVoltage_->setAlignment(Qt::AlignCenter);
    sondeVoltage_->setStyleSheet(colouredText(QColor(255, 255, 0)));
    declination_ = new NumberField(QStringLiteral("declination"), this);
    sonde_ = new QComboBox(this);
    sonde_->setObjectName(QStringLiteral("sonde"));
    add_ = new QPushButton(QStringLiteral("Add"), this);
    add_->setObjectName(QStringLiteral("add"));
    remove_ = new QPushButton(QStringLiteral("Remove"), this);
    remove_->setObjectName(QStringLiteral("remove"));
    imageOffset_ = new NumberField(QStringLiteral("imageOffset"), this);
    imageOffsetEdit_ = new QPushButton(QStringLiteral("Edit"), this);
    imageOffsetEdit_->setObjectName(QStringLiteral("imageOffsetEdit"));
    imageOffsetCancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    imageOffsetCancel_->setObjectName(QStringLiteral("imageOffsetCancel"));
    previewArea_ = new QLabel(this);
    previewArea_->setObjectName(QStringLiteral("preview"));
    previewArea_->setFixedSize(AlignmentPreview::Width * AlignmentPreview::Magnification,
                               AlignmentPreview::Height * AlignmentPreview::Magnification);
    previewMessage_ = new QLabel(this);
    previewMessage_->setObjectName(QStringLiteral("previewMessage"));
    set_ = new QPushButton(QStringLiteral("&Set"), this);
    set_->setObjectName(QStringLiteral("set"));

    auto* gamma = new QGroupBox(QStringLiteral("Natural Gamma"), this);
    gammaGroup_ = gamma;
    gammaMode_ = new QComboBox(gamma);
    gammaMode_->setObjectName(QStringLiteral("gammaMode"));
    gammaMode_->addItems(
        {QStringLiteral("Hide"), QStringLiteral("Manual"), QStringLiteral("Auto")});
    gammaMaximum_ = new QComboBox(gamma);
    gammaMaximum_->setObjectName(QStringLiteral("gammaMaximum"));
    for (int v : ProbePageLogic::GammaMaxima)
        gammaMaximum_->addItem(QString::number(v), v);
    average_ = new QCheckBox(QStringLiteral("&Average"), gamma);
    average_->setObjectName(QStringLiteral("average"));
    filter_ = new NumberField(QStringLiteral("gammaFilter"), gamma);
    filter_->edit()->setReadOnly(true);
    gammaCoefficient_ = new QLineEdit(gamma);
    gammaCoefficient_->setObjectName(QStringLiteral("gammaCoefficient"));
    gammaCoefficient_->setAlignment(Qt::AlignRight);
    gammaEdit_ = new QPushButton(QStringLiteral("Edit"), gamma);
    gammaEdit_->setObjectName(QStringLiteral("gammaEdit"));
    auto* g = new QGridLayout(gamma);
    g->addWidget(gammaMode_, 0, 0);
    g->addWidget(new QLabel(QStringLiteral("&Maximum : "), gamma), 0, 1);
    g->addWidget(gammaMaximum_, 0, 2);
    g->addWidget(average_, 1, 0);
    g->addWidget(filter_, 1, 1, 1, 2);
    g->addWidget(new QLabel(QStringLiteral("GammaCoef\n0.01...2.99"), gamma), 2, 0);
    g->addWidget(gammaCoefficient_, 2, 1);
    g->addWidget(gammaEdit_, 2, 2);

    auto* grid = new QGridLayout(this);
    grid->addWidget(label(QStringLiteral("S&urface Voltage"), voltage_->edit()), 0, 0);
    grid->addWidget(voltage_, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("V"), this), 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Sonde Voltage"), this), 0, 3);
    grid->addWidget(sondeVoltage_, 0, 4);
    grid->addWidget(label(QStringLiteral("&Magnetic Declination"), declination_->edit()), 1, 0);
    grid->addWidget(declination_, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("\u00B0"), this), 1, 2);
    grid->addWidget(label(QStringLiteral("S&onde : S/N"), sonde_), 2, 0);
    grid->addWidget(sonde_, 2, 1);
    grid->addWidget(add_, 2, 3);
    grid->addWidget(remove_, 2, 4);
    grid->addWidget(new QLabel(QStringLiteral("Image Offset"), this), 3, 0);
    grid->addWidget(imageOffset_, 3, 1);
    grid->addWidget(new QLabel(QStringLiteral("0-359.9"), this), 3, 2);
    grid->addWidget(imageOffsetEdit_, 3, 3);
    grid->addWidget(imageOffsetCancel_, 3, 4);
    grid->addWidget(previewArea_, 4, 0, 1, 5, Qt::AlignHCenter);
    grid->addWidget(previewMessage_, 5, 0, 1, 5, Qt::AlignHCenter);
    grid->addWidget(gamma, 6, 0, 1, 5);
    grid->addWidget(set_, 7, 4);
    grid->setRowStretch(8, 1);

    chooseImportFile = [this]() -> std::optional<std::filesystem::path> {
        const QString filter =
            anyCaseFilter(QStringLiteral("ZARN importation sonde File"), QStringLiteral("znv")) +
            QStringLiteral(";;") +
            anyCaseFilter(QStringLiteral("ZARN importation sonde File"), QStringLiteral("txt"));
        QFileDialog dialog(this, QString(),
                           QString::fromStdString(host_.configuration().paths.filePath), filter);
        dialog.setDefaultSuffix(QStringLiteral("znv"));
        dialog.setFileMode(QFileDialog::ExistingFile);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return std::filesystem::path(dialog.selectedFiles().front().toStdString());
    };
    connect(voltage_, &NumberField::committed, this, [this](const QString& t) {
        static_cast<void>(logic_.enterVoltage(t.toStdString()));
        showValues();
    });
    connect(voltage_, &NumberField::stepped, this, [this](int d) {
        static_cast<void>(logic_.stepVoltage(d));
        showValues();
    });
    connect(declination_, &NumberField::committed, this, [this](const QString& t) {
        static_cast<void>(logic_.enterDeclination(t.toStdString()));
        showValues();
    });
    connect(declination_, &NumberField::stepped, this, [this](int d) {
        logic_.stepDeclination(d);
        showValues();
    });
    connect(sonde_, &QComboBox::activated, this, [this](int index) {
        logic_.selectSonde(index);
        rebuildSondeList();
    });
    connect(add_, &QPushButton::clicked, this, &CPProbeDlg::OnAdd);
    connect(remove_, &QPushButton::clicked, this, &CPProbeDlg::OnRemove);
    connect(imageOffsetEdit_, &QPushButton::clicked, this, &CPProbeDlg::OnImageOffsetEdit);
    connect(imageOffsetCancel_, &QPushButton::clicked, this, &CPProbeDlg::OnImageOffsetCancel);
    connect(imageOffset_, &NumberField::committed, this, [this](const QString& t) {
        static_cast<void>(logic_.checkImageOffset(t.toStdString()));
        showImageOffsetState();
    });
    connect(imageOffset_, &NumberField::stepped, this, [this](int d) {
        static_cast<void>(logic_.stepImageOffset(d));
        showImageOffsetState();
    });
    connect(gammaMode_, &QComboBox::activated, this, [this](int m) {
        logic_.setGammaMode(m);
        showValues();
    });
    connect(gammaMaximum_, &QComboBox::activated, this, [this](int i) {
        logic_.setGammaMaximum(gammaMaximum_->itemData(i).toInt());
        showValues();
    });
    connect(average_, &QCheckBox::clicked, this, [this](bool on) {
        logic_.setGammaAverage(on);
        showValues();
    });
    connect(filter_, &NumberField::stepped, this, [this](int d) {
        static_cast<void>(logic_.stepGammaFilter(d));
        showValues();
    });
    connect(gammaEdit_, &QPushButton::clicked, this, &CPProbeDlg::OnGammaEdit);
    connect(gammaCoefficient_, &QLineEdit::returnPressed, this, [this] {
        if (logic_.gammaCoefficientEditing())
            OnGammaEdit();
    });
    connect(set_, &QPushButton::clicked, this, &CPProbeDlg::OnSet);
    rebuildSondeList();
    showValues();
}

void CPProbeDlg::rebuildSondeList() {
    sonde_->clear();
    for (const std::string& s : logic_.sondeList())
        sonde_->addItem(qs(s));
    sonde_->setCurrentIndex(sondes_.table().selected);
    add_->setEnabled(logic_.occupiedSlots() < SondeTable::SlotCount);
    gammaCoefficient_->setText(
        qs(NumberEntry::writeDouble(sondes_.table().working.gammaCoefficient, 2)));
    showImageOffsetState();
}

void CPProbeDlg::showValues() {
    const Configuration c = host_.configuration();
    voltage_->setText(qs(NumberEntry::writeInteger(c.logger.sondeSupplyVoltage)));
    declination_->setText(qs(NumberEntry::writeDouble(c.logger.magneticOffset, 2)));
    gammaMode_->setCurrentIndex(std::clamp(c.logger.gammaScale, 0, 2));
    gammaMaximum_->setCurrentIndex(gammaMaximum_->findData(1000));
    if (const int i = gammaMaximum_->findData(c.logger.gammaMaximum); i >= 0)
        gammaMaximum_->setCurrentIndex(i);
    gammaMaximum_->setEnabled(c.logger.gammaScale == 1);
    average_->setChecked(c.logger.gammaIsAverage != 0);
    filter_->setText(QString::number(c.logger.gammaFilter));
    filter_->setSpinEnabled(c.logger.gammaIsAverage != 0);
    filter_->edit()->setStyleSheet(c.logger.gammaIsAverage != 0
                                       ? QStringLiteral("background-color: palette(highlight);")
                                       : QStringLiteral("background-color: palette(button);"));
}

void CPProbeDlg::showImageOffsetState() {
    Q_EMIT sondeTableChanged();
    const bool editing = logic_.imageOffsetEditing();
    imageOffset_->setText(qs(NumberEntry::writeDouble(logic_.workingImageOffset(), 1)));
    imageOffset_->setEnabled(editing);
    imageOffsetEdit_->setText(editing ? QStringLiteral("Save") : QStringLiteral("Edit"));
    imageOffsetCancel_->setVisible(editing);
    gammaCoefficient_->setEnabled(logic_.gammaCoefficientEditing());
    gammaEdit_->setText(logic_.gammaCoefficientEditing() ? QStringLiteral("Save")
                                                         : QStringLiteral("Edit"));
    if (!editing) {
        preview_.clear();
        previewImage_ = QImage();
        previewArea_->clear();
        previewMessage_->clear();
    }
}

void CPProbeDlg::showSondeVoltage() {
    const QColor colour = host_.runState().replay ? QColor(160, 255, 255) : QColor(255, 255, 0);
    sondeVoltage_->setStyleSheet(colouredText(colour));
    const std::string text = host_.readBack().sondeVoltageText;
    sondeVoltage_->setText(text.empty() ? QStringLiteral("-") : qs(text));
}

void CPProbeDlg::clearSondeVoltage() {
    sondeVoltage_->setText(QStringLiteral("-"));
}

QString CPProbeDlg::sondeVoltageText() const {
    return sondeVoltage_->text();
}

void CPProbeDlg::rowDrawn() {
    if (!logic_.imageOffsetEditing())
        return;
    const std::optional<AlignmentPreview::Picture> p = preview_.picture();
    if (!p) {
        // No row to show yet: the preview stays blank and says why.
        previewArea_->clear();
        previewMessage_->setText(QString::fromLatin1(AlignmentPreview::NoPictureText));
        return;
    }
    QImage image(AlignmentPreview::Width, AlignmentPreview::Height, QImage::Format_RGB32);
    for (int y = 0; y < AlignmentPreview::Height; ++y)
        for (int x = 0; x < AlignmentPreview::Width; ++x)
            image.setPixel(x, y, (*p)[static_cast<size_t>(y * AlignmentPreview::Width + x)]);
    previewImage_ = image;
    previewMessage_->clear();
    previewArea_->setPixmap(QPixmap::fromImage(
        image.scaled(previewArea_->size(), Qt::IgnoreAspectRatio, Qt::FastTransformation)));
}

void CPProbeDlg::setEnabling(bool voltageAndDeclination, bool sondeList, bool add,
                             bool imageOffsetEdit) {
    voltage_->setEnabled(voltageAndDeclination);
    declination_->setEnabled(voltageAndDeclination);
    set_->setEnabled(voltageAndDeclination);
    sonde_->setEnabled(sondeList);
    remove_->setEnabled(sondeList);
    gammaEdit_->setEnabled(sondeList);
    add_->setEnabled(add && logic_.occupiedSlots() < SondeTable::SlotCount);
    imageOffsetEdit_->setEnabled(imageOffsetEdit || logic_.imageOffsetEditing());
}

void CPProbeDlg::setGammaShown(bool shown) {
    gammaGroup_->setVisible(shown);
}

void CPProbeDlg::OnAdd() {
    static_cast<void>(logic_.addSonde(chooseImportFile));
    rebuildSondeList();
}

void CPProbeDlg::OnRemove() {
    static_cast<void>(logic_.removeSonde());
    rebuildSondeList();
}

void CPProbeDlg::OnImageOffsetEdit() {
    if (logic_.imageOffsetEditing())
        static_cast<void>(logic_.saveImageOffsetEdit(imageOffset_->text().toStdString()));
    else if (logic_.beginImageOffsetEdit())
        rowDrawn();
    showImageOffsetState();
}

void CPProbeDlg::OnImageOffsetCancel() {
    logic_.cancelImageOffsetEdit();
    showImageOffsetState();
}

void CPProbeDlg::OnGammaEdit() {
    if (logic_.gammaCoefficientEditing())
        static_cast<void>(logic_.saveGammaCoefficientEdit(gammaCoefficient_->text().toStdString()));
    else
        static_cast<void>(logic_.beginGammaCoefficientEdit());
    gammaCoefficient_->setText(
        qs(NumberEntry::writeDouble(sondes_.table().working.gammaCoefficient, 2)));
    showImageOffsetState();
}

void CPProbeDlg::OnSet() {
    const Configuration c = host_.configuration();
    if (voltage_->text().toStdString() != NumberEntry::writeInteger(c.logger.sondeSupplyVoltage))
        static_cast<void>(logic_.enterVoltage(voltage_->text().toStdString()));
    if (declination_->text().toStdString() != NumberEntry::writeDouble(c.logger.magneticOffset, 2))
        static_cast<void>(logic_.enterDeclination(declination_->text().toStdString()));
    if (logic_.imageOffsetEditing())
        static_cast<void>(logic_.saveImageOffsetEdit(imageOffset_->text().toStdString()));
    showValues();
    showImageOffsetState();
}

} // namespace zarn::ui
