// The header editor's page "Log &Datum": the datums and the elevations.
#pragma once

#include "acquisition/export/ui/HeaderPageForm.h"

namespace zarn::ui {

class CHWeelDatumDlg final : public HeaderPageForm {
public:
    CHWeelDatumDlg(HeaderDlgLogic& logic, QWidget* parent) : HeaderPageForm(logic, 1, parent) {}
};

} // namespace zarn::ui
