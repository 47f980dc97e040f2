#include "acquisition/app/ui/StatusPanes.h"

#include "acquisition/app/MainWindowLogic.h"
#include "acquisition/app/ui/GuiThread.h"

#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QStatusBar>

namespace zarn::ui {
namespace {

QPixmap iconPixmap(StatusPanes::Icon icon) {
    QColor colour;
    switch (icon) {
    case StatusPanes::Icon::FrameSent:
    case StatusPanes::Icon::FrameReceived:
    case StatusPanes::Icon::SondeAcquiring:
        colour = QColor(0, 170, 0);
        break;
    case StatusPanes::Icon::SondeAcquiringWithoutRecovery:
        colour = QColor(230, 140, 0);
        break;
    case StatusPanes::Icon::NoFrameSent:
    case StatusPanes::Icon::NoFrameReceived:
    case StatusPanes::Icon::SondeIdle:
        colour = QColor(150, 150, 150);
        break;
    }
    QPixmap pixmap(12, 12);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(colour);
    painter.setPen(colour.darker());
    painter.drawEllipse(1, 1, 10, 10);
    return pixmap;
}

} // namespace

StatusPanes::StatusPanes(QStatusBar* bar) : QObject(bar), inbox_(new GuiInbox(this, 20)) {
    bar->setSizeGripEnabled(false);
    for (int i = 0; i < Count; ++i) {
        auto* label = new QLabel(bar);
        label->setObjectName(QStringLiteral("pane%1").arg(i));
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setAlignment(i >= 4 ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
        bar->addWidget(label);
        panes_[static_cast<std::size_t>(i)] = label;
    }
    panes_.back()->hide(); // the eighth pane is never used
    StatusBar::install(this);
}

StatusPanes::~StatusPanes() {
    StatusBar::install(nullptr);
}

void StatusPanes::setPaneText(int pane, std::string_view text) {
    if (pane < 0 || pane >= Count)
        return;
    bool post = false;
    {
        std::lock_guard lock(mutex_);
        pending_[static_cast<std::size_t>(pane)].assign(text);
        changed_[static_cast<std::size_t>(pane)] = true;
        post = !posted_;
        posted_ = true;
    }
    if (post)
        inbox_->post([this] { showPending(); });
}

void StatusPanes::showPending() {
    std::array<std::string, Count> texts;
    std::array<bool, Count> changed{};
    {
        std::lock_guard lock(mutex_);
        texts = pending_;
        changed = changed_;
        changed_ = {};
        posted_ = false;
    }
    for (std::size_t i = 0; i < panes_.size(); ++i)
        if (changed[i])
            panes_[i]->setText(QString::fromStdString(texts[i]));
}

void StatusPanes::setPaneIcon(int pane, Icon icon) {
    if (pane < 0 || pane >= Count)
        return;
    panes_[static_cast<std::size_t>(pane)]->setPixmap(iconPixmap(icon));
}

void StatusPanes::layoutFor(int clientWidth) {
    const std::array<int, StatusPaneCount> edges = statusPaneEdges(clientWidth);
    int left = 0;
    for (std::size_t i = 0; i + 1 < panes_.size(); ++i) {
        panes_[i]->setFixedWidth(std::max(0, edges[i] - left));
        left = edges[i];
    }
}

QString StatusPanes::paneText(int pane) const {
    if (pane < 0 || pane >= Count)
        return {};
    return panes_[static_cast<std::size_t>(pane)]->text();
}

} // namespace zarn::ui
