#include "skin/record.h"

#include <algorithm>
#include <cctype>

bool SkinInitialised = false;
bool HasUserTrackMouseEvent = false;
int SkinnedWindowCount = 0;
HDC SkinImage1 = nullptr;
HDC SkinImage2 = nullptr;
HDC SkinImage3 = nullptr;
HDC SkinImage4 = nullptr;
HDC SkinImage5 = nullptr;

namespace {

constexpr const char* kFaceDcNames[kVisualStateCount] = {"0HDC", "1HDC", "2HDC", "3HDC"};
constexpr const char* kFaceBitmapNames[kVisualStateCount] = {"0BMP", "1BMP", "2BMP", "3BMP"};

// GetClassNameA is given this capacity, so class names are at most 254 characters.
constexpr int kClassNameCapacity = 255;

struct KindName {
  const char* Name;
  ControlKind Kind;
};

constexpr KindName kKindNames[] = {
    {"#32770", ControlKind::Form},
    {"thunderformdc", ControlKind::Form},
    {"thunderrt6formdc", ControlKind::Form},
    {"form", ControlKind::Form},
    {"thundercommandbutton", ControlKind::CommandButton},
    {"thunderrt6commandbutton", ControlKind::CommandButton},
    {"button", ControlKind::CommandButton},
    {"thundercombobox", ControlKind::ComboBox},
    {"thunderrt6combobox", ControlKind::ComboBox},
    {"combo", ControlKind::ComboBox},
    {"combobox", ControlKind::ComboBox},
    {"thunderdrivelistbox", ControlKind::DriveListBox},
    {"thunderrt6drivelistbox", ControlKind::DriveListBox},
    {"thundercheckbox", ControlKind::CheckBox},
    {"thunderrt6checkbox", ControlKind::CheckBox},
    {"thunderoptionbutton", ControlKind::OptionButton},
    {"thunderrt6optionbutton", ControlKind::OptionButton},
    {"progressbar20wndclass", ControlKind::ProgressBar},
    {"progressbarwndclass", ControlKind::ProgressBar},
    {"msvb_lib_header", ControlKind::Header},
    {"sysheader32", ControlKind::Header},
    {"datalistwndclass", ControlKind::DataList},
    {"dblistwndclass", ControlKind::DataList},
    {"combolbox", ControlKind::ComboList},
};

constexpr char kGridPrefix[] = "apexgrid";

}  // namespace

const char* FaceDcPropName(int state) { return kFaceDcNames[state & 3]; }

const char* FaceBitmapPropName(int state) { return kFaceBitmapNames[state & 3]; }

LONG_PTR GetSkinProp(HWND window, const char* name) {
  return reinterpret_cast<LONG_PTR>(GetPropA(window, name));
}

void SetSkinProp(HWND window, const char* name, LONG_PTR value) {
  SetPropA(window, name, reinterpret_cast<HANDLE>(value));
}

void RemoveSkinProp(HWND window, const char* name) { RemovePropA(window, name); }

std::string GetWindowClassName(HWND window) {
  char buffer[kClassNameCapacity] = {};
  if (GetClassNameA(window, buffer, kClassNameCapacity) == 0) return std::string();
  return std::string(buffer, std::find(buffer, buffer + kClassNameCapacity, '\0'));
}

ControlKind KindOfClassName(const std::string& className) {
  std::string lower(className);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  for (const KindName& entry : kKindNames) {
    if (lower == entry.Name) return entry.Kind;
  }
  if (lower.compare(0, sizeof kGridPrefix - 1, kGridPrefix) == 0) return ControlKind::Grid;
  return ControlKind::Other;
}

ControlKind GetControlKind(HWND window) { return KindOfClassName(GetWindowClassName(window)); }
