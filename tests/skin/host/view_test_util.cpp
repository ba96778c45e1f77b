#include "tests/skin/host/view_test_util.h"

#include "skin/resources/bk_string.h"
#include "skin/resources/font_pool.h"
#include "skin/resources/skin_pool.h"
#include "skin/resources/skin_resource.h"
#include "skin/resources/style.h"

bool LoadProgramSkinResources() {
  SetSkinFolder(L"");
  if (!LoadStrings(102)) return false;
  BkFontPool::SetDefaultFont(GetString(0), -12);
  return LoadSkins(100) && LoadStyles(101);
}

namespace {

void SendMouse(DWORD flags, int x, int y) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  if (flags & MOUSEEVENTF_ABSOLUTE) {
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    input.mi.dx = static_cast<LONG>((x * 65536LL + width / 2) / width);
    input.mi.dy = static_cast<LONG>((y * 65536LL + height / 2) / height);
  }
  SendInput(1, &input, sizeof(INPUT));
}

}  // namespace

void SendMouseMove(int x, int y) { SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, x, y); }

void SendMouseButton(bool down) { SendMouse(down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP, 0, 0); }

void SendClick(int x, int y) {
  SendMouseMove(x, y);
  SendMouseButton(true);
  SendMouseButton(false);
}

int CountLiveGdiObjects() {
  // Handle values without their upper word name the slot alone.
  int count = 0;
  for (UINT_PTR slot = 1; slot < 0x10000; ++slot) count += GetObjectType(reinterpret_cast<HGDIOBJ>(slot)) != 0;
  return count;
}

bool ReadCommand(LPARAM lParam, ReceivedCommand& command) {
  const auto* notify = reinterpret_cast<const CommandNotify*>(lParam);
  if (!notify || notify->hdr.code != SKN_COMMAND) return false;
  command.from = notify->hdr.idFrom;
  command.item = notify->uItemID;
  command.itemClass = notify->szItemClass ? notify->szItemClass : "";
  return true;
}
