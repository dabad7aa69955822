// frmplenar: the program's main window, a thin view over the scheduler model. It owns the
// model and its platform adapters, shows the table and the settings, and forwards the check
// timer, the start command and the menus to the model.
#pragma once

#include <windows.h>

#include <array>
#include <memory>
#include <string>

#include "common/win32/dpi_layout.h"
#include "common/win32/unique_handle.h"
#include "common/win32/window_base.h"
#include "scheduler/app/action_table.h"
#include "scheduler/app/platform.h"
#include "scheduler/core/scheduler.h"
#include "scheduler/core/settings.h"

namespace tolvare::plenar {

class ActionAssistant;

class MainWindow final : public WindowBase {
public:
    // The recorder window and the journal are the program's, shared with the windows opened
    // after this one.
    MainWindow(HINSTANCE instance, macro::RecorderWindow& recorder, scheduler::Journal& journal);
    ~MainWindow();

    // Creates the window and runs the start-up: settings, table, notification-area icon, the
    // loading pass; then, when `commandLine` is not empty, the command-line macro run. False
    // when the window could not be created.
    bool open(const std::wstring& commandLine);

    // The window went away because the notification-area icon asked for it to be opened again.
    bool reopenRequested() const { return reopen_; }
    // The program's exit code once the window is gone: 1 when a command-line macro was refused.
    int exitCode() const { return exitCode_; }

private:
    // The client area in the design unit.
    static constexpr SIZE kClientSize{520, 400};

    struct NumericField {
        const scheduler::NumericSetting* setting;
        int id;
        HWND edit = nullptr;
        int programmaticChanges = 0;
    };

    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) override;

    bool createWindow();
    void createControls();
    HWND addControl(const wchar_t* className, const wchar_t* text, DWORD style, int id, int x, int y,
                    int width, int height, DWORD exStyle = 0);
    void onDpiChanged(int dpi, const RECT* suggested);
    void loadIcons();
    void addTrayIcon();
    void removeTrayIcon();
    void onShellRestarted();
    // Hides the window into the notification area, or minimises it when there is no icon there.
    void sendToNotificationArea();

    void startUp(const std::wstring& commandLine);
    void readSettings();
    void runCommandLine(const std::wstring& commandLine);
    long macroDurationSeconds() const;

    void onCommand(int id, int code, HWND control);
    LRESULT onNotify(const NMHDR& header);
    void onCheckTimer();
    void onTableClick(POINT clientPoint);
    void onTabChanged();
    void onSize(WPARAM kind, LPARAM size);

    void startScheduler();
    void downloadList();
    void saveListAndSettings();
    bool saveList();
    bool saveSetting(const std::wstring& key, const std::wstring& value);
    void showAbout();
    void showHelp();
    void showMacros();
    void showAssistant();
    void addAssistantRow(std::string time, std::string action);

    bool fieldAlive(const NumericField& field) const;
    void onNumericFieldChanged(NumericField& field);
    void putFieldText(NumericField& field, const std::wstring& text);
    void showError(const std::wstring& message);
    void setCheckPeriodFromField();
    void applyDownloadInterval();
    void refreshTable();
    void showPage(bool settings);

    std::wstring settingsPath() const { return programFolder_ + L"\\param.ini"; }

    HINSTANCE instance_;
    DpiLayout layout_;
    std::wstring programFolder_;
    std::wstring listPath_;

    unique_hicon smallIcon_;
    unique_hicon largeIcon_;

    HWND tabStrip_ = nullptr;
    HWND listLabel_ = nullptr;
    HWND infoLabel_ = nullptr;
    HWND frame_ = nullptr;
    HWND urlEdit_ = nullptr;
    std::vector<HWND> settingsControls_;  // the frame's captions, fields and units
    ActionTable table_;
    std::array<NumericField, 3> fields_;

    SystemClock clock_;
    FileListStore store_;
    MacroHandOff macroHandOff_;
    ShellActionRunner runner_;
    InternetListDownloader downloader_;
    scheduler::Scheduler scheduler_;

    UINT checkPeriodMs_ = 0;
    bool trayIconShown_ = false;
    bool hideOnResize_ = false;
    SIZE settledSize_{};
    bool infoShown_ = false;
    bool reopen_ = false;
    bool quitOnDestroy_ = true;
    int exitCode_ = 0;
    // Bumped whenever the model's rows are replaced, so that an edit begun before a reload
    // (while a question was on screen) does not land on another row.
    unsigned tableGeneration_ = 0;
    // frmassist, made on its first opening; it goes with this window.
    std::unique_ptr<ActionAssistant> assistant_;
};

}  // namespace tolvare::plenar
