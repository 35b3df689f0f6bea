#pragma once
#include <QString>

namespace marklens::resources {

inline constexpr const char* kFileVersionKey = "\\StringFileInfo\\040904E4\\FileVersion";

// A value of the version resource compiled into the program, looked up by its key path;
// empty when the resource or the key is missing.
QString QueryVersionValue(const QString& key, const QString& resourcePath = QStringLiteral(":/marklens/version.txt"));

}  // namespace marklens::resources
