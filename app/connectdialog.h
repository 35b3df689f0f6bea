#pragma once
#include "widgets/templatedialog.h"

class QLabel;
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
    static constexpr const char* kNoneFoundHint =
        "To list a running Chromium here, start it with --remote-debugging-port=9222; "
        "File > \"Open Page in New Browser...\" starts one for you.";

    CConnectDialog(CPagewrightDoc& doc, QWidget* parent);

    QListWidget* BrowserList() const { return list_; }
    QPushButton* ConnectButton() const { return connect_; }
    QLabel* NoneFoundHint() const { return hint_; }

private:
    void OnRefresh();
    void OnConnect();
    void OnFindModeless();
    void FillBrowserList();

    CPagewrightDoc& doc_;
    QListWidget* list_ = nullptr;
    QPushButton* connect_ = nullptr;
    QLabel* hint_ = nullptr;
};

}  // namespace marklens
