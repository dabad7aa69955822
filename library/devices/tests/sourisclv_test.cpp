// Cls_SourisClv through the real library against Wine's input state under the test display:
// the cursor's display count and position, the button swap, the double-click time, the
// calling thread's keyboard-state table. What a test changes of the desktop's settings is put
// back when it ends.

#include <gtest/gtest.h>

#include <windows.h>

#include <array>

#include "library/frame/tests/class_test_support.h"

using namespace korvel_test;

namespace {

// The cursor's display count, read without changing it.
int cursorCount() {
    ShowCursor(TRUE);
    return ShowCursor(FALSE);
}

using KeyboardTable = std::array<BYTE, 256>;

KeyboardTable keyboardTable() {
    KeyboardTable table{};
    GetKeyboardState(table.data());
    return table;
}

void setKey(size_t key, BYTE state) {
    KeyboardTable table = keyboardTable();
    table[key] = state;
    SetKeyboardState(table.data());
}

// The desktop-wide mouse settings and this thread's keyboard table, put back as they were.
class SavedInputState {
public:
    SavedInputState()
        : swapped_(GetSystemMetrics(SM_SWAPBUTTON) != 0), doubleClick_(GetDoubleClickTime()),
          keyboard_(keyboardTable()) {
        GetCursorPos(&cursor_);
    }
    SavedInputState(const SavedInputState&) = delete;
    SavedInputState& operator=(const SavedInputState&) = delete;
    ~SavedInputState() {
        SwapMouseButton(swapped_);
        SetDoubleClickTime(doubleClick_);
        SetKeyboardState(keyboard_.data());
        SetCursorPos(cursor_.x, cursor_.y);
    }

private:
    bool swapped_;
    UINT doubleClick_;
    KeyboardTable keyboard_;
    POINT cursor_{};
};

class SourisClvTest : public ::testing::Test {
protected:
    void SetUp() override {
        input = createByClassId<_Cls_SourisClv>(CLSID_Cls_SourisClv);
        ASSERT_TRUE(input);
        ASSERT_EQ(input.query(late), S_OK);
    }
    bool readShift() {
        VARIANT_BOOL on = 99;
        EXPECT_EQ(input->LireEtat_Shift(&on), S_OK);
        EXPECT_TRUE(on == VARIANT_TRUE || on == VARIANT_FALSE);
        return on == VARIANT_TRUE;
    }
    bool readNumLock() {
        VARIANT_BOOL on = 99;
        EXPECT_EQ(input->LireEtat_NumLock(&on), S_OK);
        EXPECT_TRUE(on == VARIANT_TRUE || on == VARIANT_FALSE);
        return on == VARIANT_TRUE;
    }
    HRESULT changer(LONG key) { return input->ChangerEtat_Touche(&key); }
    // The status of a late-bound call whose result is not looked at.
    HRESULT lateCall(const wchar_t* member, std::vector<VARIANT> arguments = {}) {
        CallResult r;
        invoke(r, late.get(), member, std::move(arguments));
        return r.status;
    }

    SavedInputState saved;
    com_ptr<_Cls_SourisClv> input;
    com_ptr<IDispatch> late;
};

TEST_F(SourisClvTest, HidingAndShowingMoveTheDisplayCountOneStepEach) {
    const int start = cursorCount();
    EXPECT_EQ(input->SourisMasquer(), S_OK);
    EXPECT_EQ(cursorCount(), start - 1);
    EXPECT_EQ(input->SourisMasquer(), S_OK);
    EXPECT_EQ(cursorCount(), start - 2);
    // Hiding twice needs showing twice.
    EXPECT_EQ(input->SourisAfficher(), S_OK);
    EXPECT_EQ(cursorCount(), start - 1);
    EXPECT_EQ(lateCall(L"SourisAfficher"), S_OK);
    EXPECT_EQ(cursorCount(), start);
    EXPECT_EQ(lateCall(L"SourisMasquer"), S_OK);
    EXPECT_EQ(cursorCount(), start - 1);
    EXPECT_EQ(input->SourisAfficher(), S_OK);
    EXPECT_EQ(cursorCount(), start);
}

// A visible window of this test in front while it moves the pointer: in a full run, with other
// suites' windows on the same display, the positions set did not always hold without it.
class ForegroundWindow {
public:
    ForegroundWindow()
        : window_(CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"Souris KORVEL", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr)) {
        for (int attempt = 0; attempt < 50 && GetForegroundWindow() != window_; ++attempt) {
            SetForegroundWindow(window_);
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
            Sleep(20);
        }
    }
    ForegroundWindow(const ForegroundWindow&) = delete;
    ForegroundWindow& operator=(const ForegroundWindow&) = delete;
    ~ForegroundWindow() { DestroyWindow(window_); }

private:
    HWND window_;
};

TEST_F(SourisClvTest, PositionIsSetAndRead) {
    ForegroundWindow front;
    struct Case {
        short x, y;
        LONG expectedX, expectedY;
    } cases[] = {{0, 0, 0, 0}, {100, 200, 100, 200}, {1023, 767, 1023, 767},
                 // Outside the screen: the platform keeps the cursor on it.
                 {-5, 32767, 0, GetSystemMetrics(SM_CYSCREEN) - 1}};
    for (Case c : cases) {
        EXPECT_EQ(input->SourisPositionner(&c.x, &c.y), S_OK);
        POINT platform{};
        ASSERT_TRUE(GetCursorPos(&platform));
        EXPECT_EQ(platform.x, c.expectedX);
        EXPECT_EQ(platform.y, c.expectedY);
        LONG x = -1, y = -1, found = 0;
        EXPECT_EQ(input->SourisPosition(&x, &y, &found), S_OK);
        EXPECT_NE(found, 0);
        EXPECT_EQ(x, c.expectedX);
        EXPECT_EQ(y, c.expectedY);
    }
    // Late-bound, with the script's variables written back.
    EXPECT_EQ(lateCall(L"SourisPositionner", {number(300), number(400)}), S_OK);
    VARIANT x, y;
    V_VT(&x) = VT_I4;
    V_I4(&x) = -1;
    V_VT(&y) = VT_I4;
    V_I4(&y) = -1;
    CallResult r;
    invoke(r, late.get(), L"SourisPosition", {reference(&x), reference(&y)});
    ASSERT_EQ(r.status, S_OK);
    EXPECT_EQ(V_VT(r.value.get()), VT_I4);
    EXPECT_NE(V_I4(r.value.get()), 0);
    EXPECT_EQ(V_I4(&x), 300);
    EXPECT_EQ(V_I4(&y), 400);

    LONG a = 0, b = 0, c = 0;
    short s = 0;
    EXPECT_EQ(input->SourisPosition(nullptr, &b, &c), E_POINTER);
    EXPECT_EQ(input->SourisPosition(&a, &b, nullptr), E_POINTER);
    EXPECT_EQ(input->SourisPositionner(&s, nullptr), E_POINTER);
}

TEST_F(SourisClvTest, ButtonsSwapAndComeBack) {
    EXPECT_EQ(input->SourisBoutonInverser(), S_OK);
    EXPECT_NE(GetSystemMetrics(SM_SWAPBUTTON), 0);
    EXPECT_EQ(input->SourisBoutonOrigine(), S_OK);
    EXPECT_EQ(GetSystemMetrics(SM_SWAPBUTTON), 0);
    EXPECT_EQ(lateCall(L"SourisBoutonInverser"), S_OK);
    EXPECT_NE(GetSystemMetrics(SM_SWAPBUTTON), 0);
    EXPECT_EQ(lateCall(L"SourisBoutonOrigine"), S_OK);
    EXPECT_EQ(GetSystemMetrics(SM_SWAPBUTTON), 0);

    // The number of buttons the platform reports.
    short buttons = -1;
    EXPECT_EQ(input->SourisNbsBouton(&buttons), S_OK);
    EXPECT_EQ(buttons, GetSystemMetrics(SM_CMOUSEBUTTONS));
    EXPECT_GT(buttons, 0);
    CallResult r;
    invoke(r, late.get(), L"SourisNbsBouton", {});
    ASSERT_EQ(r.status, S_OK);
    EXPECT_EQ(V_VT(r.value.get()), VT_I2);
    EXPECT_EQ(V_I2(r.value.get()), buttons);
    EXPECT_EQ(input->SourisNbsBouton(nullptr), E_POINTER);
}

TEST_F(SourisClvTest, DoubleClickTimeIsThePlatforms) {
    for (UINT milliseconds : {345u, 900u}) {
        ASSERT_TRUE(SetDoubleClickTime(milliseconds));
        LONG time = -1;
        EXPECT_EQ(input->SourisDelaiDoubleClique(&time), S_OK);
        EXPECT_EQ(time, LONG(milliseconds));
        CallResult r;
        invoke(r, late.get(), L"SourisDelaiDoubleClique", {});
        ASSERT_EQ(r.status, S_OK);
        EXPECT_EQ(V_VT(r.value.get()), VT_I4);
        EXPECT_EQ(V_I4(r.value.get()), LONG(milliseconds));
    }
    EXPECT_EQ(input->SourisDelaiDoubleClique(nullptr), E_POINTER);
}

TEST_F(SourisClvTest, ToggleKeysReadOnlyWhenOnAndNotHeld) {
    struct Case {
        BYTE state;
        bool on;
    } cases[] = {{0x01, true}, {0x81, false}, {0x00, false}};
    for (const Case& c : cases) {
        setKey(VK_CAPITAL, c.state);
        EXPECT_EQ(readShift(), c.on) << int(c.state);
        setKey(VK_NUMLOCK, c.state);
        EXPECT_EQ(readNumLock(), c.on) << int(c.state);
    }
    // Read again on every call: the same object sees the table change between calls.
    setKey(VK_NUMLOCK, 1);
    EXPECT_TRUE(readNumLock());
    setKey(VK_NUMLOCK, 0);
    EXPECT_FALSE(readNumLock());
    // The real shift key is not what LireEtat_Shift reads.
    setKey(VK_CAPITAL, 0);
    setKey(VK_SHIFT, 0x81);
    EXPECT_FALSE(readShift());

    setKey(VK_CAPITAL, 1);
    setKey(VK_NUMLOCK, 1);
    for (const wchar_t* member : {L"LireEtat_Shift", L"LireEtat_NumLock"}) {
        CallResult r;
        invoke(r, late.get(), member, {});
        ASSERT_EQ(r.status, S_OK);
        EXPECT_EQ(V_VT(r.value.get()), VT_BOOL);
        EXPECT_EQ(V_BOOL(r.value.get()), VARIANT_TRUE) << member;
    }
    VARIANT_BOOL* none = nullptr;
    EXPECT_EQ(input->LireEtat_Shift(none), E_POINTER);
}

TEST_F(SourisClvTest, ChangerEtatToucheFlipsOneByteOfTheThreadsTable) {
    struct Case {
        BYTE before, after;
    } cases[] = {{0x01, 0x00}, {0x81, 0x01}, {0x00, 0x01}};
    for (const Case& c : cases) {
        setKey(VK_NUMLOCK, c.before);
        KeyboardTable expected = keyboardTable();
        expected[VK_NUMLOCK] = c.after;
        EXPECT_EQ(changer(VK_NUMLOCK), S_OK);
        EXPECT_EQ(keyboardTable(), expected) << int(c.before);
    }
    setKey(VK_NUMLOCK, 0);
    EXPECT_EQ(changer(VK_NUMLOCK), S_OK);
    EXPECT_TRUE(readNumLock());
    // The ends of the range.
    setKey(0, 0);
    setKey(255, 1);
    EXPECT_EQ(changer(0), S_OK);
    EXPECT_EQ(changer(255), S_OK);
    EXPECT_EQ(keyboardTable()[0], 1);
    EXPECT_EQ(keyboardTable()[255], 0);

    // Outside 0..255: subscript out of range, and nothing written.
    const KeyboardTable before = keyboardTable();
    for (LONG key : {256L, -1L, 0x7fffffffL, LONG(0x80000000UL)}) {
        SetErrorInfo(0, nullptr);
        EXPECT_EQ(changer(key), HRESULT(0x800A0009)) << key;
        EXPECT_EQ(keyboardTable(), before);
    }
    CallResult refused;
    invoke(refused, late.get(), L"ChangerEtat_Touche", {number(256)});
    EXPECT_EQ(refused.status, DISP_E_EXCEPTION);
    EXPECT_EQ(refused.exception.scode, HRESULT(0x800A0009));
    EXPECT_STREQ(refused.exception.bstrDescription, L"L'indice n'appartient pas à la sélection");

    setKey(VK_CAPITAL, 1);
    EXPECT_EQ(lateCall(L"ChangerEtat_Touche", {number(VK_CAPITAL)}), S_OK);
    EXPECT_FALSE(readShift());
    EXPECT_EQ(input->ChangerEtat_Touche(nullptr), E_POINTER);
}

}  // namespace
