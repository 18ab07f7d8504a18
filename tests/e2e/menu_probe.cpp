// menu_probe.dll: see menu_probe.h. Runs inside the process that owns the menu, on the thread
// that tracks it, and only answers the driver's registered message.
#include "menu_probe.h"

using namespace e2e;

namespace {

void Report(HMENU menu, LONG request) {
  HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, kMenuProbeMapping);
  if (!mapping) return;
  auto* report = static_cast<MenuProbeReport*>(
      MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(MenuProbeReport)));
  if (report) {
    int count = GetMenuItemCount(menu);
    report->count = count;
    for (int at = 0; at < count && at < 16; ++at) {
      ProbedMenuItem& item = report->items[at];
      item.id = GetMenuItemID(menu, at);
      item.state = GetMenuState(menu, UINT(at), MF_BYPOSITION);
      if (!GetMenuItemRect(nullptr, menu, UINT(at), &item.rect)) SetRectEmpty(&item.rect);
      if (GetMenuStringA(menu, UINT(at), item.text, sizeof item.text, MF_BYPOSITION) <= 0)
        item.text[0] = '\0';
    }
    InterlockedExchange(&report->request, request);
    UnmapViewOfFile(report);
  }
  CloseHandle(mapping);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK
    MenuProbeHook(int code, WPARAM wParam, LPARAM lParam) {
  static const UINT message = RegisterWindowMessageA(kMenuProbeMessage);
  if (code == HC_ACTION) {
    const CWPSTRUCT& sent = *reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (sent.message == message) Report(reinterpret_cast<HMENU>(sent.wParam), LONG(sent.lParam));
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
