// The header editor's page "&Logging Run": the run, its depths, the fluid and the people.
#pragma once

#include "acquisition/export/ui/HeaderPageForm.h"

namespace zarn::ui {

class CHGroundDlg final : public HeaderPageForm {
public:
    CHGroundDlg(HeaderDlgLogic& logic, QWidget* parent) : HeaderPageForm(logic, 2, parent) {}
};

} // namespace zarn::ui
