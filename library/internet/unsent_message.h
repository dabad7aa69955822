// The message files EcrireEmail_OutlookExpress hands to the mail program.
#pragma once

#include <string>

namespace korvel::internet {

// Unsent messages are ~KEMxxxxxxxx.eml in the user's temporary folder: a name of their own for
// each call (two at once do not overwrite each other), a folder every user may write (a
// per-machine install's folder is read-only). The mail program reads the file when it opens it,
// which ShellExecute does not wait for: files of ours older than ten minutes are removed at the
// next call.

// Creates a new unsent message file holding `bytes`; its path. Run-time error 75 when it
// cannot be written.
std::wstring writeUnsentMessage(const std::string& bytes);

}  // namespace korvel::internet
