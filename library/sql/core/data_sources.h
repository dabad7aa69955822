// Cls_SQL's rules that need no platform: apostrophes doubled for SQL literals, and the answer
// of the check that comes before a new Access data source is declared, from the data sources
// that the ODBC driver manager lists.
#pragma once

#include <string>
#include <string_view>

namespace korvel::sql {

// Every "'" of `text` doubled, so that the text can stand inside a quoted SQL literal.
std::wstring doubledApostrophes(std::wstring_view text);

// The description that an Access data source's driver gives.
inline constexpr std::string_view kAccessDriver = "Microsoft Access Driver (*.mdb)";

// The answers of the check.
inline constexpr std::wstring_view kComponentsMissing = L"MDAC non install\u00e9.";
inline constexpr std::wstring_view kNameTaken = L"Lien ODBC d\u00e9j\u00e0 existant.";

// The check over the listed data sources, one at a time, as the driver manager gives them: a
// fixed-size buffer and the length it reports for the whole text (longer than the buffer when
// the text was cut). Names compare as the driver manager compares them, without regard to
// letter case and whole: "base" is taken when "Base" exists.
class DataSourceCheck {
public:
    explicit DataSourceCheck(std::string wantedName) : wantedName_(std::move(wantedName)) {}

    // One listed data source; false once the answer is final (the name is taken).
    bool add(std::string_view nameBuffer, long nameLength, std::string_view descriptionBuffer, long descriptionLength);

    // Empty when some data source uses the Access driver and the name is free; otherwise the
    // text to give the caller.
    std::wstring answer() const;

private:
    std::string wantedName_;
    bool accessDriverSeen_ = false;
    bool nameTaken_ = false;
};

// The first `length` characters of a buffer: the whole buffer when the length is larger, none
// when it is negative.
std::string_view leftOf(std::string_view buffer, long length) noexcept;

}  // namespace korvel::sql
