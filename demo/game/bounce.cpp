// bounce.exe: the demo product, a tiny game. A window shows the game's name and a ball bouncing
// off its edges; Esc or the close box ends it with exit code 0. The ball's speed is the DWORD
// "Speed" under HKCU\Software\Vorlax Bounce\Settings (the installer writes it; 1 to 9, else the
// default).
//
// "bounce.exe /fast" plays at the top speed.
// "bounce.exe /firstrun" opens no window: it writes the default settings file
// "Saves\settings.ini" beside the program unless the player already has one, and exits with 0, or
// with 1 when the file cannot be written. The installer runs it once after installing.
//
// Traps: painting goes through an off-screen bitmap, so the ball does not flicker; the timer is
// the only clock, so a slow machine plays slower rather than skipping.
#include <windows.h>

namespace {

constexpr wchar_t kWindowClass[] = L"VorlaxBounce";
constexpr wchar_t kTitle[] = L"Vorlax Bounce";
constexpr wchar_t kHint[] = L"Esc ends the game";
constexpr wchar_t kSettingsKey[] = L"Software\\Vorlax Bounce\\Settings";
constexpr wchar_t kSpeedValue[] = L"Speed";
constexpr wchar_t kFirstRunSwitch[] = L"/firstrun";
constexpr wchar_t kFastSwitch[] = L"/fast";
constexpr wchar_t kSavesFolder[] = L"Saves";
constexpr wchar_t kSettingsFile[] = L"Saves\\settings.ini";
constexpr char kDefaultSettings[] = "[Game]\r\nSpeed=3\r\nBestScore=0\r\n";

constexpr int kClientWidth = 480;
constexpr int kClientHeight = 320;
constexpr int kBallSize = 40;
constexpr UINT kTimerId = 1;
constexpr UINT kFrameMs = 20;
constexpr DWORD kDefaultSpeed = 3;
constexpr DWORD kMaxSpeed = 9;
constexpr COLORREF kSky = RGB(30, 58, 120);
constexpr COLORREF kBall = RGB(240, 192, 64);
constexpr COLORREF kText = RGB(255, 255, 255);

struct Game {
  int x = 30;
  int y = 90;
  int dx = 0;
  int dy = 0;
};

Game g_game;

// path := the program's own folder (with its final backslash) followed by name; false when the
// whole does not fit in MAX_PATH characters.
bool BesideProgram(const wchar_t* name, wchar_t (&path)[MAX_PATH]) {
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;
  while (length > 0 && path[length - 1] != L'\\' && path[length - 1] != L'/') --length;
  if (length + lstrlenW(name) >= MAX_PATH) return false;
  lstrcpyW(path + length, name);
  return true;
}

DWORD ReadSpeed() {
  HKEY key = nullptr;
  DWORD speed = kDefaultSpeed;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return speed;
  DWORD type = 0;
  DWORD value = 0;
  DWORD size = sizeof value;
  if (RegQueryValueExW(key, kSpeedValue, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
          ERROR_SUCCESS &&
      type == REG_DWORD && value >= 1 && value <= kMaxSpeed) {
    speed = value;
  }
  RegCloseKey(key);
  return speed;
}

// The first-run step: the default settings file, unless one is there.
int FirstRun() {
  wchar_t saves[MAX_PATH];
  wchar_t settings[MAX_PATH];
  if (!BesideProgram(kSavesFolder, saves) || !BesideProgram(kSettingsFile, settings)) return 1;
  CreateDirectoryW(saves, nullptr);
  HANDLE file = CreateFileW(settings, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_EXISTS ? 0 : 1;
  DWORD written = 0;
  BOOL ok = WriteFile(file, kDefaultSettings, sizeof kDefaultSettings - 1, &written, nullptr);
  CloseHandle(file);
  return ok && written == sizeof kDefaultSettings - 1 ? 0 : 1;
}

void Step(HWND window) {
  RECT client;
  GetClientRect(window, &client);
  g_game.x += g_game.dx;
  g_game.y += g_game.dy;
  if (g_game.x < 0 || g_game.x + kBallSize > client.right) g_game.dx = -g_game.dx;
  if (g_game.y < 0 || g_game.y + kBallSize > client.bottom) g_game.dy = -g_game.dy;
  InvalidateRect(window, nullptr, FALSE);
}

void Paint(HWND window) {
  PAINTSTRUCT paint;
  HDC screen = BeginPaint(window, &paint);
  RECT client;
  GetClientRect(window, &client);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP canvas = CreateCompatibleBitmap(screen, client.right, client.bottom);
  HGDIOBJ oldBitmap = SelectObject(memory, canvas);

  HBRUSH sky = CreateSolidBrush(kSky);
  FillRect(memory, &client, sky);
  DeleteObject(sky);
  SetBkMode(memory, TRANSPARENT);
  SetTextColor(memory, kText);
  RECT title = {0, 20, client.right, 60};
  DrawTextW(memory, kTitle, -1, &title, DT_CENTER | DT_SINGLELINE);
  RECT hint = {0, client.bottom - 30, client.right, client.bottom - 10};
  DrawTextW(memory, kHint, -1, &hint, DT_CENTER | DT_SINGLELINE);
  HBRUSH ball = CreateSolidBrush(kBall);
  HGDIOBJ oldBrush = SelectObject(memory, ball);
  Ellipse(memory, g_game.x, g_game.y, g_game.x + kBallSize, g_game.y + kBallSize);
  SelectObject(memory, oldBrush);
  DeleteObject(ball);

  BitBlt(screen, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
  SelectObject(memory, oldBitmap);
  DeleteObject(canvas);
  DeleteDC(memory);
  EndPaint(window, &paint);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      Step(window);
      return 0;
    case WM_PAINT:
      Paint(window);
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      KillTimer(window, kTimerId);
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

int Play(HINSTANCE instance, int show, bool fast) {
  int speed = static_cast<int>(fast ? kMaxSpeed : ReadSpeed());
  g_game.dx = speed;
  g_game.dy = speed;

  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  windowClass.lpszClassName = kWindowClass;
  if (!RegisterClassW(&windowClass)) return 1;

  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  RECT frame = {0, 0, kClientWidth, kClientHeight};
  AdjustWindowRect(&frame, style, FALSE);
  HWND window = CreateWindowW(kWindowClass, kTitle, style, CW_USEDEFAULT, CW_USEDEFAULT,
                              frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                              instance, nullptr);
  if (!window) return 1;
  ShowWindow(window, show);
  SetTimer(window, kTimerId, kFrameMs, nullptr);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int show) {
  if (lstrcmpiW(commandLine, kFirstRunSwitch) == 0) return FirstRun();
  return Play(instance, show, lstrcmpiW(commandLine, kFastSwitch) == 0);
}
