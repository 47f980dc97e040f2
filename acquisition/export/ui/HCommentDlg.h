// The header editor's page "&Remarks": the comments, one a line.
#pragma once

#include "acquisition/export/ui/HeaderPageForm.h"

namespace zarn::ui {

class CHCommentDlg final : public HeaderPageForm {
public:
    CHCommentDlg(HeaderDlgLogic& logic, QWidget* parent) : HeaderPageForm(logic, 4, parent) {}
};

} // namespace zarn::ui
