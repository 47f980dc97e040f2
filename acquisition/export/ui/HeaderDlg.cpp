#include "acquisition/export/ui/HeaderDlg.h"

#include "acquisition/export/ui/ExportWidgets.h"
#include "acquisition/export/ui/HCommentDlg.h"
#include "acquisition/export/ui/HCompagnyDlg.h"
#include "acquisition/export/ui/HGroundDlg.h"
#include "acquisition/export/ui/HRecordDlg.h"
#include "acquisition/export/ui/HWeelDatumDlg.h"
#include "platform/UserMessages.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QTabWidget>
#include <QVBoxLayout>

#include <chrono>

namespace zarn::ui {

namespace {

std::tm today() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

} // namespace

CHeaderDlg::CHeaderDlg(CHeader& header, Path dataFolder, HeaderToLoad headerToLoad, QWidget* parent)
    : QDialog(parent), logic_(header), dataFolder_(std::move(dataFolder)),
      headerToLoad_(std::move(headerToLoad)) {
    setWindowTitle(QStringLiteral("Header"));
    if (!headerToLoad_)
        headerToLoad_ = [this](const Path& folder) -> std::optional<Path> {
            QFileDialog dialog(this, QStringLiteral("Open"),
                               QString::fromStdString(folder.string()));
            dialog.setFileMode(QFileDialog::ExistingFile);
            dialog.setDefaultSuffix(QStringLiteral("HED"));
            dialog.setNameFilter(QStringLiteral("ZARN File (*.HED *.hed)"));
            if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
                return std::nullopt;
            return Path(dialog.selectedFiles().front().toStdString());
        };

    auto* layout = new QVBoxLayout(this);
    tabs_ = named(new QTabWidget(this), "tabs");
    pages_ = {new CHCompagnyDlg(logic_, tabs_), new CHWeelDatumDlg(logic_, tabs_),
              new CHGroundDlg(logic_, tabs_), new CHRecordDlg(logic_, tabs_),
              new CHCommentDlg(logic_, tabs_)};
    for (std::size_t tab = 0; tab < pages_.size(); ++tab) {
        const std::string_view text = HeaderDlgLogic::pages()[tab].tab;
        tabs_->addTab(pages_[tab], QString::fromUtf8(text.data(), static_cast<int>(text.size())));
        // A value shown on two pages (the run number) follows what was typed on either.
        connect(pages_[tab], &HeaderPageForm::edited, this, &CHeaderDlg::fillPages);
    }
    layout->addWidget(tabs_);

    auto* buttons = new QHBoxLayout;
    QPushButton* load = plainButton("&Load", "load", this);
    QPushButton* reset = plainButton("&Reset", "reset", this);
    QPushButton* save = plainButton("&Save", "save", this);
    QPushButton* cancel = plainButton("&Cancel", "cancel", this);
    buttons->addWidget(load);
    buttons->addWidget(reset);
    buttons->addStretch(1);
    buttons->addWidget(save);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(load, &QPushButton::clicked, this, &CHeaderDlg::OnLoad);
    connect(reset, &QPushButton::clicked, this, &CHeaderDlg::OnReset);
    connect(save, &QPushButton::clicked, this, &CHeaderDlg::OnSave);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    // Each opening starts from the reset record.
    OnReset();
    tabs_->setCurrentIndex(0);
}

void CHeaderDlg::fillPages() {
    for (HeaderPageForm* page : pages_)
        page->fill();
}

void CHeaderDlg::OnLoad() {
    const std::optional<Path> chosen = headerToLoad_(dataFolder_);
    if (!chosen)
        return;
    if (const std::optional<std::string> refused = logic_.load(*chosen)) {
        showMessage(*refused, MessageIcon::Error);
        return;
    }
    fillPages();
}

void CHeaderDlg::OnReset() {
    logic_.reset(today());
    fillPages();
}

void CHeaderDlg::OnSave() {
    if (const std::optional<HeaderDlgLogic::Refusal> refused = logic_.save()) {
        showMessage(refused->message, MessageIcon::Error);
        // The page of the refused field, with the field ready for a new entry.
        for (std::size_t tab = 0; tab < pages_.size(); ++tab)
            if (QWidget* field = pages_[tab]->field(refused->key)) {
                tabs_->setCurrentIndex(static_cast<int>(tab));
                field->setFocus();
                break;
            }
        return;
    }
    accept();
}

} // namespace zarn::ui
