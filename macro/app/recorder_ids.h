// Identifiers of the recorder window frmMacro and the progress window frmBarResult: window
// classes, controls, menu items and timers. Shared with the tests, which find the windows and
// their controls by them as a user finds them on screen.
#pragma once

namespace tolvare::macro {

inline constexpr wchar_t kRecorderWindowClass[] = L"PLENAR_frmMacro";
inline constexpr wchar_t kRecorderCaption[] = L"Enregistreur de Macros";
inline constexpr wchar_t kProgressWindowClass[] = L"PLENAR_frmBarResult";

// The controls of frmMacro (and barResult in frmBarResult).
enum RecorderControlId : int {
    kFrame1 = 300,
    kSamplingCaption = 301,  // "Echantillonnage :"
    kLblMouvement = 302,
    kResolutionCaption = 303,  // "Résolution :"
    kLblX = 304,
    kLblY = 305,
    kTimeBaseCaption = 306,  // "Base de temps [ms] :"
    kBaseTemps = 307,
    kChkCapture = 308,
    kChkBarResult = 309,
    kCmdCapture = 310,
    kCmdResult = 311,
    kCmdStop = 312,
    kBarResult = 320,
};

// The menu "&Fichier" of frmMacro.
enum RecorderMenuId : int {
    kMenuLoad = 350,
    kMenuSave = 351,
    kMenuExit = 352,
};

// The timers of frmMacro.
enum RecorderTimerId : unsigned {
    kTimerCapture = 1,
    kTimerResult = 2,
};

}  // namespace tolvare::macro
