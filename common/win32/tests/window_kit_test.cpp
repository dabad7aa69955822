// The window kit: what every window of the programs relies on, for a window and for a dialog.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <stdexcept>

#include "common/win32/dialog_template.h"
#include "common/win32/dpi_layout.h"
#include "common/win32/testing/top_level_windows.h"
#include "common/win32/window_base.h"

namespace {

using tolvare::DialogTemplate;
using tolvare::DpiLayout;
using tolvare::WindowBase;
using tolvare::testing::clientRectIn;

constexpr UINT kThrow = WM_APP + 1;
constexpr UINT kCount = WM_APP + 2;
constexpr wchar_t kClassName[] = L"tolvare_window_kit_test";
constexpr SIZE kClientDesign{200, 120};
constexpr RECT kFieldDesign = DpiLayout::at(16, 24, 92, 25);
constexpr RECT kButtonDesign = DpiLayout::at(108, 24, 92, 25);

class TestWindow final : public WindowBase {
public:
    explicit TestWindow(bool dialog) : dialog_(dialog) {}
    ~TestWindow() {
        if (window_) DestroyWindow(window_);
    }

    bool open() {
        HINSTANCE instance = GetModuleHandleW(nullptr);
        if (dialog_) {
            const DialogTemplate layout(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, nullptr, L"Essai");
            return createDialog(instance, layout.get(), nullptr) != nullptr;
        }
        return registerClass(instance, kClassName) &&
               createWindow(0, kClassName, L"Essai", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, nullptr, nullptr,
                            instance) != nullptr;
    }

    DpiLayout layout;
    int counted = 0;
    int lastMessagesSeen = 0;

private:
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
        case kThrow:
            throw std::runtime_error("a failed step");
        case kCount:
            ++counted;
            return TRUE;
        case WM_DESTROY:
        case WM_NCDESTROY:
            ++lastMessagesSeen;
            break;
        }
        return defaultHandling(message, wParam, lParam);
    }

    bool dialog_;
};

class WindowKit : public ::testing::TestWithParam<bool> {};

// A handler that throws costs the message its step, never the program, and the window goes on
// answering; once the window is gone, its object knows it and can make a new one.
TEST_P(WindowKit, AThrowingHandlerDropsOnlyItsStepAndTheObjectLetsGoOfAWindowThatIsGone) {
    TestWindow window(GetParam());
    ASSERT_TRUE(window.open());
    HWND first = window.window();
    EXPECT_EQ(SendMessageW(first, kThrow, 0, 0), 0);
    SendMessageW(first, kCount, 0, 0);
    EXPECT_EQ(window.counted, 1) << "the window still reaches its object";

    ASSERT_TRUE(DestroyWindow(first));
    EXPECT_EQ(window.window(), nullptr);
    EXPECT_GE(window.lastMessagesSeen, 1) << "the object saw its window go";
    ASSERT_TRUE(window.open());
    SendMessageW(window.window(), kCount, 0, 0);
    EXPECT_EQ(window.counted, 2);
}

INSTANTIATE_TEST_SUITE_P(WindowAndDialog, WindowKit, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Dialog" : "Window"; });

// The controls, their font and the window's client area follow the DPI from the design unit,
// sizes scaled themselves so that controls designed alike stay alike at every DPI.
TEST(DpiLayout, PlacesControlsTheirFontAndTheClientAreaAtEveryDpi) {
    TestWindow window(false);
    ASSERT_TRUE(window.open());
    HWND parent = window.window();
    window.layout.start(parent);
    const int startDpi = window.layout.dpi();
    HWND field = window.layout.addControl(WC_EDITW, L"", WS_VISIBLE, 1, kFieldDesign, WS_EX_CLIENTEDGE);
    HWND button = window.layout.addControl(WC_BUTTONW, L"OK", WS_VISIBLE, 2, kButtonDesign);
    ASSERT_NE(field, nullptr);
    ASSERT_NE(button, nullptr);
    window.layout.sizeWindow(kClientDesign);

    for (const int dpi : {startDpi, 120, 144, 168, 192, startDpi}) {
        SCOPED_TRACE(dpi);
        const bool changes = dpi != window.layout.dpi();
        EXPECT_EQ(window.layout.changeDpi(dpi), changes);
        window.layout.sizeWindow(kClientDesign);
        const auto scaled = [dpi](int design) { return MulDiv(design, dpi, 96); };
        const RECT fieldPlace = clientRectIn(parent, field);
        const RECT buttonPlace = clientRectIn(parent, button);
        EXPECT_EQ(fieldPlace.left, scaled(kFieldDesign.left));
        EXPECT_EQ(fieldPlace.top, scaled(kFieldDesign.top));
        EXPECT_EQ(fieldPlace.right - fieldPlace.left, scaled(92));
        EXPECT_EQ(buttonPlace.right - buttonPlace.left, fieldPlace.right - fieldPlace.left);
        EXPECT_EQ(buttonPlace.bottom - buttonPlace.top, fieldPlace.bottom - fieldPlace.top);
        EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(button, WM_GETFONT, 0, 0)), window.layout.font());
        // The frame is measured at the layout's DPI: the window's own, except in this test, where
        // the platform keeps the window at the DPI it started with.
        if (dpi != startDpi) continue;
        RECT client{};
        GetClientRect(parent, &client);
        EXPECT_EQ(client.right, scaled(kClientDesign.cx));
        EXPECT_EQ(client.bottom, scaled(kClientDesign.cy));
    }
}

}  // namespace
