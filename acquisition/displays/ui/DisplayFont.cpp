#include "acquisition/displays/ui/DisplayFont.h"

#include <QFontDatabase>
#include <QStringList>

namespace zarn::ui {

QString displayFontFamily() {
    static const QString family = [] {
        const QStringList families = QFontDatabase::families();
        for (const char* wanted : {"Arial", "DejaVu Sans", "Liberation Sans"}) {
            if (families.contains(QString::fromLatin1(wanted), Qt::CaseInsensitive))
                return QString::fromLatin1(wanted);
        }
        return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    }();
    return family;
}

} // namespace zarn::ui
