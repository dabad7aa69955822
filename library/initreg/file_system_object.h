// The platform's scripting file-system object, created by its programmatic name for each
// question and released after it, as the members that test for files and folders use it.
#pragma once

#include <string_view>

namespace korvel {

// FileExists or FolderExists (`method`) of "Scripting.FileSystemObject" for `path`. Throws a
// RuntimeError when the object cannot be created or the call fails.
bool askFileSystem(const wchar_t* method, std::wstring_view path);

}  // namespace korvel
