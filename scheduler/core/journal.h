// The run journal, journal.txt beside the list: what PLENAR did, one line per event, oldest
// first, so that whoever looks after a workstation can answer "did the 07:45 action run this
// morning?" without any tool. A line is the local date and time, a tab, the event, a tab and
// its details; the file is UTF-8 with a byte-order mark, so that Notepad shows the accents.
// Past kJournalRotationBytes the file becomes journal.1.txt (replacing the older one) and a new
// one begins, so the journal never takes much more than twice that on disk.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "scheduler/core/clock.h"

namespace tolvare::scheduler {

inline constexpr std::string_view kJournalFileName = "journal.txt";
inline constexpr std::string_view kOldJournalFileName = "journal.1.txt";
inline constexpr std::uint64_t kJournalRotationBytes = 1024 * 1024;
inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// The events, as the journal names them.
namespace journal_event {
inline constexpr std::string_view kProgramStarted = "Démarrage de PLENAR";
inline constexpr std::string_view kProgramEnded = "Fin de PLENAR";
inline constexpr std::string_view kSchedulerStarted = "Gestionnaire lancé";
inline constexpr std::string_view kSchedulerStopped = "Gestionnaire arrêté";
inline constexpr std::string_view kProgramRun = "Programme démarré";
inline constexpr std::string_view kProgramNotRun = "Programme non démarré";
inline constexpr std::string_view kAddressOpened = "Adresse ouverte";
inline constexpr std::string_view kAddressNotOpened = "Adresse non ouverte";
inline constexpr std::string_view kMacroReplayed = "Macro rejouée";
inline constexpr std::string_view kMacroNotReplayed = "Macro non rejouée";
inline constexpr std::string_view kShareMade = "Partage créé";
inline constexpr std::string_view kShareRefused = "Partage refusé";
inline constexpr std::string_view kListDownloaded = "Liste téléchargée";
inline constexpr std::string_view kListUnchanged = "Liste inchangée";
inline constexpr std::string_view kListNotDownloaded = "Liste non téléchargée";
inline constexpr std::string_view kListRead = "Liste lue";
inline constexpr std::string_view kListUnreadable = "Liste illisible";
inline constexpr std::string_view kMinutesMadeUp = "Minutes rattrapées";
inline constexpr std::string_view kMinutesSkipped = "Minutes non rattrapées";
}  // namespace journal_event

class Journal {
public:
    virtual ~Journal() = default;
    // One event. `event` and `note` are UTF-8; `listText` is text of the list file (its ANSI
    // bytes, for the journal to convert), shown first in the details. Never throws: a journal
    // that cannot be written never stops the scheduler.
    virtual void record(std::string_view event, std::string_view listText, std::string_view note) noexcept = 0;
};

// For a scheduler whose events nobody keeps.
class NoJournal final : public Journal {
public:
    void record(std::string_view, std::string_view, std::string_view) noexcept override {}
};

// One whole line of the journal, CR LF included: "2026-12-09 07:45:00<TAB>event<TAB>details",
// where the details are `listText` (UTF-8 by now) followed by the note in parentheses, or
// whichever of the two there is. Tabs, line ends and other control characters in any part
// become blanks, so that a line stays one line of three fields whatever a list row holds.
std::string journalLine(const LocalDateTime& when, std::string_view event, std::string_view listText,
                        std::string_view note);

// Whether a journal of `currentBytes` must give way to a new one before `lineBytes` more are
// appended. A journal holding only its byte-order mark, or nothing, always takes the line.
bool journalNeedsRotation(std::uint64_t currentBytes, std::uint64_t lineBytes);

}  // namespace tolvare::scheduler
