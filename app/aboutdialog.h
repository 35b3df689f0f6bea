#pragma once

#include "widgets/templatedialog.h"

namespace marklens {

// The About box: the version line shows the FileVersion of the compiled-in version resource.
class CAboutDialog : public CTemplateDialog {
    Q_OBJECT
public:
    explicit CAboutDialog(QWidget* parent);

    QString VersionLine() const;
};

}  // namespace marklens
