#include "scheduler/app/action_assistant.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>
#include <cwchar>
#include <string_view>
#include <utility>

#include "common/win32/dialog_template.h"
#include "common/win32/window_metrics.h"
#include "scheduler/app/platform.h"
#include "scheduler/app/text.h"
#include "scheduler/core/assistant.h"

namespace tolvare::plenar {

namespace {

// The form's places, drawn in twips, in the design unit (15 twips each).
constexpr SIZE kClientSize{383, 223};
constexpr int kOptionCount = 4;
// The option buttons reach to the target fields (less a gap): the widths they were designed
// with (81 and 73) cut "Programme:" short in today's message fonts.
constexpr int kOptionWidth = 112 - 4 - 16;
constexpr RECT kOptionPlaces[kOptionCount] = {
    DpiLayout::at(16, 24, kOptionWidth, 25), DpiLayout::at(16, 48, kOptionWidth, 25),
    DpiLayout::at(16, 72, kOptionWidth, 25), DpiLayout::at(16, 96, kOptionWidth, 25)};
constexpr const wchar_t* kOptionCaptions[kOptionCount] = {L"Programme:", L"Macro:", L"Partage:", L"URL:"};
constexpr int kProgramOption = static_cast<int>(scheduler::AssistantOption::Program);
constexpr int kMacroOption = static_cast<int>(scheduler::AssistantOption::Macro);
constexpr int kShareOption = static_cast<int>(scheduler::AssistantOption::Share);
constexpr int kAddressOption = static_cast<int>(scheduler::AssistantOption::Address);


// The open dialog's lists. For programs, the kinds of file a command line starts directly,
// preselected, then every file; for macros, text files, with every file preselected.
constexpr wchar_t kProgramFilter[] =
    L"Programmes (*.exe;*.bat;*.com)\0*.exe;*.bat;*.com\0Tous les fichiers (*.*)\0*.*\0";
constexpr wchar_t kMacroFilter[] = L"Fichiers texte (*.txt)\0*.txt\0Tous les fichiers (*.*)\0*.*\0";
// Room for any path the file system takes, the extended form's included.
constexpr std::size_t kChosenPathCapacity = 32768;

// Indentation of one level of the folder list, in pixels at 96 DPI.
constexpr int kFolderIndent = 10;
constexpr UINT_PTR kFolderListSubclass = 1;

// The window is a dialog (Tab, arrows, mnemonics, the default button, Escape and the focus
// kept across activations come from the dialog manager) of a class of its own, so that it is
// told apart from the open dialog and message boxes. Its template is empty: the controls are
// placed in pixels per DPI, as the main window's are.
constexpr DWORD kWindowStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;

bool ansiHolds(const std::wstring& text) {
    BOOL lossy = FALSE;
    const int length = static_cast<int>(std::min<std::size_t>(text.size(), 0x7fffffff));
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), length, nullptr, 0, nullptr, &lossy);
    return !lossy;
}

// The list file is in the ANSI code page. A path it cannot hold (a name in another script) goes
// in its short form when that one fits, so that the row still names the file; otherwise as the
// code page renders it.
std::string ansiPath(const std::wstring& path) {
    if (path.empty() || ansiHolds(path)) return toAnsi(path);
    const DWORD needed = GetShortPathNameW(path.c_str(), nullptr, 0);
    if (needed == 0) return toAnsi(path);
    std::wstring shortPath(needed, L'\0');
    const DWORD length = GetShortPathNameW(path.c_str(), shortPath.data(), needed);
    if (length == 0 || length >= needed) return toAnsi(path);
    shortPath.resize(length);
    return ansiHolds(shortPath) ? toAnsi(shortPath) : toAnsi(path);
}

bool isFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(extendedPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The subfolders of `folder` in the user's alphabetical order, without the hidden ones (as the
// shell shows a folder). A folder that cannot be read has none.
std::vector<std::wstring> subfolderNames(const std::wstring& folder) {
    const std::wstring pattern = fromUtf8(scheduler::subfolderPath(toUtf8(folder), "*"));
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    unique_hfind search(FindFirstFileW(extendedPath(pattern).c_str(), &found));
    if (!search) return names;
    do {
        const std::wstring_view name = found.cFileName;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || (found.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) ||
            name == L"." || name == L"..")
            continue;
        names.emplace_back(name);
    } while (FindNextFileW(search.get(), &found));
    std::sort(names.begin(), names.end(), [](const std::wstring& a, const std::wstring& b) {
        return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) == CSTR_LESS_THAN;
    });
    return names;
}

std::wstring currentFolder() {
    const DWORD needed = GetCurrentDirectoryW(0, nullptr);
    if (needed == 0) return programFolder();
    std::wstring folder(needed, L'\0');
    const DWORD length = GetCurrentDirectoryW(needed, folder.data());
    if (length == 0 || length >= needed) return programFolder();
    folder.resize(length);
    return folder;
}

// A folder's small icon from the system's image list (which belongs to the system).
int folderIcon(bool open, HIMAGELIST& images) {
    SHFILEINFOW info{};
    const UINT flags = SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | (open ? SHGFI_OPENICON : 0);
    images = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoW(L"dossier", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info, flags));
    return images ? info.iIcon : -1;
}

}  // namespace

ActionAssistant::ActionAssistant(HINSTANCE instance, const scheduler::Clock& clock, AddRow addRow)
    : instance_(instance), clock_(clock), addRow_(std::move(addRow)) {}

ActionAssistant::~ActionAssistant() {
    if (window_) DestroyWindow(window_);
}

void ActionAssistant::show(HWND owner) {
    if (!window_ && !create(owner)) return;
    ShowWindow(window_, SW_SHOW);
    // While the open dialog or a message of the assistant is up, that is what comes forward.
    HWND front = GetLastActivePopup(window_);
    SetForegroundWindow(front ? front : window_);
}

bool ActionAssistant::create(HWND owner) {
    if (!registerDialogClass(instance_, kAssistantWindowClass)) return false;
    const DialogTemplate layout(kWindowStyle, kAssistantWindowClass, kAssistantCaption);
    if (!createDialog(instance_, layout.get(), owner)) return false;

    // Over the middle of the main window, within the screen it is on.
    centreInWorkArea(window_, owner, true);
    return true;
}

LRESULT ActionAssistant::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        keepDialogDpiLayoutOwn(window_);
        layout_.start(window_);
        createControls();
        return TRUE;  // the focus goes to the first control
    case WM_DPICHANGED:
        onDpiChanged(LOWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        return TRUE;
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        if (id >= kAssistantFirstOption && id < kAssistantFirstOption + kOptionCount) {
            if (code == BN_CLICKED) onOption(id - kAssistantFirstOption);
        } else if (id == kAssistantValidate && code == BN_CLICKED) {
            validate();
        } else if (id == kAssistantCancel && code == BN_CLICKED) {
            // Closed, not hidden: the next opening starts with fresh fields.
            DestroyWindow(window_);
        } else if (id == kAssistantFolders && code == LBN_DBLCLK) {
            openSelectedFolder();
        }
        return TRUE;
    }
    case WM_MEASUREITEM: {
        auto& item = *reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (item.CtlID != kAssistantFolders) return FALSE;
        measureFolderEntry(item);
        return TRUE;
    }
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item.CtlID != kAssistantFolders) return FALSE;
        drawFolderEntry(item);
        return TRUE;
    }
    case WM_DESTROY:
        // A window that is gone must not be shown again: the next opening makes a new one.
        layout_.clear();
        std::fill(std::begin(options_), std::end(options_), nullptr);
        fileName_ = folders_ = address_ = time_ = nullptr;
        selected_.reset();
        folderEntries_.clear();
        return FALSE;
    }
    return FALSE;
}

HWND ActionAssistant::addControl(const wchar_t* className, const wchar_t* text, DWORD style, int id, RECT design,
                                 DWORD exStyle) {
    return layout_.addControl(className, text, style, id, design, exStyle);
}

void ActionAssistant::createControls() {
    closedIcon_ = folderIcon(false, folderImages_);
    openIcon_ = folderIcon(true, folderImages_);

    // Creation order is the tab order: the options (one stop), the target field shown, the
    // time, then the buttons.
    for (int i = 0; i < kOptionCount; ++i) {
        const DWORD style = WS_VISIBLE | BS_AUTORADIOBUTTON | (i == 0 ? WS_GROUP | WS_TABSTOP : 0);
        options_[i] = addControl(WC_BUTTONW, kOptionCaptions[i], style, kAssistantFirstOption + i, kOptionPlaces[i]);
    }
    fileName_ = addControl(WC_EDITW, L"", WS_GROUP | WS_TABSTOP | ES_AUTOHSCROLL, kAssistantFileName,
                           DpiLayout::at(112, 24, 257, 25), WS_EX_CLIENTEDGE);
    folders_ = addControl(WC_LISTBOXW, L"",
                          WS_TABSTOP | WS_VSCROLL | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY |
                              LBS_NOINTEGRALHEIGHT,
                          kAssistantFolders, DpiLayout::at(112, 24, 257, 81), WS_EX_CLIENTEDGE);
    if (folders_) SetWindowSubclass(folders_, folderListProc, kFolderListSubclass, reinterpret_cast<DWORD_PTR>(this));
    address_ = addControl(WC_EDITW, fromUtf8(scheduler::kAssistantAddressDesign).c_str(), WS_TABSTOP | ES_AUTOHSCROLL,
                          kAssistantAddress, DpiLayout::at(112, 96, 257, 19), WS_EX_CLIENTEDGE);
    addControl(WC_STATICW, L"Heure de lancement:", WS_VISIBLE | SS_LEFT | SS_NOPREFIX, kAssistantTimeLabel,
               DpiLayout::at(32, 144, 129, 17));
    time_ = addControl(WC_EDITW, currentTime().c_str(), WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, kAssistantTime,
                       DpiLayout::at(168, 144, 81, 19), WS_EX_CLIENTEDGE);
    addControl(WC_BUTTONW, L"&Valider", WS_VISIBLE | WS_GROUP | WS_TABSTOP | BS_DEFPUSHBUTTON, kAssistantValidate,
               DpiLayout::at(64, 184, 113, 25));
    addControl(WC_BUTTONW, L"&Annuler", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, kAssistantCancel,
               DpiLayout::at(200, 184, 113, 25));

    openFolder(currentFolder());

    layout_.sizeWindow(kClientSize);
}

void ActionAssistant::onDpiChanged(int dpi, const RECT* suggested) {
    if (!layout_.changeDpi(dpi)) return;
    MEASUREITEMSTRUCT item{};
    measureFolderEntry(item);
    SendMessageW(folders_, LB_SETITEMHEIGHT, 0, item.itemHeight);
    layout_.sizeWindow(kClientSize, suggested);
}

std::wstring ActionAssistant::currentTime() const {
    return fromUtf8(scheduler::assistantTime(clock_.localNow()));
}

void ActionAssistant::onOption(int index) {
    showTargets(std::nullopt);
    if (index == kProgramOption || index == kMacroOption) {
        const std::optional<std::wstring> file = chooseFile(index);
        // The main window, and this one with it, may have gone while the dialog was up.
        if (!window_) return;
        if (!file) {
            // A choice given up leaves the assistant as it was, its fields hidden: the option
            // goes back to the one chosen before, so that a validation cannot write the file
            // chosen for another kind of action (or none) under this one.
            for (int i = 0; i < kOptionCount; ++i)
                SendMessageW(options_[i], BM_SETCHECK, selected_ == i ? BST_CHECKED : BST_UNCHECKED, 0);
            // The options stay reachable by Tab with none of them checked.
            if (!selected_) {
                const LONG_PTR style = GetWindowLongPtrW(options_[0], GWL_STYLE);
                SetWindowLongPtrW(options_[0], GWL_STYLE, style | WS_TABSTOP);
            }
            return;
        }
        SetWindowTextW(fileName_, file->c_str());
    }
    selected_ = index;
    showTargets(index);
}

std::optional<std::wstring> ActionAssistant::chooseFile(int index) {
    std::wstring file(kChosenPathCapacity, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = window_;
    dialog.lpstrFilter = index == kProgramOption ? kProgramFilter : kMacroFilter;
    dialog.nFilterIndex = index == kProgramOption ? 1 : 2;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    // The program's current folder is where the folder list starts: choosing a file leaves it.
    dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    // Cancelled or failed, the step ends the same way.
    if (!GetOpenFileNameW(&dialog)) return std::nullopt;
    file.resize(wcsnlen(file.c_str(), file.size()));
    if (file.empty()) return std::nullopt;
    return file;
}

void ActionAssistant::showTargets(std::optional<int> option) {
    const auto showIf = [](HWND control, bool shown) { ShowWindow(control, shown ? SW_SHOW : SW_HIDE); };
    showIf(fileName_, option == kProgramOption || option == kMacroOption);
    showIf(folders_, option == kShareOption);
    showIf(address_, option == kAddressOption);
}

void ActionAssistant::validate() {
    const std::wstring time = windowText(time_);
    if (!scheduler::assistantTimeAccepted(toUtf8(time))) {
        MessageBoxW(window_, kTimeRefused, L"ERREUR", MB_OK);
        if (window_) SetWindowTextW(time_, currentTime().c_str());
        return;
    }
    scheduler::AssistantChoice choice;
    for (int i = 0; i < kOptionCount && !choice.option; ++i)
        if (SendMessageW(options_[i], BM_GETCHECK, 0, 0) == BST_CHECKED)
            choice.option = static_cast<scheduler::AssistantOption>(i);
    const std::wstring fileName = windowText(fileName_);
    choice.fileName = ansiPath(fileName);
    choice.fileNameIsAFile = fileExists(fileName);
    choice.folder = ansiPath(selectedFolder());
    choice.address = toAnsi(windowText(address_));
    // Hidden, not closed: the next opening shows the same choice.
    ShowWindow(window_, SW_HIDE);
    addRow_(toAnsi(time), scheduler::assistantAction(choice));
}

void ActionAssistant::openFolder(const std::wstring& folder) {
    const std::vector<std::string> chain = scheduler::folderChain(toUtf8(folder));
    std::vector<FolderEntry> entries;
    for (std::size_t i = 0; i < chain.size(); ++i)
        entries.push_back({fromUtf8(chain[i]), static_cast<int>(i), true});
    const std::string& opened = chain.back();
    const int depth = static_cast<int>(chain.size());
    for (const std::wstring& name : subfolderNames(fromUtf8(opened)))
        entries.push_back({fromUtf8(scheduler::subfolderPath(opened, toUtf8(name))), depth, false});
    folderEntries_ = std::move(entries);

    SendMessageW(folders_, WM_SETREDRAW, FALSE, 0);
    SendMessageW(folders_, LB_RESETCONTENT, 0, 0);
    for (const FolderEntry& entry : folderEntries_)
        SendMessageW(folders_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.path.c_str()));
    // The opened folder is the current entry until another is selected; the list shows it
    // below its parent, with its subfolders after it.
    SendMessageW(folders_, LB_SETCURSEL, chain.size() - 1, 0);
    SendMessageW(folders_, LB_SETTOPINDEX, chain.size() > 1 ? chain.size() - 2 : 0, 0);
    SendMessageW(folders_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(folders_, nullptr, TRUE);
}

void ActionAssistant::openSelectedFolder() {
    const LRESULT index = SendMessageW(folders_, LB_GETCURSEL, 0, 0);
    if (index < 0 || static_cast<std::size_t>(index) >= folderEntries_.size()) return;
    const std::wstring folder = folderEntries_[static_cast<std::size_t>(index)].path;
    if (isFolder(folder)) {
        openFolder(folder);
        return;
    }
    // The folder went away since it was listed: the list is read again where it stands.
    const auto opened = std::find_if(folderEntries_.rbegin(), folderEntries_.rend(),
                                     [](const FolderEntry& entry) { return entry.open; });
    if (opened != folderEntries_.rend()) openFolder(std::wstring(opened->path));
}

std::wstring ActionAssistant::selectedFolder() const {
    const LRESULT index = SendMessageW(folders_, LB_GETCURSEL, 0, 0);
    if (index >= 0 && static_cast<std::size_t>(index) < folderEntries_.size())
        return folderEntries_[static_cast<std::size_t>(index)].path;
    for (auto entry = folderEntries_.rbegin(); entry != folderEntries_.rend(); ++entry)
        if (entry->open) return entry->path;
    return {};
}

void ActionAssistant::measureFolderEntry(MEASUREITEMSTRUCT& item) const {
    int textHeight = layout_.scale(16);
    if (HDC screen = GetDC(nullptr)) {
        HGDIOBJ old = SelectObject(screen, layout_.font() ? static_cast<HGDIOBJ>(layout_.font()) : GetStockObject(DEFAULT_GUI_FONT));
        TEXTMETRICW metrics;
        if (GetTextMetricsW(screen, &metrics)) textHeight = metrics.tmHeight;
        SelectObject(screen, old);
        ReleaseDC(nullptr, screen);
    }
    int iconWidth = 0;
    int iconHeight = 0;
    if (folderImages_) ImageList_GetIconSize(folderImages_, &iconWidth, &iconHeight);
    item.itemHeight = static_cast<UINT>(std::max(textHeight, iconHeight) + layout_.scale(2));
}

void ActionAssistant::drawFolderEntry(const DRAWITEMSTRUCT& item) const {
    HDC dc = item.hDC;
    const RECT& bounds = item.rcItem;
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    FillRect(dc, &bounds, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    if (item.itemID < folderEntries_.size()) {
        const FolderEntry& entry = folderEntries_[item.itemID];
        int x = bounds.left + layout_.scale(2) + entry.depth * layout_.scale(kFolderIndent);
        int iconWidth = 0;
        int iconHeight = 0;
        if (folderImages_ && ImageList_GetIconSize(folderImages_, &iconWidth, &iconHeight)) {
            ImageList_Draw(folderImages_, entry.open ? openIcon_ : closedIcon_, dc, x,
                           bounds.top + (bounds.bottom - bounds.top - iconHeight) / 2, ILD_TRANSPARENT);
            x += iconWidth + layout_.scale(4);
        }
        const std::string path = toUtf8(entry.path);
        const std::wstring name = fromUtf8(scheduler::folderEntryName(path));
        RECT text{x, bounds.top, bounds.right - layout_.scale(2), bounds.bottom};
        const int oldMode = SetBkMode(dc, TRANSPARENT);
        const COLORREF oldColour = SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        DrawTextW(dc, name.c_str(), static_cast<int>(name.size()), &text,
                  DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
        SetTextColor(dc, oldColour);
        SetBkMode(dc, oldMode);
    }
    if (item.itemState & ODS_FOCUS) DrawFocusRect(dc, &bounds);
}

LRESULT CALLBACK ActionAssistant::folderListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                                 UINT_PTR id, DWORD_PTR self) {
    switch (message) {
    case WM_GETDLGCODE: {
        // Enter opens the selected folder, as a double-click does, rather than validating.
        const auto* pending = reinterpret_cast<const MSG*>(lParam);
        if (pending && pending->message == WM_KEYDOWN && pending->wParam == VK_RETURN)
            return DefSubclassProc(window, message, wParam, lParam) | DLGC_WANTMESSAGE;
        break;
    }
    case WM_KEYDOWN:
        if (wParam == VK_RETURN) {
            reinterpret_cast<ActionAssistant*>(self)->openSelectedFolder();
            return 0;
        }
        break;
    case WM_CHAR:
        // The character of that Enter is no entry's first letter.
        if (wParam == L'\r') return 0;
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(window, folderListProc, id);
        break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace tolvare::plenar
