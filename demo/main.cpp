// Until the demo program lands: proves that a real Win32 window opens.
#include <windows.h>

static LRESULT CALLBACK WndProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(h, &ps);
      RECT r;
      GetClientRect(h, &r);
      FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
      DrawTextA(dc, "Korvani components", -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      EndPaint(h, &ps);
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(h, msg, w, l);
}

int WINAPI WinMain(HINSTANCE inst, HINSTANCE, LPSTR, int show) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = WndProc;
  wc.hInstance = inst;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = "KorvaniDemo";
  RegisterClassA(&wc);
  HWND h = CreateWindowA("KorvaniDemo", " Korvani - demo", WS_OVERLAPPEDWINDOW, 100, 100, 640, 480, nullptr, nullptr,
                         inst, nullptr);
  ShowWindow(h, show);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
