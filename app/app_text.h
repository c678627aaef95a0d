// The user-facing texts of the main window, in one place.
#pragma once

namespace app {

inline constexpr wchar_t kFormCaption[] = L"Folivane";
inline constexpr wchar_t kImportCaption[] = L"导入html,htm,mht,txt文件夹";
// Two blanks between each pair of the four characters.
inline constexpr wchar_t kBuildCaption[] = L"转  换  生  成";
inline constexpr wchar_t kDefaultBookName[] = L"电子书";
inline constexpr wchar_t kBookNameLabel[] = L"文件及标题名称:";

inline constexpr wchar_t kHelpTitle[] = L"帮助";
inline constexpr wchar_t kHelpText[] =
    L"把要生成的文件放入同一目录,按'导入文件'按钮,弹出选择目录对话框,选择你要导入的文件目录,"
    L"把文件导入下面的文件框,然后按'转换生成'按钮,过几秒在你要生成的目录中查看生成CHM文件。"
    L"文件中添加'<title>你的章节名</title>'可生成电子书章节名。如有网页连接图片请放在同一目录下。";

// Start-up could not place the help tools next to the program.
inline constexpr wchar_t kDeployFailedTitle[] = L"Folivane";
inline constexpr wchar_t kDeployFailedHead[] = L"没能在程序所在的文件夹中放好帮助编译器文件:";
inline constexpr wchar_t kDeployFailedTail[] =
    L"程序照常运行, 但在该文件夹中放好 hhc.exe 和 hha.dll 之前, 转换生成时会报告找不到编译器。";
inline constexpr wchar_t kMissingResource[] = L"程序中缺少这个文件的资源";

}  // namespace app
