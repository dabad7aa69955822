// Dialog templates built in memory: the dialogs are the programs' own, so their texts are UTF-16
// from the start and need no resource script. A template holds the dialog's style, class and
// caption; the controls are laid out by a DpiLayout, as every window's are.
#pragma once

#include <windows.h>

#include <string_view>
#include <vector>

namespace tolvare {

class DialogTemplate {
public:
    // `className` null: the system's dialog class. The size is left to the dialog's layout.
    DialogTemplate(DWORD style, const wchar_t* className, std::wstring_view caption);

    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    void dword(DWORD value);
    void text(std::wstring_view value);

    std::vector<WORD> words_;
};

}  // namespace tolvare
