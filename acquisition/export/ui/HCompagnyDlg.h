// The header editor's page "C&lient / Location": the client, the well and its place, the other
// services.
#pragma once

#include "acquisition/export/ui/HeaderPageForm.h"

namespace zarn::ui {

class CHCompagnyDlg final : public HeaderPageForm {
public:
    CHCompagnyDlg(HeaderDlgLogic& logic, QWidget* parent) : HeaderPageForm(logic, 0, parent) {}
};

} // namespace zarn::ui
