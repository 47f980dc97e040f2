// A number field of the settings pages: an edit with a spin beside it. The field reports the
// operator's steps and commits (Enter, or the spin released); the page's logic decides, and the
// page shows the stored value again after a refusal.
#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace zarn::ui {

class NumberField final : public QWidget {
    Q_OBJECT
public:
    // name: the object name of the edit (the spin buttons get name + "Up" / "Down").
    NumberField(const QString& name, QWidget* parent = nullptr);

    QLineEdit* edit() const { return edit_; }
    QString text() const;
    void setText(const QString& text);
    void setSpinEnabled(bool enabled);

Q_SIGNALS:
    void committed(const QString& text);
    // +1 up, -1 down.
    void stepped(int direction);

private:
    QLineEdit* edit_ = nullptr;
    QToolButton* up_ = nullptr;
    QToolButton* down_ = nullptr;
};

} // namespace zarn::ui
