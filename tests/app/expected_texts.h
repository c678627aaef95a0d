// What the user must see, written out here independently of the program's own tables.
#pragma once

namespace apptest {

inline constexpr wchar_t kExpectedHelpText[] =
    L"把要生成的文件放入同一目录,按'导入文件'按钮,弹出选择目录对话框,选择你要导入的文件目录,"
    L"把文件导入"
    L"下面的文件框,然后按'转换生成'按钮,过几秒在你要生成的目录中查看生成CHM文件。文件中添加'<title>"
    L"你的"
    L"章节名</title>'可生成电子书章节名。如有网页连接图片请放在同一目录下。";
inline constexpr wchar_t kExpectedEmptyListText[] = L"**加载文件后再转换吧!:)**";
inline constexpr wchar_t kExpectedEmptyListTitle[] = L"提示:)";

struct ExpectedControl {
  int id;
  const wchar_t* window_class;
  int left, top, width, height;  // pixels: the designed twips divided by 15
  const wchar_t* text;
  bool client_edge;
};

// Command1, Command2, File1, Text1, Label1, Image1, in creation (tab) order.
inline constexpr ExpectedControl kExpectedControls[] = {
    {1001, L"Button", 40, 72, 177, 33, L"导入html,htm,mht,txt文件夹", false},
    {1002, L"Button", 304, 72, 145, 33, L"转  换  生  成", false},
    {1003, L"ListBox", 8, 120, 481, 234, L"", true},
    {1004, L"Edit", 136, 24, 241, 18, L"电子书", true},
    {1005, L"Static", 32, 24, 105, 17, L"文件及标题名称:", false},
    {1006, L"Static", 392, 24, 42, 17, L"", false},
};

}  // namespace apptest
