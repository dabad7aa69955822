// The shell's folders as Cls_Windows's members see them: the special folders, the folder
// picker and its owner, the current folder of a drive.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <optional>
#include <string>

namespace korvel::shell {

// The size of the path buffer handed to the shell: MAX_PATH, which is what the ANSI entry
// point writes at most.
inline constexpr size_t kShellPathSize = 260;

// The special folder's path as the shell's ANSI entry point gives it; nothing when the folder
// is unknown or is a virtual one without a place on disk.
std::optional<std::wstring> specialFolderPath(int csidl);

// The first `count` characters of a folder buffer the platform filled, or the empty text when
// the call failed or the folder needs more room than the buffer has.
std::wstring folderFromBuffer(const char* buffer, UINT bufferSize, UINT count);

// Makes `folder` the current folder of its drive, as a change of folder without a change of
// drive does: the process's current folder moves only when it lies on the same drive; for
// another drive, the drive's remembered folder (its "=X:" variable) is set instead.
void makeCurrentFolderOfItsDrive(const std::wstring& folder);

// The owner window a form object names by its "hwnd" property, read through its dispatch
// interface as a 32-bit number.
LONG ownerWindowOf(IDispatch* form);

// The folder the user picks in the shell's folder picker (file-system folders only, from the
// desktop down); the empty text when cancelled or when the owner is no window, which the
// platform refuses to own a picker.
std::wstring pickFolder(HWND owner, BSTR* title);

}  // namespace korvel::shell
