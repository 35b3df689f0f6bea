#pragma once
#include <functional>

#include <QObject>
#include <QPointer>
#include <QWidget>

#include "mainframe.h"
#include "model/document/documentui.h"

namespace marklens {

// The document's way to the user interface: message boxes over the main frame, its status
// line and caption, the wait cursor, and the dialogs that the later parts plug in.
class CFrameUi : public IDocumentUi {
public:
    // Hand-overs of the dialogs and editing commands; an empty one says so in the status line.
    struct CHandOvers {
        std::function<void()> connectDialog;
        std::function<bool()> findDialog;
        std::function<void()> editHtml;
        std::function<void(const std::string& name, const std::string& value, const std::string& defaultValue)>
            attributeDialog;
    };

    void SetFrame(CMainFrame* frame) { frame_ = frame; }
    CHandOvers& HandOvers() { return handOvers_; }

    void ShowMessage(const std::string& text, MessageIcon icon) override;
    void ShowStatusMessage(const std::string& text, bool hold) override;
    void SetCaption(const std::string& caption) override;
    void Post(std::function<void()> task) override;
    void PostAfter(int milliseconds, std::function<void()> task) override;
    void SetWorking(bool working) override;
    void SetBusy(bool busy) override;
    void ShowProgress(const std::string& text, std::int64_t done, std::int64_t total) override;
    void BeginCapture() override;
    void EndCapture() override;
    void RunConnectDialog() override;
    bool RunFindDialog() override;
    void EditHtml() override;
    void SetClipboardText(const std::string& text) override;
    void CommandStatesChanged() override;
    void RunAttributeDialog(const std::string& name, const std::string& value,
                            const std::string& defaultValue) override;

private:
    QObject postBox_;  // lives on the user interface's thread, as long as this object
    QPointer<CMainFrame> frame_;
    CHandOvers handOvers_;
    QPointer<QWidget> activeBeforeCapture_;
    QPointer<QWidget> focusBeforeCapture_;
};

}  // namespace marklens
