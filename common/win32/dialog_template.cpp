#include "common/win32/dialog_template.h"

namespace tolvare {

DialogTemplate::DialogTemplate(DWORD style, const wchar_t* className, std::wstring_view caption) {
    // No DS_SETFONT: the controls take the layout's font, not the template's.
    dword(style & ~static_cast<DWORD>(DS_SETFONT));
    dword(0);                                   // extended style
    words_.insert(words_.end(), {0, 0, 0, 0, 0});  // no items; x, y, width, height
    words_.push_back(0);                        // no menu
    if (className)
        text(className);
    else
        words_.push_back(0);
    text(caption);
}

void DialogTemplate::dword(DWORD value) {
    words_.push_back(LOWORD(value));
    words_.push_back(HIWORD(value));
}

void DialogTemplate::text(std::wstring_view value) {
    words_.insert(words_.end(), value.begin(), value.end());
    words_.push_back(0);
}

}  // namespace tolvare
