#pragma once

class QWidget;

namespace marklens {

class CPagewrightDoc;

// Edit HTML (command 32787) on the document's selection: reads the live element, lets the
// user edit its outer HTML, inner HTML or text in the dialog over parent, writes the result
// back in the chosen mode and refreshes the document. Failures are reported, never thrown.
void OnEditHtml(CPagewrightDoc& doc, QWidget* parent);

}  // namespace marklens
