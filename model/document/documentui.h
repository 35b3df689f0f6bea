#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace marklens {

enum class MessageIcon { None, Warning, Information };

// Everything the document needs of the user interface. The application implements it; the
// document's tests record it.
class IDocumentUi {
public:
    virtual ~IDocumentUi() = default;

    // A message box with only an OK button.
    virtual void ShowMessage(const std::string& text, MessageIcon icon) = 0;
    // The status line; with hold the text stays 5 seconds against texts without hold.
    virtual void ShowStatusMessage(const std::string& text, bool hold) = 0;
    virtual void SetCaption(const std::string& caption) = 0;
    // Around a capture: bringing the browser's tab to the front can raise its window over
    // ours, so afterwards the program's window is put in front again with the focus where it
    // was. Nothing to do where there is no window.
    virtual void BeginCapture() {}
    virtual void EndCapture() {}

    // Runs the task on the user interface's thread once the current event is handled, in the
    // order posted. Callable from any thread; the browser work's answers come back this way.
    virtual void Post(std::function<void()> task) = 0;
    // Runs the task on the user interface's thread after about that many milliseconds. Without
    // timers nothing runs: the document then never follows the page by itself.
    virtual void PostAfter(int /*milliseconds*/, std::function<void()> /*task*/) {}
    // Browser work is on its way (the window stays alive; the cursor says that it waits).
    virtual void SetWorking(bool working) = 0;
    // An attach or a Refresh runs: the commands that read or change the page are disabled, and
    // the work can be cancelled (CPagewrightDoc::CancelWork).
    virtual void SetBusy(bool busy) = 0;
    // The selection, the page or what Undo can take back changed: commands may be enabled
    // or disabled now.
    virtual void CommandStatesChanged() {}
    // What that work does and how far it got (total 0: unknown); shown once it lasts.
    virtual void ShowProgress(const std::string& text, std::int64_t done, std::int64_t total) = 0;

    // Runs the Connect dialog modally; its effects happen inside it.
    virtual void RunConnectDialog() = 0;
    // Runs the Find dialog modally; true when it ended with OK.
    virtual bool RunFindDialog() = 0;
    // Puts text on the clipboard, where the user pastes it.
    virtual void SetClipboardText(const std::string& text) = 0;
    // Hand-over to the editing of the selected element's HTML.
    virtual void EditHtml() = 0;
    // Runs the Set Attribute Value dialog modally for the selected element; its OK step sets
    // the value through the document.
    virtual void RunAttributeDialog(const std::string& name, const std::string& value,
                                    const std::string& defaultValue) = 0;
};

}  // namespace marklens
