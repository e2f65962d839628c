// The shared page behaviour on Win32 (see page_common.h).
#include "driver/installer_state.h"
#include "driver/windows_version.h"
#include "ui/page_frame.h"
#include "ui/page_ids.h"
#include "ui/window_text.h"

#include "ui/win32/page_common.h"

#include <commctrl.h>

#include <string>
#include <vector>

namespace vorlax {

namespace {

constexpr int kWindowTextBuffer = 16384;  // characters, terminator included
constexpr COLORREF kHeaderTextColour = 0x000000FF;
constexpr COLORREF kTextColour = 0x00000000;
constexpr COLORREF kBackgroundColour = 0x02DADADA;
constexpr LPARAM kPercentRange = 0x00640000;  // low word 0, high word 100

void SubstituteOneWindow(HWND window) {
  std::vector<wchar_t> buffer(kWindowTextBuffer);
  const int length = GetWindowTextW(window, buffer.data(), kWindowTextBuffer);
  const std::u16string text(reinterpret_cast<const char16_t*>(buffer.data()),
                            length > 0 ? static_cast<size_t>(length) : 0);
  const std::u16string expanded = SubstituteText(text);
  SetWindowTextW(window, reinterpret_cast<const wchar_t*>(expanded.c_str()));
}

BOOL CALLBACK SubstituteChild(HWND child, LPARAM) {
  SubstituteOneWindow(child);
  return TRUE;
}

BitmapSize SizeOf(void* bitmap) {
  BitmapSize size;
  BITMAP record;
  if (bitmap && GetObjectW(static_cast<HGDIOBJ>(bitmap), sizeof record, &record)) {
    size.present = true;
    size.width = record.bmWidth;
    size.height = record.bmHeight;
  }
  return size;
}

// The frame's own three brushes, created for one painting; the background is the shared brush.
class FrameBrushes {
 public:
  FrameBrushes()
      : grey_(CreateSolidBrush(static_cast<COLORREF>(FrameBrush::kBandGrey))),
        highlight_(CreateSolidBrush(static_cast<COLORREF>(FrameBrush::kHighlight))),
        shadow_(CreateSolidBrush(static_cast<COLORREF>(FrameBrush::kShadow))) {}
  ~FrameBrushes() {
    DeleteObject(grey_);
    DeleteObject(highlight_);
    DeleteObject(shadow_);
  }
  HBRUSH For(FrameBrush brush) const {
    switch (brush) {
      case FrameBrush::kBandGrey: return grey_;
      case FrameBrush::kHighlight: return highlight_;
      case FrameBrush::kShadow: return shadow_;
      case FrameBrush::kBackground: break;
    }
    return static_cast<HBRUSH>(State().ui.backgroundBrush);
  }

 private:
  HBRUSH grey_;
  HBRUSH highlight_;
  HBRUSH shadow_;
};

void FillAll(HDC dc, const std::vector<FrameFill>& fills, const FrameBrushes& brushes) {
  for (const FrameFill& fill : fills) {
    const RECT rect = {fill.rect.left, fill.rect.top, fill.rect.right, fill.rect.bottom};
    FillRect(dc, &rect, brushes.For(fill.brush));
  }
}

void CopyBitmap(HDC dc, HDC memory, void* bitmap, int x, int y, const BitmapSize& size) {
  HGDIOBJ previous = SelectObject(memory, static_cast<HGDIOBJ>(bitmap));
  BitBlt(dc, x, y, size.width, size.height, memory, 0, 0, SRCCOPY);
  SelectObject(memory, previous);
}

}  // namespace

void SubstituteWindowTexts(HWND window) {
  SubstituteOneWindow(window);
  EnumChildWindows(window, SubstituteChild, 0);
}

void SendPageFonts(HWND page, std::initializer_list<int> controlIds) {
  if (IsWindows98OrMe()) return;
  const UiResources& ui = State().ui;
  const WPARAM body = reinterpret_cast<WPARAM>(ui.bodyFont);
  for (int id : controlIds) SendDlgItemMessageW(page, id, WM_SETFONT, body, FALSE);
  SendDlgItemMessageW(page, IDC_HEADER_LINE, WM_SETFONT, reinterpret_cast<WPARAM>(ui.headerFont),
                      FALSE);
}

INT_PTR ColourStatic(HDC dc, HWND control) {
  const UiResources& ui = State().ui;
  if (GetDlgCtrlID(control) == IDC_HEADER_LINE) {
    if (!IsWindows98OrMe()) SelectObject(dc, static_cast<HGDIOBJ>(ui.headerFont));
    SetTextColor(dc, kHeaderTextColour);
  } else {
    SetTextColor(dc, kTextColour);
  }
  SetBkColor(dc, kBackgroundColour);
  return reinterpret_cast<INT_PTR>(ui.backgroundBrush);
}

void PaintPageFrame(HDC dc, HWND page) {
  RECT client;
  GetClientRect(page, &client);
  const UiResources& ui = State().ui;
  const BitmapSize logo = SizeOf(ui.logoBitmap);
  const BitmapSize product = SizeOf(ui.productBitmap);
  const PageFramePlan plan = PlanPageFrame(client.right, client.bottom, logo, product);
  const FrameBrushes brushes;
  HDC memory = CreateCompatibleDC(dc);
  FillAll(dc, plan.bandFills, brushes);
  if (plan.drawLogo) CopyBitmap(dc, memory, ui.logoBitmap, 0, 0, logo);
  FillAll(dc, plan.productBoxFills, brushes);
  if (plan.drawProduct) {
    CopyBitmap(dc, memory, ui.productBitmap, plan.productX, plan.productY, product);
  }
  DeleteDC(memory);
}

bool HandleFrameMessage(HWND page, UINT message, WPARAM wParam, LPARAM lParam, INT_PTR* result) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(page, &paint);
    PaintPageFrame(dc, page);
    EndPaint(page, &paint);
    *result = TRUE;
    return true;
  }
  if (message == WM_CTLCOLORSTATIC) {
    *result = ColourStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    return true;
  }
  return false;
}

AskQuestion PageQuestion(HWND page) {
  return [page](const std::u16string& text, const std::u16string& caption, uint32_t style) {
    return MessageBoxW(page, reinterpret_cast<const wchar_t*>(text.c_str()),
                       reinterpret_cast<const wchar_t*>(caption.c_str()), style);
  };
}

void SetPercentRange(HWND page, int barId) {
  SendDlgItemMessageW(page, barId, PBM_SETRANGE, 0, kPercentRange);
}

void SetBar(HWND page, int barId, int value) {
  SendDlgItemMessageW(page, barId, PBM_SETPOS, static_cast<WPARAM>(value), 0);
}

}  // namespace vorlax
