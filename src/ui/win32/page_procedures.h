// The dialog procedure of each page, and the choice of procedure by dialog template id.
//
// Each procedure is thin: it moves data between the controls and the portable page rules
// (src/ui) and ends the page with the id of the command that closed it. WM_INITDIALOG answers 0,
// so the system does not move the keyboard focus to the first control.
#pragma once

#include <windows.h>

namespace vorlax {

INT_PTR CALLBACK WelcomePageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK OptionsPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK LicencePageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK InstallPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AbortPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SmallProgressPageProcedure(HWND page, UINT message, WPARAM wParam,
                                            LPARAM lParam);
INT_PTR CALLBACK LaunchPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// The procedure of the page with this template id; null for an id that is not a page.
DLGPROC PageProcedureFor(int dialogId);

}  // namespace vorlax
