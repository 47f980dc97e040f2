#include "acquisition/app/ui/TechnicalToolsDlg.h"

#include "platform/MessageBus.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QKeyEvent>
#include <QVBoxLayout>

namespace zarn::ui {

CTechnicalToolsDlg::CTechnicalToolsDlg(const TechnicalSwitches& current, QWidget* parent)
    : QDialog(parent), logic_(current) {
    const std::string_view title = TechnicalToolsLogic::Title;
    setWindowTitle(QString::fromUtf8(title.data(), static_cast<int>(title.size())));
    auto* layout = new QVBoxLayout(this);
    for (std::size_t i = 0; i < TechnicalToolsLogic::Boxes.size(); ++i) {
        const TechnicalToolsLogic::Box which = TechnicalToolsLogic::Boxes[i];
        const std::string_view label = TechnicalToolsLogic::label(which);
        auto* box =
            new QCheckBox(QString::fromUtf8(label.data(), static_cast<int>(label.size())), this);
        box->setChecked(logic_.checked(which));
        connect(box, &QCheckBox::toggled, this,
                [this, which](bool on) { logic_.setChecked(which, on); });
        layout->addWidget(box);
        boxes_[i] = box;
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QCheckBox* CTechnicalToolsDlg::box(TechnicalToolsLogic::Box which) const {
    return boxes_[static_cast<std::size_t>(which)];
}

const TechnicalToolsLogic& CTechnicalToolsDlg::logic() {
    return logic_;
}

TechnicalToolsChord::TechnicalToolsChord(QObject* parent) : QObject(parent) {}

bool TechnicalToolsChord::eventFilter(QObject* watched, QEvent* event) {
    // A key reaches the filter once more for every widget it travels through: only its
    // delivery to the window counts, auto-repeats not at all.
    if (event->type() == QEvent::KeyPress && watched->isWindowType()) {
        const auto* key = static_cast<const QKeyEvent*>(event);
        if (!key->isAutoRepeat()) {
            using Key = KeyChordMatcher::Key;
            Key k = Key::Other;
            switch (key->key()) {
            case Qt::Key_Control:
                k = Key::Control;
                break;
            case Qt::Key_Shift:
                k = Key::Shift;
                break;
            case Qt::Key_Alt:
                k = Key::Alt;
                break;
            case Qt::Key_T:
                k = Key::T;
                break;
            case Qt::Key_Return:
            case Qt::Key_Enter:
                k = Key::Enter;
                break;
            default:
                break;
            }
            switch (matcher_.keyDown(k)) {
            case KeyChordMatcher::Event::Completed:
                MessageBus::instance().post(
                    Role::MainWindow,
                    privateMessage(Cmd::MainWindowPrivate, Cmd::OpenTechnicalTools));
                break;
            case KeyChordMatcher::Event::Enter:
                MessageBus::instance().post(Role::MainWindow,
                                            privateMessage(Cmd::MainWindowPrivate, Cmd::EnterKey));
                break;
            case KeyChordMatcher::Event::None:
                break;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace zarn::ui
