#include "acquisition/export/ui/HeaderPageForm.h"

#include "acquisition/export/ui/ExportWidgets.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace zarn::ui {

namespace {

// Pages of more fields than this show them in two columns.
constexpr std::size_t OneColumnFields = 8;

QString textOf(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

} // namespace

HeaderPageForm::HeaderPageForm(HeaderDlgLogic& logic, int page, QWidget* parent)
    : QWidget(parent), logic_(logic) {
    const HeaderPage& shown = HeaderDlgLogic::pages()[static_cast<std::size_t>(page)];
    auto* layout = new QGridLayout(this);
    const std::size_t count = shown.fields.size();
    const std::size_t perColumn = count > OneColumnFields ? (count + 1) / 2 : count;
    // Fields of a frame sit in it, one a row; the frame takes a row of the page.
    std::string_view currentGroup;
    QGridLayout* groupGrid = nullptr;
    int groupRow = 0;
    int frameRows = 0; // rows of the page taken by frames in place of their fields
    for (std::size_t i = 0; i < count; ++i) {
        const HeaderField& field = shown.fields[i];
        QGridLayout* grid = layout;
        int row = static_cast<int>(i % perColumn);
        int column = static_cast<int>(i / perColumn) * 2;
        if (field.group.empty()) {
            row -= frameRows;
        } else {
            if (field.group != currentGroup) {
                auto* box = new QGroupBox(textOf(field.group), this);
                groupGrid = new QGridLayout(box);
                layout->addWidget(box, static_cast<int>(i) - frameRows, 0, 1, 4);
                currentGroup = field.group;
                groupRow = 0;
            } else {
                ++frameRows;
            }
            grid = groupGrid;
            row = groupRow++;
            column = 0;
        }
        auto* label = new QLabel(textOf(field.label), this);
        QWidget* input = nullptr;
        if (field.kind == HeaderFieldKind::Remarks) {
            remarks_ = new QPlainTextEdit(this);
            remarks_->setObjectName(textOf(field.key));
            remarks_->setMinimumSize(420, 220);
            connect(remarks_, &QPlainTextEdit::textChanged, this, [this, key = field.key] {
                logic_.setText(key, remarks_->toPlainText().toStdString());
            });
            input = remarks_;
        } else {
            auto* line = new QLineEdit(this);
            line->setObjectName(textOf(field.key));
            line->setMinimumWidth(field.kind == HeaderFieldKind::Text ? 200 : 100);
            connect(line, &QLineEdit::textEdited, this, [this, key = field.key](const QString& t) {
                logic_.setText(key, t.toStdString());
                Q_EMIT edited();
            });
            lines_.emplace_back(std::string(field.key), line);
            input = line;
        }
        label->setBuddy(input);
        grid->addWidget(label, row, column,
                        field.kind == HeaderFieldKind::Remarks ? Qt::AlignTop : Qt::AlignVCenter);
        grid->addWidget(input, row, column + 1);
    }
    layout->setRowStretch(layout->rowCount(), 1);
    fill();
}

void HeaderPageForm::fill() {
    for (const auto& [key, line] : lines_) {
        const QString text = QString::fromStdString(logic_.text(key));
        if (line->text() != text)
            line->setText(text);
    }
    if (remarks_) {
        QString text = QString::fromStdString(logic_.text(HeaderDlgLogic::RemarksKey));
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        if (remarks_->toPlainText() != text) {
            const QSignalBlocker quiet(remarks_);
            remarks_->setPlainText(text);
        }
    }
}

QWidget* HeaderPageForm::field(std::string_view key) const {
    for (const auto& [name, line] : lines_)
        if (name == key)
            return line;
    if (remarks_ && key == HeaderDlgLogic::RemarksKey)
        return remarks_;
    return nullptr;
}

} // namespace zarn::ui
