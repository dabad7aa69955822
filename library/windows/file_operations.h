// Files and folders that the members delete, and the shortcuts they write: what a path names,
// and the run-time errors a failed operation reports.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "library/frame/errors.h"

namespace korvel::shell {

// A text that ends at a NUL character the caller put inside it would name another file than
// the one asked for.
inline bool holdsNul(std::wstring_view text) noexcept { return text.find(L'\0') != std::wstring_view::npos; }

// Whether deleting `path` would take more than the caller named: a name made of dots (the
// current or a parent folder, as the platform reads "..." too) or a whole drive or share.
bool namesAFolderAboveOrARoot(const std::wstring& path);

// The run-time error number (and its description) that a failed file operation reports.
RuntimeError fileError(HRESULT status);

// Writes a shortcut to `target` at `linkPath` through the shell's link object.
void writeShortcut(const std::wstring& target, const std::wstring& linkPath);

// The text a failure of CreationRaccourci shows: its number, three line ends, its description.
std::wstring failureMessage(const RuntimeError& error);

}  // namespace korvel::shell
