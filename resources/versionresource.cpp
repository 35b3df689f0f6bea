#include "versionresource.h"

#include <QFile>
#include <QTextStream>

namespace marklens::resources {

QString QueryVersionValue(const QString& key, const QString& resourcePath) {
    QFile file(resourcePath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
    QTextStream in(&file);
    const QString prefix = key + QLatin1Char('=');
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (line.startsWith(prefix)) return line.mid(prefix.size());
    }
    return {};
}

}  // namespace marklens::resources
