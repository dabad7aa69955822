#include "scheduler/app/main_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include "common/win32/window_metrics.h"
#include "macro/app/recorder_window.h"
#include "scheduler/app/action_assistant.h"
#include "scheduler/app/control_ids.h"
#include "scheduler/app/input_box.h"
#include "scheduler/app/korvel_client.h"
#include "scheduler/app/text.h"
#include "scheduler/core/assistant.h"
#include "scheduler/core/clock.h"

namespace tolvare::plenar {

namespace {

constexpr UINT_PTR kCheckTimer = 1;
// The check timer's period when DELAI cannot be read as one (the field always holds a
// checked value, so only a broken settings file gives this).
constexpr UINT kDesignPeriodMs = 30'000;
constexpr wchar_t kSection[] = L"PARAM";
constexpr wchar_t kAboutAddress[] = L"http://plenar.example.com/";

// The help shipped beside PLENAR.
constexpr wchar_t kHelpFileName[] = L"plenar.html";

const wchar_t kTableNotice[] =
    L"Toutes les modifs sur la liste courrante doivent être répércutées sur le fichier d'Internet !!!";

std::wstring widenKey(std::string_view key) {
    return fromUtf8(key);
}

// Sent to every top-level window when the shell (and its notification area) starts again.
UINT taskbarCreatedMessage() {
    static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
    return message;
}

}  // namespace

MainWindow::MainWindow(HINSTANCE instance, macro::RecorderWindow& recorder, scheduler::Journal& journal)
    : instance_(instance),
      programFolder_(programFolder()),
      listPath_(programFolder_ + L"\\" + fromUtf8(scheduler::kListFileName)),
      fields_{{{&scheduler::kCheckPeriodSetting, kDelayEdit},
               {&scheduler::kDownloadIntervalSetting, kDownloadDelayEdit},
               {&scheduler::kMacroDurationSetting, kMacroDurationEdit}}},
      store_(listPath_),
      macroHandOff_(recorder),
      runner_(macroHandOff_),
      downloader_(listPath_, [this] { return urlEdit_ ? windowText(urlEdit_) : std::wstring(); }),
      // Constructing the model is the start-up's "last download = now".
      scheduler_(clock_, store_, runner_, downloader_, journal) {
    table_.setRows(&scheduler_.rows());
}

MainWindow::~MainWindow() {
    // Ending the message loop is for a window that goes away by itself.
    quitOnDestroy_ = false;
    if (window_) DestroyWindow(window_);
}

bool MainWindow::open(const std::wstring& commandLine) {
    if (!createWindow()) return false;
    // The window may be gone by the end of start-up (a command-line macro ended the program, or
    // the icon reopened the window during a message): the quit it posted ends the message loop.
    startUp(commandLine);
    return true;
}

bool MainWindow::createWindow() {
    if (!registerClass(instance_, kMainWindowClass, LoadIconW(instance_, MAKEINTRESOURCEW(1)))) return false;

    // Step 1 of the start-up: the design caption and the version.
    const std::wstring caption = std::wstring(kDesignCaption) + kCaptionSuffix;
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    if (!WindowBase::createWindow(0, kMainWindowClass, caption.c_str(), style, nullptr, nullptr, instance_))
        return false;
    layout_.start(window_);

    // The menu bar is the program's menu resource; it belongs to the window from here on and
    // goes with it.
    HMENU menuBar = LoadMenuW(instance_, MAKEINTRESOURCEW(kMainMenuResource));
    if (menuBar && !SetMenu(window_, menuBar)) DestroyMenu(menuBar);

    layout_.sizeWindow(kClientSize);
    createControls();
    return true;
}

void MainWindow::onDpiChanged(int dpi, const RECT* suggested) {
    // Moving and resizing the window here is no user's resize: it must not send the window to
    // the notification area.
    const bool hideOnResize = hideOnResize_;
    hideOnResize_ = false;
    if (layout_.changeDpi(dpi)) {
        table_.setDpi(layout_.dpi());
        layout_.sizeWindow(kClientSize, suggested);
        RECT client;
        GetClientRect(window_, &client);
        settledSize_ = {client.right, client.bottom};
    }
    hideOnResize_ = hideOnResize;
}

HWND MainWindow::addControl(const wchar_t* className, const wchar_t* text, DWORD style, int id, int x,
                            int y, int width, int height, DWORD exStyle) {
    return layout_.addControl(className, text, style, id, DpiLayout::at(x, y, width, height), exStyle);
}

void MainWindow::createControls() {
    // Creation order is the tab order: table, settings fields, GO, and last the tab strip. The
    // strip is only its row of tabs: the pages lie below it on the window's own background, so
    // that labels, frame and fields all share the dialog colour whatever the theme paints a
    // tab page with.
    tabStrip_ = addControl(WC_TABCONTROLW, L"", WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS, kTabStrip,
                           8, 8, 504, 26);
    TCITEMW tab{};
    tab.mask = TCIF_TEXT;
    tab.pszText = const_cast<wchar_t*>(L"&Liste des actions");
    TabCtrl_InsertItem(tabStrip_, 0, &tab);
    tab.pszText = const_cast<wchar_t*>(L"&Paramètres");
    TabCtrl_InsertItem(tabStrip_, 1, &tab);

    listLabel_ = addControl(WC_STATICW, L"Liste des actions:", WS_VISIBLE, kListLabel, 20, 40, 300, 16);
    const RECT tableDesign = DpiLayout::at(20, 58, 480, 222);
    if (table_.create(window_, kTable, layout_.scale(tableDesign), layout_.dpi(), layout_.font()))
        layout_.keep(table_.window(), tableDesign);
    infoLabel_ = addControl(WC_STATICW, kTableNotice, 0, kInfoLabel, 20, 286, 480, 36);

    frame_ = addControl(WC_BUTTONW, L"Paramètres:", BS_GROUPBOX | WS_CLIPSIBLINGS, kSettingsFrame, 20,
                        40, 480, 200);
    struct Row {
        const wchar_t* caption;
        const wchar_t* unit;
    };
    static constexpr Row kRows[] = {{L"Délai entre chaque vérification:", L"sec."},
                                    {L"Délai entre chaque téléchargement:", L"min."},
                                    {L"Durée maximum d'une macro:", L"sec."}};
    int labelId = kFirstSettingsLabel;
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        const int y = 66 + static_cast<int>(i) * 32;
        settingsControls_.push_back(
            addControl(WC_STATICW, kRows[i].caption, 0, labelId++, 34, y + 3, 210, 18));
        fields_[i].edit = addControl(WC_EDITW, L"30", WS_TABSTOP | ES_AUTOHSCROLL, fields_[i].id, 248, y,
                                     56, 22, WS_EX_CLIENTEDGE);
        settingsControls_.push_back(fields_[i].edit);
        settingsControls_.push_back(addControl(WC_STATICW, kRows[i].unit, 0, labelId++, 310, y + 3, 40, 18));
    }
    settingsControls_.push_back(addControl(WC_STATICW, L"URL du fichier:", 0, labelId++, 34, 172, 200, 18));
    urlEdit_ = addControl(WC_EDITW, L"", WS_TABSTOP | ES_AUTOHSCROLL, kUrlEdit, 34, 192, 452, 22,
                          WS_EX_CLIENTEDGE);
    settingsControls_.push_back(urlEdit_);

    // The tooltip of the numeric fields.
    HWND tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_,
                                   nullptr, instance_, nullptr);
    if (tooltip) {
        for (const NumericField& field : fields_) {
            TOOLINFOW tool{};
            tool.cbSize = sizeof tool;
            tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
            tool.hwnd = window_;
            tool.uId = reinterpret_cast<UINT_PTR>(field.edit);
            tool.lpszText = const_cast<wchar_t*>(L"0 indique de ne pas vérifier");
            SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        }
    }

    addControl(WC_BUTTONW, L"&GO", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, kGoButton, 8, 356, 90, 28);
    HWND picture = addControl(WC_STATICW, L"", WS_VISIBLE | SS_ICON | SS_CENTERIMAGE, kPicture, 468, 352,
                              40, 40);
    loadIcons();
    if (picture && largeIcon_)
        SendMessageW(picture, STM_SETICON, reinterpret_cast<WPARAM>(largeIcon_.get()), 0);
    SetWindowPos(tabStrip_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void MainWindow::loadIcons() {
    // Activitl.ico of the program folder, or the program's own icon when it is missing or
    // unreadable: a missing picture is no reason to refuse to start.
    const std::wstring iconPath = programFolder_ + L"\\Activitl.ico";
    const auto load = [&](int width, int height) {
        unique_hicon icon(static_cast<HICON>(
            LoadImageW(nullptr, iconPath.c_str(), IMAGE_ICON, width, height, LR_LOADFROMFILE)));
        if (!icon)
            icon.reset(static_cast<HICON>(
                LoadImageW(instance_, MAKEINTRESOURCEW(1), IMAGE_ICON, width, height, 0)));
        return icon;
    };
    smallIcon_ = load(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON));
    largeIcon_ = load(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
    if (smallIcon_) SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
    if (largeIcon_) SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(largeIcon_.get()));
}

void MainWindow::addTrayIcon() {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = window_;
    data.uID = kTrayIconId;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = kTrayMessage;
    data.hIcon = smallIcon_.get();
    lstrcpynW(data.szTip, L"PLENAR", ARRAYSIZE(data.szTip));
    trayIconShown_ = Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
}

void MainWindow::onShellRestarted() {
    // The new shell has none of the old one's icons.
    trayIconShown_ = false;
    addTrayIcon();
    // A window hidden into an icon that is gone would be out of reach: it goes to the taskbar.
    if (!trayIconShown_ && window_ && !IsWindowVisible(window_)) ShowWindow(window_, SW_SHOWMINNOACTIVE);
}

void MainWindow::sendToNotificationArea() {
    // Without an icon in the notification area a hidden window could not be brought back: it
    // is minimised to the taskbar instead.
    if (trayIconShown_) {
        ShowWindow(window_, SW_HIDE);
    } else if (!IsIconic(window_)) {
        ShowWindow(window_, SW_MINIMIZE);
    }
}

void MainWindow::removeTrayIcon() {
    if (!trayIconShown_) return;
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = window_;
    data.uID = kTrayIconId;
    Shell_NotifyIconW(NIM_DELETE, &data);
    trayIconShown_ = false;
}

void MainWindow::startUp(const std::wstring& commandLine) {
    reportMissingKorvelOnce(window_);
    if (!window_) return;
    // Steps 3 to 5 (the last download, the list path, the icon) were done by construction.
    removeLeftoverTemporaryFiles(programFolder_);
    readSettings();
    // A settings message is modal: the window may have been closed while it was shown.
    if (!window_) return;
    addTrayIcon();
    ShowWindow(window_, SW_SHOW);
    UpdateWindow(window_);

    // The check period comes from DELAI whether or not the list exists, so that the timer
    // never runs at a period nobody chose.
    setCheckPeriodFromField();
    if (fileExists(listPath_)) {
        applyDownloadInterval();
        const scheduler::PassReport report = scheduler_.loadOnlyPass();
        ++tableGeneration_;
        refreshTable();
        if (report.droppedLines > 0 && commandLine.empty())
            showError(L"La liste des actions " + listPath_ + L" compte " +
                      std::to_wstring(scheduler_.rows().size() + report.droppedLines) + L" lignes : seules les " +
                      std::to_wstring(scheduler::kMaxListRows) +
                      L" premières sont chargées, et le tableau ne sera pas enregistré par-dessus.");
        if (!window_) return;
    }

    RECT client;
    GetClientRect(window_, &client);
    settledSize_ = {client.right, client.bottom};
    hideOnResize_ = true;
    KillTimer(window_, kCheckTimer);

    if (!commandLine.empty()) runCommandLine(commandLine);
}

void MainWindow::readSettings() {
    const std::wstring file = settingsPath();
    for (NumericField& field : fields_) {
        const std::wstring value =
            readSettingValue(file, kSection, widenKey(field.setting->key), widenKey(field.setting->defaultText));
        putFieldText(field, value);
    }
    SetWindowTextW(urlEdit_,
                   readSettingValue(file, kSection, widenKey(scheduler::kUrlKey), widenKey(scheduler::kDefaultUrl)).c_str());
}

void MainWindow::runCommandLine(const std::wstring& commandLine) {
    // Another program drives PLENAR through its command line: whatever becomes of the macro,
    // the program ends, and its exit code tells how (a window left up after a refused file
    // would wait for a user the calling program does not have).
    const CommandLineRun run =
        macroHandOff_.runCommandLineMacro(window_, programFolder_, commandLine, macroDurationSeconds());
    exitCode_ = run == CommandLineRun::Replayed ? 0 : 1;
    // The run ends the program, even when the icon asked meanwhile for the window again.
    reopen_ = false;
    if (window_) DestroyWindow(window_);
}

long MainWindow::macroDurationSeconds() const {
    // The field always holds a checked number of seconds; its reading rounds half to even.
    const std::optional<std::int32_t> seconds = readNumber(windowText(fields_[2].edit)).whole32;
    return seconds ? *seconds : 30;
}

LRESULT MainWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == taskbarCreatedMessage() && message != 0) {
        onShellRestarted();
        return 0;
    }
    switch (message) {
    case WM_DPICHANGED:
        onDpiChanged(LOWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_COMMAND:
        onCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return 0;
    case WM_NOTIFY:
        return onNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_TIMER:
        if (wParam == kCheckTimer) onCheckTimer();
        return 0;
    case WM_SIZE:
        onSize(wParam, lParam);
        return 0;
    case WM_HELP:
        showHelp();
        return TRUE;
    case kTrayMessage:
        // The icon's activation: the window closes and opens again, stopped (the message
        // loop makes the new window once this one is gone).
        if (LOWORD(lParam) == WM_LBUTTONUP) {
            reopen_ = true;
            DestroyWindow(window_);
        }
        return 0;
    case WM_CTLCOLORSTATIC: {
        // The labels lie on the window's background (see createControls); the notice is a
        // warning, red so that it catches the eye.
        HWND control = reinterpret_cast<HWND>(lParam);
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        if (control == infoLabel_) SetTextColor(dc, RGB(192, 0, 0));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_DESTROY:
        KillTimer(window_, kCheckTimer);
        scheduler_.stopScheduler();
        removeTrayIcon();
        if (quitOnDestroy_) PostQuitMessage(exitCode_);
        return 0;
    }
    return defaultHandling(message, wParam, lParam);
}

void MainWindow::onCommand(int id, int code, HWND control) {
    for (NumericField& field : fields_) {
        if (id == field.id) {
            if (code == EN_CHANGE && field.programmaticChanges == 0) onNumericFieldChanged(field);
            return;
        }
    }
    switch (id) {
    case kGoButton:
        if (code == BN_CLICKED) startScheduler();
        break;
    case kMenuStart: startScheduler(); break;
    case kMenuDownload: downloadList(); break;
    case kMenuSave: saveListAndSettings(); break;
    case kMenuMacros: showMacros(); break;
    case kMenuQuit: DestroyWindow(window_); break;
    case kMenuAbout: showAbout(); break;
    case kCommandHelp:
    case kMenuHelpCaption: showHelp(); break;
    default: break;  // the empty menu has no action
    }
}

LRESULT MainWindow::onNotify(const NMHDR& header) {
    if (table_.handleNotify(header)) return 0;
    if (header.hwndFrom == table_.window() && header.code == NM_CLICK) {
        onTableClick(reinterpret_cast<const NMITEMACTIVATE&>(header).ptAction);
        return 0;
    }
    if (header.hwndFrom == tabStrip_ && header.code == TCN_SELCHANGE) {
        onTabChanged();
        return 0;
    }
    return 0;
}

void MainWindow::onSize(WPARAM kind, LPARAM size) {
    if (!hideOnResize_) return;
    // Moving a window can report its unchanged size again; only a real change of size (or
    // minimising) sends the window to the notification area.
    if (kind == SIZE_MINIMIZED || LOWORD(size) != settledSize_.cx || HIWORD(size) != settledSize_.cy)
        sendToNotificationArea();
}

void MainWindow::setCheckPeriodFromField() {
    const std::optional<std::uint32_t> period =
        scheduler::checkPeriodMilliseconds(readNumber(windowText(fields_[0].edit)));
    checkPeriodMs_ = period ? *period : kDesignPeriodMs;
}

void MainWindow::applyDownloadInterval() {
    const std::wstring text = windowText(fields_[1].edit);
    scheduler_.setDownloadInterval(scheduler::downloadInterval(toUtf8(text), readNumber(text)));
}

void MainWindow::refreshTable() {
    table_.refresh();
}

void MainWindow::onCheckTimer() {
    applyDownloadInterval();
    const scheduler::PassReport report = scheduler_.timerPass();
    if (report.outcome == scheduler::PassReport::Outcome::Ran) {
        ++tableGeneration_;
        refreshTable();
    }
}

void MainWindow::startScheduler() {
    applyDownloadInterval();
    const scheduler::PassReport report = scheduler_.startScheduler();
    if (report.outcome == scheduler::PassReport::Outcome::Ran) {
        ++tableGeneration_;
        refreshTable();
    }
    // A period of 0 switches checking off; SetTimer would take it as the shortest period.
    if (window_ && checkPeriodMs_ > 0) SetTimer(window_, kCheckTimer, checkPeriodMs_, nullptr);
    if (window_ && hideOnResize_) sendToNotificationArea();
}

void MainWindow::downloadList() {
    // As in a pass: a failed download leaves the old list, and the journal says why.
    scheduler_.downloadByHand();
}

void MainWindow::saveListAndSettings() {
    if (!saveList()) return;
    saveSetting(widenKey(scheduler::kUrlKey), windowText(urlEdit_));
}

bool MainWindow::saveSetting(const std::wstring& key, const std::wstring& value) {
    const DWORD error = writeSettingValue(settingsPath(), kSection, key, value);
    if (error == 0) return true;
    showError(L"Le paramètre " + key + L" n'a pas pu être enregistré dans " + settingsPath() + L" (" +
              fromUtf8(systemErrorNote(error)) + L").");
    return false;
}

bool MainWindow::saveList() {
    switch (scheduler_.saveRisk()) {
    case scheduler::SaveRisk::None:
        break;
    case scheduler::SaveRisk::ListUnreadable:
        showError(L"La liste des actions " + listPath_ +
                  L" n'a pas pu être lue au dernier contrôle (elle est peut-être ouverte par un autre programme) : "
                  L"le tableau n'est pas enregistré, pour ne pas remplacer la liste par une lecture plus ancienne.");
        return false;
    case scheduler::SaveRisk::ListCut:
        showError(L"La liste des actions " + listPath_ + L" compte plus de " + std::to_wstring(scheduler::kMaxListRows) +
                  L" lignes et le tableau n'en tient que le début : il n'est pas enregistré, pour ne pas couper la liste.");
        return false;
    }
    if (replaceFileAtomically(listPath_, scheduler_.listText())) {
        forgetListValidators(listPath_);
        return true;
    }
    showError(L"La liste des actions n'a pas pu être enregistrée dans " + listPath_ +
              L" : le fichier est peut-être protégé ou ouvert par un autre programme.");
    return false;
}

void MainWindow::showAbout() {
    openWebAddress(kAboutAddress);
}

void MainWindow::showHelp() {
    // An administrator's own plenar.hlp comes first; otherwise the HTML help shipped beside
    // PLENAR, which every Windows opens.
    std::wstring helpFile = programFolder_ + L"\\plenar.hlp";
    if (!fileExists(helpFile)) helpFile = programFolder_ + L"\\" + kHelpFileName;
    if (!fileExists(helpFile)) {
        showError(L"Le fichier d'aide " + helpFile + L" est introuvable.");
        return;
    }
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.hwnd = window_;
    info.lpVerb = L"open";
    info.lpFile = helpFile.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&info))
        showError(L"Le fichier d'aide " + helpFile + L" n'a pas pu être ouvert (" +
                  fromUtf8(systemErrorNote(GetLastError() ? GetLastError() : ERROR_NO_ASSOCIATION)) + L").");
}

void MainWindow::showMacros() {
    macroHandOff_.recorder().show();
}

void MainWindow::showAssistant() {
    if (!assistant_) {
        assistant_ = std::make_unique<ActionAssistant>(instance_, clock_, [this](std::string time, std::string action) {
            addAssistantRow(std::move(time), std::move(action));
        });
    }
    assistant_->show(window_);
}

void MainWindow::addAssistantRow(std::string time, std::string action) {
    const std::size_t row = scheduler_.addRow(std::move(time), std::move(action));
    // The rows below moved: a question about one of them no longer names it.
    ++tableGeneration_;
    refreshTable();
    ListView_EnsureVisible(table_.window(), static_cast<int>(row) + 1, FALSE);
}

void MainWindow::onTableClick(POINT clientPoint) {
    if (!infoShown_) {
        infoShown_ = true;
        ShowWindow(infoLabel_, SW_SHOW);
    }
    const std::optional<TableCell> cell = table_.cellAt(clientPoint);
    if (!cell) return;
    if (table_.cellText(*cell).empty()) {
        showAssistant();
        return;
    }
    const std::optional<std::size_t> row = ActionTable::dataRow(cell->viewRow);
    if (!row) return;
    const unsigned generation = tableGeneration_;
    const int answer = MessageBoxW(
        window_,
        L"Répondez oui si vous souhaitez supprimer l'action, non pour la modifier et cancel pour annuler.",
        L"MODIFICATION", MB_YESNOCANCEL);
    // A pass may have reloaded the table while the question was on screen.
    const auto stillThere = [&] { return window_ && generation == tableGeneration_ && *row < scheduler_.rows().size(); };
    if (!stillThere()) return;
    if (answer == IDYES) {
        scheduler_.deleteRow(*row);
        refreshTable();
        return;
    }
    if (answer != IDNO) return;
    if (cell->column == 1) {
        const std::optional<std::wstring> action =
            inputBox(window_, L"Entrer la nouvelle action: ", L"MODIFICATION DE L'ACTION",
                     table_.cellText(*cell));
        if (!action || action->empty() || !stillThere()) return;
        scheduler_.setRowAction(*row, toAnsi(*action));
    } else {
        ListView_SetItemState(table_.window(), cell->viewRow, LVIS_FOCUSED | LVIS_SELECTED,
                              LVIS_FOCUSED | LVIS_SELECTED);
        const scheduler::LocalDateTime now = clock_.localNow();
        const std::optional<std::wstring> time =
            inputBox(window_, L"Entrer la nouvelle heure: ", L"MODIFICATION DE L'HEURE",
                     fromUtf8(scheduler::formatTimeOfDay(now.hour * 60 + now.minute)));
        if (!time || time->empty() || !stillThere()) return;
        if (scheduler_.setRowTime(*row, toUtf8(*time)) == scheduler::Scheduler::TimeEdit::Refused) {
            MessageBoxW(window_, kTimeRefused, L"ERREUR", MB_OK);
            return;
        }
    }
    refreshTable();
}

void MainWindow::onTabChanged() {
    showPage(TabCtrl_GetCurSel(tabStrip_) == 1);
}

void MainWindow::showPage(bool settings) {
    const int tableState = settings ? SW_HIDE : SW_SHOW;
    const int settingsState = settings ? SW_SHOW : SW_HIDE;
    ShowWindow(listLabel_, tableState);
    ShowWindow(table_.window(), tableState);
    ShowWindow(infoLabel_, infoShown_ ? tableState : SW_HIDE);
    ShowWindow(frame_, settingsState);
    for (HWND control : settingsControls_) ShowWindow(control, settingsState);
}

void MainWindow::showError(const std::wstring& message) {
    MessageBoxW(window_, message.c_str(), L"ERREUR", MB_OK | MB_ICONEXCLAMATION);
}

void MainWindow::putFieldText(NumericField& field, const std::wstring& text) {
    if (!fieldAlive(field) || windowText(field.edit) == text) return;
    ++field.programmaticChanges;
    SetWindowTextW(field.edit, text.c_str());
    --field.programmaticChanges;
    // A change made by the program is checked and saved as a user's change is, at once and
    // before the caller goes on.
    onNumericFieldChanged(field);
}

bool MainWindow::fieldAlive(const NumericField& field) const {
    return window_ && IsWindow(field.edit);
}

void MainWindow::onNumericFieldChanged(NumericField& field) {
    // A message box runs its own message loop, in which the icon's activation can close this
    // window: from then on the field is gone and nothing may be checked or written for it (its
    // text would read as empty and be written, or take the not-a-number path again and again).
    if (!fieldAlive(field)) return;
    const std::wstring text = windowText(field.edit);
    const scheduler::FieldCheck check =
        scheduler::checkNumericField(*field.setting, readNumber(text));
    switch (check.verdict) {
    case scheduler::FieldVerdict::Accepted:
        break;
    case scheduler::FieldVerdict::AboveLimit:
    case scheduler::FieldVerdict::BelowLimit:
        putFieldText(field, fromUtf8(check.correctedText));
        showError(fromUtf8(check.message));
        break;
    case scheduler::FieldVerdict::NotANumber:
        showError(fromUtf8(check.message));
        putFieldText(field, fromUtf8(check.correctedText));
        return;
    }
    if (!fieldAlive(field)) return;
    saveSetting(widenKey(field.setting->key), windowText(field.edit));
}

}  // namespace tolvare::plenar
