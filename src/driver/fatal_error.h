// The fatal message of the run, and the fixed texts shown while no properties are loaded yet.
//
// Trap: the earliest messages of the run (the administrator check, an unopenable executable, an
// unreadable payload) come before props.xml is loaded, so their "%ID%" texts expand to nothing.
// ExpandWithFallback keeps the expansion (a loaded property always wins) and shows a fixed English
// text only where the expansion came out empty, so the user never sees an empty box.
#pragma once

#include <string>

namespace vorlax {

// Caption of every error box whose configured caption expands to nothing.
constexpr char kFallbackErrorCaption[] = "Setup Error";
// Text of a fatal message that expands to nothing.
constexpr char kFallbackFatalText[] = "Setup cannot continue because of an error.";

// ExpandDefines(State().defines, text), or fallback (ASCII) when that is empty.
std::u16string ExpandWithFallback(const std::u16string& text, const char* fallback);

// Sets installFailed and counts the error (InstallerState::fatalErrors), then shows the expanded
// message in an owner-less error box captioned with the expanded "%FATAL_POPUP_TITLE%", and
// returns once the user closed it. It does not end the process: the caller carries on and the
// main sequence stops at its next test of installFailed.
void ShowFatalError(const std::u16string& message);

// The same box as ShowFatalError, leaving installFailed as it is: for a failure that is reported
// but does not fail the installation (a shortcut that could not be created). Setting the flag and
// clearing it again afterwards would also clear a cancel the user confirmed meanwhile, which the
// programs after installing must still see.
void ShowErrorReport(const std::u16string& message);

}  // namespace vorlax
