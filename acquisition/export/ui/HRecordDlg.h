// The header editor's page "Drill &Bit Size / Casing": the run number, the casing and the bit.
#pragma once

#include "acquisition/export/ui/HeaderPageForm.h"

namespace zarn::ui {

class CHRecordDlg final : public HeaderPageForm {
public:
    CHRecordDlg(HeaderDlgLogic& logic, QWidget* parent) : HeaderPageForm(logic, 3, parent) {}
};

} // namespace zarn::ui
