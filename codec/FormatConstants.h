#pragma once
// The fixed values of the stored formats. Every note on every server and every session
// token depends on them: changing any byte here makes all existing notes unreadable and
// every client's requests refused. They must never change.

#include <array>
#include <cstdint>
#include <string_view>

namespace qb {

// Completes key texts shorter than their key length (document keys, the token key).
inline constexpr std::array<std::uint8_t, 32> kKeyFiller = {
    0x90, 0x3A, 0x0C, 0xAC, 0xC3, 0x9D, 0x83, 0x9D, 0x46, 0xEF, 0xB9, 0x88, 0x64, 0xC5, 0x49, 0xBD,
    0x0B, 0x62, 0x86, 0x55, 0xDD, 0xC7, 0x1E, 0x42, 0x3A, 0xBA, 0x46, 0x6E, 0xBC, 0x0C, 0x8A, 0x10};

// Encrypts the envelope header, so that any copy can read the name of a note's key.
inline constexpr std::array<std::uint8_t, 32> kHeaderKey = {
    0x03, 0xB9, 0x5B, 0x07, 0x83, 0x73, 0xC5, 0x95, 0x1B, 0x4E, 0x73, 0x99, 0xAA, 0x69, 0xA1, 0x8E,
    0xCF, 0x0D, 0xEC, 0xC1, 0x39, 0x78, 0x77, 0x8A, 0xA5, 0xA6, 0x95, 0xE0, 0x04, 0xFF, 0xA4, 0xEC};

// Key text of the session token cipher (128-bit key, 192-bit blocks).
inline constexpr std::string_view kTokenKeyText = "Quillbox";
inline constexpr int kTokenBlockWords = 6;

inline constexpr std::string_view kPackedMagic = "pLvZ";  // packed block
inline constexpr std::string_view kSealTrailer = "pLv";   // end of every sealed plaintext
inline constexpr std::string_view kEnvelopeMagic = "PLV4"; // envelope

inline constexpr int kDocumentBlockWords = 6;   // note bodies: 192-bit blocks
inline constexpr int kHeaderBlockWords = 8;     // envelope header: one 256-bit block
inline constexpr unsigned kEnvelopeLineLength = 72;

} // namespace qb
