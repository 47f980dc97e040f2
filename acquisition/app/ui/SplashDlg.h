// The splash window: the product name over the logo picture ("logo.jpg" in the settings
// folder), shown at start when the logo exists and the splash is not switched off; it closes
// itself after five seconds or at a click.
#pragma once

#include <QDialog>

#include <filesystem>

namespace zarn::ui {

class CSplashDlg final : public QDialog {
    Q_OBJECT
public:
    static constexpr int ShownMs = 5000;
    static constexpr const char* LogoFileName = "logo.jpg";

    // A splash for the logo in folder, or null when there is no logo to show.
    static CSplashDlg* create(const std::filesystem::path& folder, QWidget* parent);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    CSplashDlg(const QPixmap& logo, QWidget* parent);
};

} // namespace zarn::ui
