// The devices classes' rules that need no platform: reading a WAV file's rate, which drive
// letters are asked about, the screen size through twips, the keyboard-state bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvel::devices {

// --- WAV files -------------------------------------------------------------------------------

// Whether FrequenceFichierWAV reads the file at all: its last three characters, upper-cased,
// are "WAV" (so "son.wav", "SON.WAV" and a bare "wav" are read; "son.mp3" is not).
bool namesWavFile(std::wstring_view path) noexcept;

// The bytes read from the start of the file: the rate is the 16-bit little-endian signed value
// at offset 24, the low half of a canonical header's sample-rate field.
inline constexpr std::size_t kRateOffset = 24;
inline constexpr std::size_t kBytesForRate = kRateOffset + 2;

// The member's result for a file that starts with `head` (at most kBytesForRate bytes are
// looked at). A file too short to hold the field has no rate: 0. Rates above 32767 Hz do not
// fit the 16-bit result and come out as their low 16 bits, negative (44100 gives -21436);
// the caller recovers the rate by adding 65536 to a negative result.
std::int16_t wavRateResult(std::string_view head) noexcept;

// --- Drive letters ---------------------------------------------------------------------------

// The platform's drive-type values.
enum DriveType : long {
    kDriveUnknown = 0,
    kDriveNoRootDirectory = 1,
    kDriveRemovable = 2,
    kDriveFixed = 3,
    kDriveRemote = 4,
    kDriveCdRom = 5,
    kDriveRamDisk = 6,
};

// The root the platform is asked about for `letter` ("C" gives "C:\"), or nothing when the
// text is not exactly one character, or is a digit, or is a NUL (which would end the root
// before its colon and make the platform answer for the current drive instead).
std::optional<std::wstring> driveRootOf(std::wstring_view letter);

// --- Screen ----------------------------------------------------------------------------------

// The screen's extent in pixels as the members compute it: the extent in twips and the twips
// per pixel at `dotsPerInch`, each rounded to a whole number (halves to even), then divided
// with integer division. At 96 or 120 dots per inch this is the pixel count itself.
long pixelsThroughTwips(long pixels, long dotsPerInch) noexcept;

// --- Narrowing -------------------------------------------------------------------------------

// The value as a 16-bit result, or nothing when it does not fit (a run-time overflow).
std::optional<std::int16_t> toShort(long value) noexcept;

// --- Keyboard state --------------------------------------------------------------------------

inline constexpr std::size_t kKeyboardStateSize = 256;
inline constexpr std::size_t kCapsLockKey = 20;
inline constexpr std::size_t kNumLockKey = 144;

// A toggle key's byte reads "on" exactly when it is toggled and not held down (1; not 0x81).
inline bool isToggledOnAndUp(std::uint8_t state) noexcept { return state == 1; }
// ChangerEtat_Touche's new byte: 1 becomes 0; anything else (0, a held key) becomes 1.
inline std::uint8_t flippedToggle(std::uint8_t state) noexcept { return state == 1 ? 0 : 1; }
// Key codes index the 256-byte table.
inline bool isKeyCode(long code) noexcept { return code >= 0 && code < long(kKeyboardStateSize); }

}  // namespace korvel::devices
