#include "aboutdialog.h"

#include <QLabel>

#include "resources/abouttemplate.h"
#include "resources/versionresource.h"

namespace marklens {

CAboutDialog::CAboutDialog(QWidget* parent) : CTemplateDialog(resources::AboutTemplate(), parent) {
    if (auto* line = qobject_cast<QLabel*>(Control(resources::kIdcVersionText))) {
        const QString version = resources::QueryVersionValue(QLatin1String(resources::kFileVersionKey));
        line->setText(line->text().replace(QLatin1String("$VER$"), version));
    }
}

QString CAboutDialog::VersionLine() const {
    const auto* line = qobject_cast<QLabel*>(Control(resources::kIdcVersionText));
    return line ? line->text() : QString();
}

}  // namespace marklens
