#include "scheduler/app/input_box.h"

#include <commctrl.h>

#include "common/win32/dialog_template.h"
#include "common/win32/dpi_layout.h"
#include "common/win32/window_base.h"
#include "common/win32/window_metrics.h"

namespace tolvare::plenar {

namespace {

constexpr int kPromptId = 1001;
constexpr int kAnswerId = 1002;
constexpr SIZE kClientSize{438, 137};

class InputBox final : public WindowBase {
public:
    InputBox(const std::wstring& prompt, const std::wstring& proposal) : prompt_(prompt), proposal_(proposal) {}

    std::optional<std::wstring> run(HWND owner, const std::wstring& title) {
        const DialogTemplate layout(DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU, nullptr, title);
        if (runDialog(GetModuleHandleW(nullptr), layout.get(), owner) != IDOK) return std::nullopt;
        return answer_;
    }

private:
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
        case WM_INITDIALOG:
            createControls();
            return FALSE;  // the focus is set
        case WM_DPICHANGED:
            if (layout_.changeDpi(LOWORD(wParam))) layout_.sizeWindow(kClientSize, reinterpret_cast<const RECT*>(lParam));
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                answer_ = windowText(GetDlgItem(window_, kAnswerId));
                EndDialog(window_, IDOK);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(window_, IDCANCEL);
                return TRUE;
            }
            break;
        }
        return defaultHandling(message, wParam, lParam);
    }

    void createControls() {
        keepDialogDpiLayoutOwn(window_);
        layout_.start(window_);
        layout_.addControl(WC_STATICW, prompt_.c_str(), WS_VISIBLE | SS_LEFT, kPromptId, DpiLayout::at(12, 11, 315, 72));
        // The answer comes first in the tab order, as the focus starts there.
        HWND answer = layout_.addControl(WC_EDITW, proposal_.c_str(), WS_VISIBLE | ES_AUTOHSCROLL | WS_TABSTOP, kAnswerId,
                                         DpiLayout::at(12, 98, 413, 23), WS_EX_CLIENTEDGE);
        layout_.addControl(WC_BUTTONW, L"OK", WS_VISIBLE | BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK,
                           DpiLayout::at(341, 11, 84, 23));
        layout_.addControl(WC_BUTTONW, L"Annuler", WS_VISIBLE | BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL,
                           DpiLayout::at(341, 41, 84, 23));
        layout_.sizeWindow(kClientSize);
        centreInWorkArea(window_, GetWindow(window_, GW_OWNER));
        SendMessageW(answer, EM_SETSEL, 0, -1);
        SetFocus(answer);
    }

    const std::wstring& prompt_;
    const std::wstring& proposal_;
    std::wstring answer_;
    DpiLayout layout_;
};

}  // namespace

std::optional<std::wstring> inputBox(HWND owner, const std::wstring& prompt, const std::wstring& title,
                                     const std::wstring& proposal) {
    InputBox box(prompt, proposal);
    return box.run(owner, title);
}

}  // namespace tolvare::plenar
