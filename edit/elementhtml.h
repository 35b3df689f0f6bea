#pragma once
#include <string>

namespace marklens {

class ILiveElement;

// The three ways an element's content can be replaced, in the order of the dialog's buttons.
enum class HtmlMode : int { Outer = 0, Inner = 1, Text = 2 };

// What the HTML editor shows of one element, read once before the dialog opens. Texts are
// UTF-8, so every character of the page survives the trip through the editor.
struct CElementHtml {
    std::string tagName;
    std::string outer, inner, text;
    bool outerEditable = false, innerEditable = false, textEditable = false;

    // Reads the element; a mode whose text cannot be read is read-only and empty. The tag name
    // must be read already: its failure is the caller's to report.
    static CElementHtml Read(ILiveElement& element, std::string tagName);
    // Writes the text back in the mode. Text mode on an element without a text property
    // writes nothing. Throws CObjectCallError when the browser refuses.
    static void Write(ILiveElement& element, const std::string& tagName, HtmlMode mode, const std::string& content);

    // The tag rules, by upper-case tag name, compared exactly.
    static bool OuterEditable(const std::string& tagName);
    static bool InnerEditable(const std::string& tagName);
    static bool HasTextProperty(const std::string& tagName);
};

}  // namespace marklens
