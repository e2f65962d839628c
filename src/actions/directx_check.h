// The DirectX check: which DirectX the machine has, from the DirectX diagnostic provider (DirectX
// 9 and later) or, without it, from the file versions of DirectX system files.
//
// A version is major, minor and a letter (a space for none). Packed: major * 65,536 + minor * 256
// + the letter's number (a = 1 ... z = 26 after lower-casing, else 0). Text: "9.0", "8.1b".
//
// The system is reached through State().system. Trap: the provider's values count only when all
// three were obtained; a partial answer falls back to the files, whose result then replaces it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vorlax {

constexpr int32_t kResultOk = 0;
constexpr int32_t kResultFail = static_cast<int32_t>(0x80004005u);         // E_FAIL
constexpr int32_t kResultOutOfMemory = static_cast<int32_t>(0x8007000Eu);  // E_OUTOFMEMORY
constexpr int32_t kResultInvalidArgument = static_cast<int32_t>(0x80070057u);  // E_INVALIDARG

// The minimum the installer requires: DirectX 3.0.
constexpr uint32_t kMinimumDirectXVersion = 0x00030000;

// Finds the installed DirectX version. packedOut and textOut may be null; textOut receives at
// most textCapacity characters, always NUL-terminated when textCapacity > 0. Answers kResultOk
// or kResultFail.
int32_t GetDirectXVersion(uint32_t* packedOut, char16_t* textOut, std::size_t textCapacity);

// Asks the DirectX diagnostic provider. Every value it obtained is stored in its output (outputs
// may be null); answers kResultOk only when all three were obtained, else kResultFail. The letter
// is stored as the provider wrote it (not lower-cased).
int32_t DirectXVersionViaDxDiag(uint32_t* major, uint32_t* minor, char16_t* letter);

// Reads the versions of the DirectX system files in the system folder and answers the DirectX of
// the last row of the file table whose condition holds, or 0.0 (letter space) when none holds.
// Always kResultOk; outputs may be null.
int32_t DirectXVersionViaFiles(uint32_t* major, uint32_t* minor, char16_t* letter);

}  // namespace vorlax
