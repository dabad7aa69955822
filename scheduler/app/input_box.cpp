#include "scheduler/app/input_box.h"

#include <string_view>
#include <vector>

namespace tolvare::plenar {

namespace {

constexpr int kPromptId = 1001;
constexpr int kAnswerId = 1002;

// A dialog template built in memory: the dialog is ours, so its texts are UTF-16 from the
// start and need no resource script.
class DialogTemplate {
public:
    DialogTemplate(std::wstring_view title, DWORD style, short width, short height) {
        dword(style);
        dword(0);  // extended style
        countIndex_ = words_.size();
        words_.push_back(0);
        words_.push_back(0);  // x
        words_.push_back(0);  // y
        words_.push_back(static_cast<WORD>(width));
        words_.push_back(static_cast<WORD>(height));
        words_.push_back(0);  // no menu
        words_.push_back(0);  // the standard dialog class
        text(title);
        words_.push_back(8);  // font size, with DS_SETFONT
        text(L"MS Shell Dlg");
    }

    void item(WORD atom, std::wstring_view caption, int id, DWORD style, short x, short y, short cx,
              short cy) {
        if (words_.size() % 2) words_.push_back(0);  // items start on a DWORD boundary
        dword(style | WS_CHILD | WS_VISIBLE);
        dword(0);
        words_.push_back(static_cast<WORD>(x));
        words_.push_back(static_cast<WORD>(y));
        words_.push_back(static_cast<WORD>(cx));
        words_.push_back(static_cast<WORD>(cy));
        words_.push_back(static_cast<WORD>(id));
        words_.push_back(0xFFFF);
        words_.push_back(atom);
        text(caption);
        words_.push_back(0);  // no creation data
        ++words_[countIndex_];
    }

    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    void dword(DWORD value) {
        words_.push_back(LOWORD(value));
        words_.push_back(HIWORD(value));
    }
    void text(std::wstring_view value) {
        words_.insert(words_.end(), value.begin(), value.end());
        words_.push_back(0);
    }

    std::vector<WORD> words_;
    std::size_t countIndex_ = 0;
};

constexpr WORD kButton = 0x0080;
constexpr WORD kEdit = 0x0081;
constexpr WORD kStatic = 0x0082;

struct Exchange {
    const std::wstring* proposal;
    std::wstring answer;
};

INT_PTR CALLBACK dialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        const auto* exchange = reinterpret_cast<Exchange*>(lParam);
        HWND answer = GetDlgItem(dialog, kAnswerId);
        SetWindowTextW(answer, exchange->proposal->c_str());
        SendMessageW(answer, EM_SETSEL, 0, -1);
        SetFocus(answer);
        return FALSE;  // the focus is set
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            auto* exchange = reinterpret_cast<Exchange*>(GetWindowLongPtrW(dialog, DWLP_USER));
            HWND answer = GetDlgItem(dialog, kAnswerId);
            const int length = GetWindowTextLengthW(answer);
            std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
            const int copied = GetWindowTextW(answer, text.data(), length + 1);
            text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
            exchange->answer = std::move(text);
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

}  // namespace

std::optional<std::wstring> inputBox(HWND owner, const std::wstring& prompt, const std::wstring& title,
                                     const std::wstring& proposal) {
    DialogTemplate dialog(title,
                          DS_SETFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU,
                          250, 84);
    dialog.item(kStatic, prompt, kPromptId, SS_LEFT, 7, 7, 180, 44);
    // The answer comes first in the tab order, as the focus starts there.
    dialog.item(kEdit, L"", kAnswerId, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 7, 60, 236, 14);
    dialog.item(kButton, L"OK", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 195, 7, 48, 14);
    dialog.item(kButton, L"Annuler", IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 195, 25, 48, 14);
    Exchange exchange{&proposal, {}};
    const INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialog.get(), owner,
                                                   dialogProc, reinterpret_cast<LPARAM>(&exchange));
    if (result != IDOK) return std::nullopt;
    return exchange.answer;
}

}  // namespace tolvare::plenar
