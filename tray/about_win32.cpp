// The About box.
#include <windows.h>

#include "common/identity.h"
#include "common/version.h"
#include "tray/actions_win32.h"

namespace {

constexpr wchar_t kAboutText[] =
    L"Clickmend v" CLICKMEND_VERSION L"\n"
    L"\n"
    L"我常驻在通知区域，替用旧了的鼠标遮掩毛病：按键抖动多出来的单击和过早的释放、"
    L"滚轮抖动造成的反向滚动，都由我悄悄屏蔽。\n"
    L"\n"
    L"此外我还提供：滚轮穿透（滚轮滚动鼠标指针下方的窗口）、按住快捷键用滚轮调节音量，"
    L"以及按住快捷键用右键拖出的鼠标手势。\n"
    L"\n"
    L"各项判定间隔和鼠标手势的绑定都写在本程序旁边的同名配置文件（.ini）里，"
    L"可在菜单“设置 → 编辑配置文件”中修改。";

}  // namespace

void showAbout(HWND window) {
  MessageBoxW(window, kAboutText, kAppName, MB_ICONINFORMATION);
  InvalidateRect(window, nullptr, FALSE);
}
