#include "acquisition/displays/ui/ToolsProbeDlg.h"

#include "acquisition/app/Guarded.h"
#include "acquisition/displays/ui/GraphicCounterCtrl.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

namespace zarn::ui {

CToolsProbeDlg::CToolsProbeDlg(Source source, QWidget* parent)
    : QDialog(parent), source_(std::move(source)) {
    setWindowTitle(QStringLiteral("Deviation Data"));
    setModal(false);
    auto* group = new QGroupBox(QString::fromLatin1(DeviationData::GroupTitle), this);
    QFont caption(QStringLiteral("Arial"));
    caption.setPixelSize(13);
    caption.setWeight(QFont::Black);
    group->setFont(caption);
    auto* grid = new QGridLayout(group);
    // The labels in the dialog's own face, not the caption's: every attribute set, so none is
    // taken from the group.
    QFont labels(font().family());
    labels.setPointSizeF(font().pointSizeF());
    labels.setWeight(QFont::Normal);
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        auto* label = new QLabel(QString::fromLatin1(DeviationData::Labels[i]), group);
        label->setFont(labels);
        auto* counter = new CGraphicCounterCtrl(group);
        counter->setObjectName(QString::fromLatin1(DeviationData::Labels[i]));
        counter->setMinimumSize(96, 24);
        counter->SetTextColour(counter::Black);
        counter->SetBackground(DeviationData::backgroundOf(false));
        fields_[i] = counter;
        // Raw values in the first two columns, computed ones in the last two.
        const int row = static_cast<int>(i < 6 ? i : i - 6);
        const int column = i < 6 ? 0 : 2;
        grid->addWidget(label, row, column);
        grid->addWidget(counter, row, column + 1);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    ClearReadBack();
}

void CToolsProbeDlg::showTexts(const DeviationData::Texts& texts) {
    for (std::size_t i = 0; i < fields_.size(); ++i)
        fields_[i]->WriteCounterDataCString(texts[i]);
}

void CToolsProbeDlg::ShowReadBack() {
    if (!isVisible())
        return;
    const bool replay = source_.replay();
    if (replayShown_ != replay) { // the colour changes only with the mode
        replayShown_ = replay;
        for (CGraphicCounterCtrl* field : fields_)
            field->SetBackground(DeviationData::backgroundOf(replay));
    }
    const OrientationResult orientation = source_.orientation();
    const DeviationData::Texts texts = DeviationData::textsOf(orientation);
    // The raw values, then the computed ones, each section on its own: a fault in one is
    // reported and the window goes on.
    const auto write = [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i)
            fields_[i]->WriteCounterDataCString(texts[i]);
    };
    static_cast<void>(guarded(ZARN_GUARD_AT("CToolsStream :: L1658"), [&] { write(0, 6); }));
    static_cast<void>(
        guarded(ZARN_GUARD_AT("CToolsStream :: L1658"), [&] { write(6, fields_.size()); }));
}

void CToolsProbeDlg::ClearReadBack() {
    showTexts(DeviationData::cleared());
}

void CToolsProbeDlg::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    // Activating the window redraws every field.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        for (CGraphicCounterCtrl* field : fields_)
            field->RedrawSoon();
}

} // namespace zarn::ui
