// frmMacro, the macro recorder window ("Enregistreur de Macros"): it owns the macro in memory,
// captures the mouse and keyboard on its capture timer, replays the macro on its replay timer
// with the progress window frmBarResult, and loads and saves macro files. The platform-free
// rules (sampling, file text, what each event plays, pacing) are the core's; this window reads
// the platform, sends the input and keeps its controls in step.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/win32/dpi_layout.h"
#include "common/win32/unique_handle.h"
#include "common/win32/window_base.h"
#include "macro/app/progress_window.h"
#include "macro/core/capture.h"
#include "macro/core/macro.h"
#include "macro/core/pacing.h"
#include "macro/core/replay.h"

namespace tolvare::macro {

class RecorderWindow final : public WindowBase {
public:
    RecorderWindow(HINSTANCE instance, std::wstring programFolder);
    ~RecorderWindow();  // closes the window if open

    // Shows the window, modeless and without owner; creates and loads it when needed.
    void show();
    // "ACTIF" in any letter case: the file chosen in the open dialog, and no replay. Anything
    // else: programFolder + "\" + fileName, or fileName itself when it is an absolute path
    // (drive or UNC), then the replay starts. Creates (loads, hidden) the window when needed.
    // True when the whole file was read; a failed load keeps the macro in memory as it was and
    // shows nothing.
    bool loadMacro(std::wstring_view mode, std::wstring_view fileName);
    void cmdCapture_Click();
    // (Re)starts the replay at event 1.
    void cmdResult_Click();
    void cmdStop_Click();
    // Destroys the window with its macro: the timers stop, the buttons a replay holds are
    // released, the progress window goes too.
    void close();
    // Where macro files named without a folder are.
    const std::wstring& programFolder() const { return programFolder_; }

    // For the message loop that carries the window: Tab, the arrows and the mnemonics move
    // between its controls as in a dialog. True when the message was taken.
    bool translateDialogMessage(MSG& message);

    // Whether the capture or the replay timer runs: the window's state shows it too (the
    // buttons, the progress window), but these say it without reading controls.
    bool capturing() const { return capturing_; }
    bool replaying() const { return replaying_; }

    // The macro in memory.
    const Macro& macro() const { return macro_; }
    // frmBarResult, null until a replay first used it.
    HWND progressWindow() const { return progress_.window(); }

private:
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) override;

    bool ensureLoaded();
    bool createWindow();
    void createControls();
    void layOut();
    void fitCaptions();
    void onDpiChanged(int dpi, const RECT* suggested);
    void onCommand(int id, int code);
    void onDestroy();

    void onCaptureTick();
    void onReplayTick();
    void play(const SlotPlay& play);
    // Stops the replay timer and releases the buttons the replay still holds.
    void stopReplay();
    void stopCapture();
    // How many of the last slots of the capture hold a mouse button over this window: the
    // click on "&Arrêter" that ended it.
    std::int32_t trailingClicksOnWindow() const;

    // The period of both timers: the field's value when it holds one, else the last good one.
    std::uint32_t periodMs();
    void checkTimeBase();
    // Sets a timer to tick after `delayMs` and on at that interval; stops it.
    void armTimer(UINT_PTR id, std::uint32_t delayMs);
    void stopTimer(UINT_PTR id);

    void saveMacro();
    bool chooseFile(bool save, std::wstring& path);
    void enable(int id, bool enabled);
    bool checked(int id) const;

    HINSTANCE instance_;
    std::wstring programFolder_;
    DpiLayout layout_;
    HWND lastFocus_ = nullptr;

    Macro macro_;
    Replay replay_;
    TickPacer capturePacer_;
    TickPacer replayPacer_;
    bool capturing_ = false;
    bool replaying_ = false;
    // The first slot the running capture wrote: its stop never drops what came before.
    std::int32_t captureFirstSlot_ = 1;
    // Moves on whenever a replay starts or stops, so that a tick that let messages through
    // (waiting for its keys) sees that it was overtaken.
    unsigned replayGeneration_ = 0;
    POINT lastCursor_{};
    // The screen's size in pixels for the running capture, read when it starts and when the
    // display changes rather than at every tick: each query is a round trip to the window
    // system, and a tick at 10 ms has little time to spare.
    ScreenSize captureScreen_{};
    // When the sample count was last shown: a few times a second is all the eye can follow.
    std::int64_t countShownMicros_ = 0;
    bool inFileDialog_ = false;
    // The interval each timer runs at, 0 when stopped.
    std::uint32_t armedCaptureMs_ = 0;
    std::uint32_t armedReplayMs_ = 0;
    std::uint32_t goodPeriodMs_ = 10;
    bool timeBaseCheckPending_ = false;

    // A finer system timer while one of the timers runs, so that a 10 ms period is 10 ms and
    // not the default 15.6 ms tick of the system.
    bool fineTimer_ = false;
    void useFineTimer(bool on);

    ProgressWindow progress_;
};

}  // namespace tolvare::macro
