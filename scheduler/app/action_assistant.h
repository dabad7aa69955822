// frmassist: the action assistant. A small modeless window over the main window in which the
// user picks a kind of action, its target (a program or macro file through the open dialog, a
// folder in a folder list, an address) and a time, and which hands the new row to its owner.
// Its decisions are the core's (scheduler/core/assistant.h); this is the window around them.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/win32/dpi_layout.h"
#include "common/win32/window_base.h"
#include "scheduler/core/clock.h"

namespace tolvare::plenar {

// The window's class and caption, and its controls' identifiers: the end-to-end test finds the
// window and its controls by them as a user finds them on screen.
inline constexpr wchar_t kAssistantWindowClass[] = L"PLENAR_frmassist";
inline constexpr wchar_t kAssistantCaption[] = L"Assistant actions:";
// What the assistant, and the table's time edit, say of a time they refuse (title "ERREUR").
inline constexpr wchar_t kTimeRefused[] = L"L'heure n'est pas bonne, merci de la corriger, puis de revalider.";

enum AssistantControlId : int {
    kAssistantValidate = IDOK,      // cmdValider, the default button
    kAssistantCancel = IDCANCEL,    // cmdannuler; also Escape and the close box
    kAssistantFirstOption = 300,    // OptAssist 0 to 3: 300 to 303
    kAssistantFileName = 310,       // txtfilename
    kAssistantFolders = 311,        // Dir1
    kAssistantAddress = 312,        // txtURL
    kAssistantTimeLabel = 313,
    kAssistantTime = 314,           // txtheure
};

class ActionAssistant final : public WindowBase {
public:
    // Receives the new row's time and action, in the list's ANSI code page.
    using AddRow = std::function<void(std::string time, std::string action)>;

    ActionAssistant(HINSTANCE instance, const scheduler::Clock& clock, AddRow addRow);
    ~ActionAssistant();

    // Shows the window over `owner` and activates it: as a validation left it (hidden with its
    // fields), or made anew with fresh fields when it was closed or never shown.
    void show(HWND owner);

private:
    struct FolderEntry {
        std::wstring path;
        int depth = 0;
        bool open = false;  // the current folder and its ancestors
    };
    static LRESULT CALLBACK folderListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                           UINT_PTR id, DWORD_PTR self);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) override;

    bool create(HWND owner);
    void createControls();
    HWND addControl(const wchar_t* className, const wchar_t* text, DWORD style, int id, RECT design,
                    DWORD exStyle = 0);
    void onDpiChanged(int dpi, const RECT* suggested);

    void onOption(int index);
    std::optional<std::wstring> chooseFile(int index);
    void showTargets(std::optional<int> option);
    void validate();
    std::wstring currentTime() const;

    void openFolder(const std::wstring& folder);
    void openSelectedFolder();
    std::wstring selectedFolder() const;
    void measureFolderEntry(MEASUREITEMSTRUCT& item) const;
    void drawFolderEntry(const DRAWITEMSTRUCT& item) const;

    HINSTANCE instance_;
    const scheduler::Clock& clock_;
    AddRow addRow_;

    DpiLayout layout_;
    HWND options_[4] = {};
    HWND fileName_ = nullptr;
    HWND folders_ = nullptr;
    HWND address_ = nullptr;
    HWND time_ = nullptr;
    // The option whose step went through; a cancelled open dialog puts the buttons back to it.
    std::optional<int> selected_;
    std::vector<FolderEntry> folderEntries_;  // Dir1's entries, top to bottom
    // The system's image list of small icons (the system's own, never destroyed) and the
    // folder pictures in it.
    HIMAGELIST folderImages_ = nullptr;
    int closedIcon_ = -1;
    int openIcon_ = -1;
};

}  // namespace tolvare::plenar
