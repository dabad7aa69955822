// The two text and byte forms a signed action list arrives in, read without the platform so that
// their strictness is tested natively: base64 (as `base64` and PEM bodies write it) and the DER
// form of an ECDSA signature (as OpenSSL writes it), which the platform's verification does not
// take and wants as the two raw coordinates instead.
//
// Both readers are strict: a form with more than one spelling is taken in one spelling only, so
// that a signature cannot be altered into another accepted text of the same value.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tolvare::scheduler {

// The bytes of standard base64 (RFC 4648 section 4 alphabet, "=" padding). Spaces, tabs, CR and
// LF are ignored wherever they are. nullopt for any other character, for padding that is missing,
// misplaced or too long, for bits left over that are not zero, and for text with nothing to
// decode.
std::optional<std::string> decodeBase64(std::string_view text);

// An ECDSA signature, DER SEQUENCE { INTEGER r, INTEGER s }, as r || s with each left-padded with
// zeros to coordinateBytes (32 for P-256). nullopt unless the DER is exact: minimal lengths, no
// byte after the sequence, positive non-zero minimal integers no longer than coordinateBytes.
std::optional<std::string> ecdsaDerToRaw(std::string_view der, std::size_t coordinateBytes);

}  // namespace tolvare::scheduler
