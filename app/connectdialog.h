#pragma once
#include "widgets/templatedialog.h"

class QListWidget;
class QPushButton;

namespace marklens {

class CPagewrightDoc;

// The modal list of running browser pages. Connect or a double-click attaches the document to
// the chosen one; Refresh and F5 look for pages again, keeping the selected position.
class CConnectDialog : public CTemplateDialog {
    Q_OBJECT
public:
    static constexpr const char* kNoneFound = "<none found>";

    CConnectDialog(CPagewrightDoc& doc, QWidget* parent);

    QListWidget* BrowserList() const { return list_; }
    QPushButton* ConnectButton() const { return connect_; }

private:
    void OnRefresh();
    void OnConnect();
    void OnFindModeless();
    void FillBrowserList();

    CPagewrightDoc& doc_;
    QListWidget* list_ = nullptr;
    QPushButton* connect_ = nullptr;
};

}  // namespace marklens
