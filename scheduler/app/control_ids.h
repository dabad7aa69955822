// Identifiers of the main window, its controls and its messages. Shared with the end-to-end
// test, which finds the window and its controls by them as a user finds them on screen.
#pragma once

#include <windows.h>

#include "scheduler/app/resource_ids.h"
#include "tolvare_version.h"

namespace tolvare::plenar {

inline constexpr wchar_t kMainWindowClass[] = L"PLENAR_frmplenar";
inline constexpr wchar_t kDesignCaption[] = L"Gestion des tâches (local et internet)";
inline constexpr wchar_t kCaptionSuffix[] = L" - PLENAR v" PLENAR_VERSION_TEXT;

enum ControlId : int {
    kTabStrip = 100,
    kTable = 101,
    kListLabel = 102,
    kInfoLabel = 103,
    kSettingsFrame = 104,
    kGoButton = 105,
    kPicture = 106,
    kDelayEdit = 110,
    kDownloadDelayEdit = 111,
    kMacroDurationEdit = 112,
    kUrlEdit = 113,
    kFirstSettingsLabel = 120,  // captions and unit labels follow
};

// The menu bar's resource in the program (plenar.rc), and its items.
inline constexpr int kMainMenuResource = PLENAR_MAIN_MENU;
enum MenuId : int {
    kMenuStart = 200,
    kMenuDownload = 201,
    kMenuSave = 202,
    kMenuMacros = 203,
    kMenuQuit = 204,
    kMenuAbout = 205,
    kMenuEmpty = 206,
    kMenuHelpCaption = 207,
    kCommandHelp = 208,  // the F1 key
};

// The notification-area icon's messages come back as this message, with the mouse message
// in lParam; the first icon of the window has identifier 1.
inline constexpr UINT kTrayMessage = WM_APP + 1;
inline constexpr UINT kTrayIconId = 1;

}  // namespace tolvare::plenar
