#include "htmldialogtemplate.h"

#include <array>

namespace marklens::resources {
namespace {

constexpr std::array kHtmlControls{
    CControlTemplate{kIdcOuterHtml, ControlKind::RadioButton, "Outer HTML", 7, 7, 54, 10},
    CControlTemplate{kIdcInnerHtml, ControlKind::RadioButton, "Inner HTML", 74, 7, 53, 10},
    CControlTemplate{kIdcElementText, ControlKind::RadioButton, "Text", 140, 7, 31, 10},
    CControlTemplate{kIdcHtmlText, ControlKind::MultiLineEdit, nullptr, 7, 24, 262, 160},
    CControlTemplate{1, ControlKind::DefaultPushButton, "OK", 276, 7, 50, 14},
    CControlTemplate{2, ControlKind::PushButton, "Cancel", 276, 24, 50, 14},
};

constexpr CDialogTemplate kHtmlDialog{"Element HTML", 333, 191, "Sans Serif", 8, kHtmlControls};

}  // namespace

const CDialogTemplate& HtmlDialogTemplate() { return kHtmlDialog; }

}  // namespace marklens::resources
