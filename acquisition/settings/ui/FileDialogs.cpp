#include "acquisition/settings/ui/FileDialogs.h"

namespace zarn::ui {

QString anyCasePattern(const QString& extension) {
    QString pattern = QStringLiteral("*.");
    for (const QChar c : extension) {
        if (c.isLetter())
            pattern += QLatin1Char('[') + c.toLower() + c.toUpper() + QLatin1Char(']');
        else
            pattern += c;
    }
    return pattern;
}

QString anyCaseFilter(const QString& description, const QString& extension) {
    return description + QStringLiteral(" (") + anyCasePattern(extension) + QLatin1Char(')');
}

} // namespace zarn::ui
