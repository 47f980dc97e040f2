#include "acquisition/app/ui/ToolWindows.h"

#include "acquisition/app/ui/GuiThread.h"
#include "acquisition/displays/ui/ToolsProbeDlg.h"
#include "acquisition/settings/ui/Diagnose.h"
#include "platform/MessageBus.h"

#include <QWidget>

namespace zarn::ui {

namespace {

// The role's receiver: on the windows' thread it handles the command; called by a worker, it
// queues the message for the windows' thread.
void attachOnGuiThread(Role role, std::function<void(const Message&)> handle) {
    MessageBus::instance().attach(role, [role, handle = std::move(handle)](const Message& m) {
        if (onGuiThread())
            handle(m);
        else
            MessageBus::instance().post(role, m);
    });
}

bool isCommand(const Message& m, int id) {
    return m.kind == MessageKind::Command && m.id == id;
}

} // namespace

ToolWindows::ToolWindows(AcquisitionEngine& engine, QWidget* owner)
    : QObject(owner), host_(engine), diagnose_(new CDiagnose(host_, owner)),
      deviation_(
          new CToolsProbeDlg({[&engine] { return engine.shownRecord().Orientation; },
                              [&engine] { return engine.recorderState().replayActive.load(); }},
                             owner)) {
    attachOnGuiThread(Role::DiagnosticPanel, [this](const Message& m) {
        if (isCommand(m, Cmd::CommunicationRefresh))
            diagnose_->showReadBack();
    });
    attachOnGuiThread(Role::DeviationWindow, [this](const Message& m) {
        if (isCommand(m, Cmd::ReadBackRefresh))
            deviation_->ShowReadBack();
        else if (isCommand(m, Cmd::ClearReadBack))
            deviation_->ClearReadBack();
    });
}

ToolWindows::~ToolWindows() {
    MessageBus::instance().detach(Role::DiagnosticPanel);
    MessageBus::instance().detach(Role::DeviationWindow);
}

void ToolWindows::showDeviation() {
    deviation_->show();
    deviation_->raise();
    deviation_->ShowReadBack();
}

void ToolWindows::showDiagnose() {
    diagnose_->show();
    diagnose_->raise();
    diagnose_->showReadBack();
}

} // namespace zarn::ui
