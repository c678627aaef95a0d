// Attach and detach of a real form with a child of every class the main window uses, plus the
// classes of the other control kinds.

#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <map>
#include <string>
#include <vector>

#include "skin/skinner.h"
#include "skin_test_support.h"

namespace {

using Names = std::vector<std::string>;
using skintest::EnginePropNames;

const Names kButtonProps = {"0BMP",     "0HDC",     "1BMP",     "1HDC",       "2BMP",
                            "2HDC",     "3BMP",     "3HDC",     "ALPHALEVEL", "MOUSEFLAG",
                            "OLDSTATE", "OLDSTYLE", "PROCADDR", "TIMERID"};
const Names kStatefulProps = {"MOUSEFLAG", "OLDSTATE", "PROCADDR"};
const Names kHeaderProps = {"HDINDEX", "HMINDEX", "MOUSEFLAG", "PROCADDR"};
const Names kOnlyProcAddr = {"PROCADDR"};

struct TestForm {
  HWND Form = nullptr;
  HWND Command1 = nullptr;
  HWND Disabled = nullptr;
  HWND CheckBox = nullptr;
  HWND Text = nullptr;
  HWND List = nullptr;
  HWND Label = nullptr;
  HWND Combo = nullptr;
  HWND Header = nullptr;
  HWND Progress = nullptr;
};

TestForm MakeForm() {
  INITCOMMONCONTROLSEX init{sizeof init, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&init);
  TestForm t;
  t.Form = skintest::CreateForm();
  t.Command1 = skintest::CreateChild(t.Form, "Button", "Command1", BS_PUSHBUTTON, 10, 10, 145, 33);
  t.Disabled =
      skintest::CreateChild(t.Form, "Button", "Off", BS_PUSHBUTTON | WS_DISABLED, 170, 10, 80, 24);
  t.CheckBox = skintest::CreateChild(t.Form, "Button", "Check", BS_AUTOCHECKBOX, 260, 10, 90, 20);
  t.Text = skintest::CreateChild(t.Form, "Edit", "Book", ES_AUTOHSCROLL, 10, 60, 200, 20,
                                 WS_EX_CLIENTEDGE);
  t.List = skintest::CreateChild(t.Form, "ListBox", "", LBS_NOTIFY | WS_VSCROLL, 10, 90, 200, 100,
                                 WS_EX_CLIENTEDGE);
  t.Label = skintest::CreateChild(t.Form, "Static", "Label1", SS_LEFT, 220, 60, 80, 20);
  t.Combo = skintest::CreateChild(t.Form, "ComboBox", "", CBS_DROPDOWN, 220, 90, 150, 120);
  t.Header = skintest::CreateChild(t.Form, "SysHeader32", "", 0, 10, 200, 300, 22);
  t.Progress = skintest::CreateChild(t.Form, "msctls_progress32", "", 0, 10, 230, 300, 16);
  skintest::Pump(20);
  return t;
}

TEST(AttachSkin, EveryKindGetsItsPropertiesAndDetachLeavesNoneBehind) {
  TestForm t = MakeForm();
  std::vector<HWND> all = skintest::Descendants(t.Form);
  all.push_back(t.Form);
  ASSERT_GE(all.size(), 11u) << "the combo box's inner edit is a descendant too";
  std::map<HWND, LONG_PTR> procs, styles;
  for (HWND w : all) {
    procs[w] = GetWindowLongPtrA(w, GWLP_WNDPROC);
    styles[w] = GetWindowLongPtrA(w, GWL_STYLE);
  }

  ASSERT_EQ(SkinnedWindowCount, 0);
  ASSERT_EQ(AttachSkin(t.Form), 1);
  EXPECT_TRUE(SkinInitialised);
  EXPECT_EQ(SkinnedWindowCount, static_cast<int>(all.size()));
  for (HWND w : all) {
    EXPECT_NE(GetSkinProp(w, kPropProcAddr), 0) << GetWindowClassName(w);
    EXPECT_EQ(GetWindowLongPtrA(w, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(SkinWindowProc));
    EXPECT_EQ(GetSkinProp(w, kPropProcAddr), procs[w]) << "PROCADDR is not the old procedure";
  }
  EXPECT_EQ(EnginePropNames(t.Command1), kButtonProps);
  EXPECT_EQ(EnginePropNames(t.Disabled), kButtonProps);
  EXPECT_EQ(EnginePropNames(t.CheckBox), kButtonProps);
  EXPECT_EQ(EnginePropNames(t.Combo), kStatefulProps);
  EXPECT_EQ(EnginePropNames(t.Header), kHeaderProps);
  for (HWND w : {t.Form, t.Text, t.List, t.Label, t.Progress}) {
    EXPECT_EQ(EnginePropNames(w), kOnlyProcAddr) << GetWindowClassName(w);
  }
  // Push buttons become owner-drawn; the check box keeps its style; both get rounded regions.
  EXPECT_EQ(GetWindowLongPtrA(t.Command1, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
  EXPECT_EQ(GetSkinProp(t.Command1, kPropOldStyle), styles[t.Command1]);
  EXPECT_EQ(GetWindowLongPtrA(t.CheckBox, GWL_STYLE), styles[t.CheckBox]);
  EXPECT_EQ(GetSkinProp(t.Command1, kPropOldState), kStateNormal);
  EXPECT_EQ(GetSkinProp(t.Disabled, kPropOldState), kStateDisabled);
  EXPECT_EQ(GetSkinProp(t.Header, kPropHdIndex), -1);
  EXPECT_EQ(GetSkinProp(t.Header, kPropHmIndex), -1);
  for (HWND button : {t.Command1, t.CheckBox}) {
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(button, region), COMPLEXREGION);
    RECT box{};
    GetRgnBox(region, &box);
    WindowBox size{};
    GetWindowBox(button, size);
    EXPECT_EQ(box.right, size.Width);
    EXPECT_EQ(box.bottom, size.Height);
    EXPECT_FALSE(PtInRegion(region, 0, 0)) << "corner not rounded";
    EXPECT_TRUE(PtInRegion(region, 1, 0));
    DeleteObject(region);
    // Face DCs hold bitmaps of the window's size, named by the bitmap properties.
    for (int s = 0; s < kVisualStateCount; ++s) {
      HDC face = reinterpret_cast<HDC>(GetSkinProp(button, FaceDcPropName(s)));
      EXPECT_EQ(reinterpret_cast<LONG_PTR>(GetCurrentObject(face, OBJ_BITMAP)),
                GetSkinProp(button, FaceBitmapPropName(s)));
      SIZE bitmap = skintest::SelectedBitmapSize(face);
      EXPECT_EQ(bitmap.cx, size.Width);
      EXPECT_EQ(bitmap.cy, size.Height);
    }
  }

  ASSERT_EQ(DetachSkin(t.Form), 1);
  for (HWND w : all) {
    EXPECT_TRUE(EnginePropNames(w).empty()) << GetWindowClassName(w);
    EXPECT_EQ(GetWindowLongPtrA(w, GWLP_WNDPROC), procs[w]) << GetWindowClassName(w);
  }
  EXPECT_EQ(GetWindowLongPtrA(t.Command1, GWL_STYLE), styles[t.Command1]);
  EXPECT_EQ(GetWindowLongPtrA(t.Disabled, GWL_STYLE), styles[t.Disabled]);
  EXPECT_EQ(GetWindowLongPtrA(t.CheckBox, GWL_STYLE), styles[t.CheckBox]);
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(t.Command1, region), ERROR) << "region left on the button";
  DeleteObject(region);
  EXPECT_EQ(SkinnedWindowCount, 0);
  EXPECT_FALSE(SkinInitialised);
  EXPECT_EQ(SkinImage1, nullptr);
  EXPECT_EQ(SkinImage5, nullptr);
  DestroyWindow(t.Form);
}

TEST(AttachSkin, SecondAttachReturnsZeroAndDoesNotProbeOrBuildAgain) {
  TestForm t = MakeForm();
  // Made before the attach: a form that becomes active next to a skinned window is skinned by
  // the activation handler, and this test needs it still unskinned.
  HWND other = skintest::CreateForm(200, 100, "second");
  ASSERT_EQ(AttachSkin(t.Form), 1);
  const int count = SkinnedWindowCount;
  // Marks that a second probe or image build would overwrite.
  HDC image = SkinImage1;
  SetPixel(SkinImage1, 0, 0, 0x00010203);
  HasUserTrackMouseEvent = false;

  EXPECT_EQ(AttachSkin(t.Form), 0);
  HWND late = skintest::CreateChild(t.Form, "Button", "late", BS_PUSHBUTTON, 10, 260, 60, 22);
  EXPECT_EQ(AttachSkin(t.Form), 0);
  EXPECT_EQ(GetSkinProp(late, kPropProcAddr), 0) << "children were enumerated again";
  EXPECT_EQ(SkinnedWindowCount, count);

  EXPECT_EQ(AttachSkin(other), 1);
  EXPECT_EQ(SkinImage1, image);
  EXPECT_EQ(GetPixel(SkinImage1, 0, 0), 0x00010203u) << "images were built again";
  EXPECT_FALSE(HasUserTrackMouseEvent) << "the probe ran again";

  EXPECT_EQ(DetachSkin(t.Form), 1);
  EXPECT_TRUE(SkinInitialised) << "images released while a window is still skinned";
  EXPECT_EQ(SkinnedWindowCount, 1);
  EXPECT_EQ(DetachSkin(other), 1);
  EXPECT_EQ(SkinnedWindowCount, 0);
  EXPECT_FALSE(SkinInitialised);

  // The next attach probes and builds afresh.
  EXPECT_EQ(AttachSkin(other), 1);
  EXPECT_TRUE(HasUserTrackMouseEvent);
  EXPECT_EQ(GetPixel(SkinImage1, 0, 0), 0x00F9E1BFu);
  DetachSkin(other);
  DestroyWindow(other);
  DestroyWindow(t.Form);
}

TEST(DetachSkin, NeverSkinnedWindowOrZeroHandleChangesNothing) {
  HWND form = skintest::CreateForm();
  HWND skinned = skintest::CreateForm(200, 100, "skinned");
  ASSERT_EQ(AttachSkin(skinned), 1);
  EXPECT_EQ(DetachSkin(form), 0);
  EXPECT_EQ(DetachSkin(nullptr), 0);
  EXPECT_EQ(AttachWindow(nullptr), 0);
  EXPECT_EQ(SkinnedWindowCount, 1);
  EXPECT_TRUE(SkinInitialised);
  DetachSkin(skinned);
  DestroyWindow(skinned);
  DestroyWindow(form);
}

TEST(AttachWindow, UnlistedClassCarriesOnlyProcAddr) {
  HWND form = skintest::CreateForm();
  HWND scroll = skintest::CreateChild(form, "ScrollBar", "", SBS_HORZ, 10, 10, 100, 17);
  ASSERT_EQ(AttachSkin(form), 1);
  EXPECT_EQ(EnginePropNames(scroll), kOnlyProcAddr);
  DetachSkin(form);
  EXPECT_TRUE(EnginePropNames(scroll).empty());
  DestroyWindow(form);
}

}  // namespace
