#include "app/main_window.h"

#include <memory>
#include <type_traits>
#include <vector>

#include "app/app_text.h"
#include "app/book_platform_win.h"
#include "app/choose_folder.h"
#include "app/deploy_help_tools.h"
#include "app/file_list.h"
#include "app/form_layout.h"
#include "app/resource_ids.h"
#include "book/build_book.h"
#include "skin/skinner.h"
#include "text/utf.h"

namespace app {

namespace {

// 9 point at 96 dpi; SimSun is the face every Simplified Chinese system has, and it keeps
// the captions sharp at this size.
constexpr int kFontHeightPixels = -12;
constexpr wchar_t kFontFace[] = L"SimSun";
constexpr int kHelpPictureWidth = 42;
constexpr int kHelpPictureHeight = 17;

// Owners of the window's font, picture and cursor: freed with the instance data.
struct DeleteFont {
  void operator()(HFONT font) const { DeleteObject(font); }
};
struct DestroyIconHandle {
  void operator()(HICON icon) const { DestroyIcon(icon); }
};
struct DestroyCursorHandle {
  void operator()(HCURSOR cursor) const { DestroyCursor(cursor); }
};

// Instance data of Form1, kept on the window from WM_NCCREATE to WM_NCDESTROY, when the
// controls that use the font and the picture are gone.
struct Form1Data {
  std::unique_ptr<std::remove_pointer_t<HFONT>, DeleteFont> font;
  std::unique_ptr<std::remove_pointer_t<HICON>, DestroyIconHandle> help_picture;
  std::unique_ptr<std::remove_pointer_t<HCURSOR>, DestroyCursorHandle> pointing_hand;
  std::wstring chapter_folder;
};

Form1Data* GetData(HWND form) {
  return reinterpret_cast<Form1Data*>(GetWindowLongPtrW(form, GWLP_USERDATA));
}

HWND Control(HWND form, ControlId id) { return GetDlgItem(form, id); }

void ShowPlainMessage(HWND owner, const wchar_t* text, const wchar_t* title) {
  MessageBoxW(owner, text, title, MB_OK);
}

void CreateControls(HWND form, Form1Data& data) {
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(form, GWLP_HINSTANCE));
  for (size_t i = 0; i < kForm1ControlCount; ++i) {
    const ControlLayout& layout = kForm1Controls[i];
    HWND control = CreateWindowExW(
        layout.ex_style, layout.window_class, layout.text, layout.style, TwipsToPixels(layout.left),
        TwipsToPixels(layout.top), TwipsToPixels(layout.width), TwipsToPixels(layout.height), form,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(layout.id)), instance, nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(data.font.get()), FALSE);
  }
  SendMessageW(Control(form, kImage1Id), STM_SETIMAGE, IMAGE_ICON,
               reinterpret_cast<LPARAM>(data.help_picture.get()));
}

// --- handlers -------------------------------------------------------------------------------

void Command1Click(HWND form) { SetChapterFolder(form, ChooseFolder()); }

void Command2Click(HWND form) {
  std::vector<std::string> chapters;
  for (const std::wstring& entry : ReadListEntries(Control(form, kFile1Id))) {
    chapters.push_back(text::WideToUtf8(entry));
  }
  HWND text_box = Control(form, kText1Id);
  std::wstring name(static_cast<size_t>(GetWindowTextLengthW(text_box)) + 1, L'\0');
  name.resize(
      static_cast<size_t>(GetWindowTextW(text_box, name.data(), static_cast<int>(name.size()))));
  std::unique_ptr<book::BookPlatform> platform = MakeWindowsBookPlatform(form);
  book::BuildBook(*platform, text::WideToUtf8(GetChapterFolder(form)), chapters,
                  text::WideToUtf8(name));
}

void Image1Click(HWND form) { ShowPlainMessage(form, kHelpText, kHelpTitle); }

// --- window procedure -----------------------------------------------------------------------

bool OnNcCreate(HWND form) {
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(form, GWLP_HINSTANCE));
  auto data = std::make_unique<Form1Data>();
  data->font.reset(CreateFontW(kFontHeightPixels, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                               GB2312_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                               DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, kFontFace));
  data->help_picture.reset(
      static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_FOLIVANE_HELP_PICTURE),
                                    IMAGE_ICON, kHelpPictureWidth, kHelpPictureHeight, 0)));
  data->pointing_hand.reset(static_cast<HCURSOR>(LoadImageW(
      instance, MAKEINTRESOURCEW(IDC_FOLIVANE_POINTING_HAND), IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE)));
  SetWindowLongPtrW(form, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(data.release()));
  return true;
}

void OnNcDestroy(HWND form) {
  // Taking the data back frees it, with its font, picture and cursor.
  std::unique_ptr<Form1Data> data(GetData(form));
  SetWindowLongPtrW(form, GWLP_USERDATA, 0);
}

void OnCommand(HWND form, WPARAM wparam) {
  int id = LOWORD(wparam);
  int code = HIWORD(wparam);
  if (id == kCommand1Id && code == BN_CLICKED) Command1Click(form);
  if (id == kCommand2Id && code == BN_CLICKED) Command2Click(form);
  // The static's class takes double clicks: a second press soon after the first one arrives
  // as STN_DBLCLK and is a click all the same.
  if (id == kImage1Id && (code == STN_CLICKED || code == STN_DBLCLK)) Image1Click(form);
}

bool OnSetCursor(HWND form, HWND under) {
  Form1Data* data = GetData(form);
  if (!data || under != Control(form, kImage1Id) || !data->pointing_hand) return false;
  SetCursor(data->pointing_hand.get());
  return true;
}

LRESULT CALLBACK Form1Proc(HWND form, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_NCCREATE:
      OnNcCreate(form);
      break;
    case WM_CREATE:
      CreateControls(form, *GetData(form));
      return 0;
    case WM_COMMAND:
      OnCommand(form, wparam);
      return 0;
    case WM_SETCURSOR:
      if (OnSetCursor(form, reinterpret_cast<HWND>(wparam))) return TRUE;
      break;
    case WM_CLOSE:
      Form1Unload(form);
      DestroyWindow(form);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      OnNcDestroy(form);
      break;
  }
  return DefWindowProcW(form, message, wparam, lparam);
}

}  // namespace

bool RegisterForm1Class(HINSTANCE instance) {
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = Form1Proc;
  window_class.hInstance = instance;
  window_class.hIcon = static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(IDI_FOLIVANE_BOOK), IMAGE_ICON, 32, 32, 0));
  window_class.hIconSm = static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(IDI_FOLIVANE_BOOK), IMAGE_ICON,
                 GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
  window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = kFormClassName;
  return RegisterClassExW(&window_class) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// Load: the file list starts on a single blank (no chapter folder yet), then the help tools
// are put next to the program. The window is shown only after this has run.
void Form1Load(HWND form) {
  // The skin comes first, so that the window is drawn by it from its first paint.
  AttachSkin(form);
  SetChapterFolder(form, L" ");
  DeployHelpTools(form);
}

// Unload is never refused: the skin lets go of the window, which then closes as it is.
void Form1Unload(HWND form) { DetachSkin(form); }

HWND CreateForm1(HINSTANCE instance) {
  HWND form = CreateForm1Window(instance);
  if (form) Form1Load(form);
  return form;
}

HWND CreateForm1Window(HINSTANCE instance) {
  constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  RECT frame = {0, 0, TwipsToPixels(kFormClientWidthTwips), TwipsToPixels(kFormClientHeightTwips)};
  AdjustWindowRectEx(&frame, kStyle, FALSE, 0);
  int width = frame.right - frame.left;
  int height = frame.bottom - frame.top;
  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  int x = work.left + (work.right - work.left - width) / 2;
  int y = work.top + (work.bottom - work.top - height) / 2;
  HWND form = CreateWindowExW(0, kFormClassName, kFormCaption, kStyle, x, y, width, height, nullptr,
                              nullptr, instance, nullptr);
  return form;
}

std::wstring GetChapterFolder(HWND form) {
  Form1Data* data = GetData(form);
  return data ? data->chapter_folder : std::wstring();
}

void SetChapterFolder(HWND form, const std::wstring& folder) {
  Form1Data* data = GetData(form);
  if (!data) return;
  data->chapter_folder = folder;
  ShowListEntries(Control(form, kFile1Id), ListChapterFiles(folder));
}

}  // namespace app
