#include "acquisition/app/ui/EndProcessDlg.h"

#include <QCoreApplication>
#include <QLabel>
#include <QVBoxLayout>

namespace zarn::ui {

CEndProcessDlg::CEndProcessDlg(QWidget* parent) : QDialog(parent), text_(new QLabel(this)) {
    setWindowTitle(QStringLiteral("ZARN"));
    setModal(false);
    QFont font = text_->font();
    font.setPointSize(14);
    font.setWeight(QFont::Light);
    text_->setFont(font);
    text_->setMinimumWidth(320);
    text_->setText(QStringLiteral("Shutdown ... wait"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
}

void CEndProcessDlg::setText(const QString& text) {
    text_->setText(text);
    QCoreApplication::processEvents();
}

QString CEndProcessDlg::text() const {
    return text_->text();
}

} // namespace zarn::ui
