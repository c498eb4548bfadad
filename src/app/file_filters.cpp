#include "app/file_filters.h"

#include <QRegularExpression>

namespace velmora::app {

QStringList QtNameFilters(const QString& filter) {
    QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& p : patterns) {
            p = p.trimmed();
            if (p == QLatin1String("*.*")) p = QStringLiteral("*");
        }
        // Replace the pattern list shown in the description by Qt's own list.
        const int open = description.lastIndexOf(QLatin1Char('('));
        if (open >= 0) description = description.left(open).trimmed();
        out << QStringLiteral("%1 (%2)").arg(description, patterns.join(QLatin1Char(' ')));
    }
    return out;
}

QString DefaultSuffix(const QString& nameFilter) {
    static const QRegularExpression first(QStringLiteral("\\*\\.([A-Za-z0-9]+)"));
    const auto m = first.match(nameFilter);
    return m.hasMatch() ? m.captured(1) : QString();
}

}  // namespace velmora::app
