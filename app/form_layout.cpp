#include "app/form_layout.h"

#include "app/app_text.h"

namespace app {

namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

}  // namespace

const ControlLayout kForm1Controls[] = {
    {"Command1", kCommand1Id, L"Button", kChild | WS_TABSTOP | BS_PUSHBUTTON, 0, 600, 1080, 2655,
     495, kImportCaption},
    {"Command2", kCommand2Id, L"Button", kChild | WS_TABSTOP | BS_PUSHBUTTON, 0, 4560, 1080, 2175,
     495, kBuildCaption},
    // Sorted by us, by name without regard to case, so not LBS_SORT.
    {"File1", kFile1Id, L"ListBox",
     kChild | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, WS_EX_CLIENTEDGE, 120,
     1800, 7215, 3510, L""},
    {"Text1", kText1Id, L"Edit", kChild | WS_TABSTOP | ES_AUTOHSCROLL | ES_LEFT, WS_EX_CLIENTEDGE,
     2040, 360, 3615, 270, kDefaultBookName},
    {"Label1", kLabel1Id, L"Static", kChild | SS_LEFT | SS_NOPREFIX, 0, 480, 360, 1575, 255,
     kBookNameLabel},
    // The help picture: an icon, so its mask keeps the background transparent.
    {"Image1", kImage1Id, L"Static", kChild | SS_ICON | SS_NOTIFY | SS_REALSIZECONTROL, 0, 5880,
     360, 630, 255, L""},
};

const std::size_t kForm1ControlCount = sizeof(kForm1Controls) / sizeof(kForm1Controls[0]);

const ControlLayout* FindControlLayout(ControlId id) {
  for (const ControlLayout& control : kForm1Controls) {
    if (control.id == id) return &control;
  }
  return nullptr;
}

}  // namespace app
