// What every page's dialog procedure shares: the placeholder pass over all window texts, the
// body font, the static colours, the frame painting and the cancel question owned by the page.
//
// Trap: include this after the project's own headers (it includes <windows.h>, whose macros
// rename DeleteFile, CopyFile, GetDiskFreeSpace and ShellExecute), and never call those seam
// methods from a page file.
#pragma once

#include <initializer_list>

#include "ui/abort_confirmation.h"

#include <windows.h>

namespace vorlax {

// Expands the placeholders of the window's text and of every descendant's text.
void SubstituteWindowTexts(HWND window);

// Sends the body font (no redraw) to the listed controls and the header font to the header line,
// unless the system is Windows 98 or Me, where the template font stays.
//
// The header line's font is also selected in WM_CTLCOLORSTATIC (ColourStatic). Giving the control
// the font as its own as well makes the header show in it whatever the order in which a static
// control selects its font and asks for its colours (Wine's static control selects its own font
// after WM_CTLCOLORSTATIC, which would otherwise undo the selection).
void SendPageFonts(HWND page, std::initializer_list<int> controlIds);

// WM_CTLCOLORSTATIC of a full page: the header line red in the header font (the font only when
// not Windows 98/Me), every other static black, both on the background colour; answers the
// background brush.
INT_PTR ColourStatic(HDC dc, HWND control);

// Paints the bands, the logo and the product box into dc for the page's client area.
void PaintPageFrame(HDC dc, HWND page);

// The full pages' WM_PAINT and WM_CTLCOLORSTATIC handling; true when the message was one of
// them, with the procedure's answer in *result.
bool HandleFrameMessage(HWND page, UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result);

// A question box owned by the page (MessageBoxW).
AskQuestion PageQuestion(HWND page);

// Sets the range 0 to 100 on a progress bar of the page.
void SetPercentRange(HWND page, int barId);
// Puts a value into a progress bar of the page.
void SetBar(HWND page, int barId, int value);

}  // namespace vorlax
