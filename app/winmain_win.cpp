// Folivane.exe: one window; the program ends when it is closed.
#include <windows.h>
#include <objbase.h>

#include "app/form_layout.h"
#include "app/main_window.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  // The folder chooser is a shell dialog and needs COM on this thread.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  if (!app::RegisterForm1Class(instance)) return 1;
  HWND form = app::CreateForm1(instance);
  if (!form) return 1;
  ShowWindow(form, show);
  UpdateWindow(form);
  SetFocus(GetDlgItem(form, app::kCommand1Id));

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    // Tab and the arrow keys move between the controls as in a dialog.
    if (IsWindow(form) && IsDialogMessageW(form, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  CoUninitialize();
  return static_cast<int>(message.wParam);
}
