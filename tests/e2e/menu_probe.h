// The menu probe: a small DLL that the driver hooks into the thread of a process showing a
// popup menu, to read the menu there. Under Wine no other process can read a menu's items
// (GetMenuItemCount on another process's menu gives -1). The driver sends the popup window the
// registered message kMenuProbeMessage with the menu in wParam and a request number in lParam;
// the probe's WH_CALLWNDPROC hook fills the shared report and sets `request` last.
#pragma once

#include <windows.h>

namespace e2e {

const char* const kMenuProbeDll = "menu_probe.dll";
const char* const kMenuProbeHook = "MenuProbeHook";
const char* const kMenuProbeMessage = "Zorvik.e2e.MenuProbe";
const char* const kMenuProbeMapping = "Local\\ZorvikE2eMenuProbe";

struct ProbedMenuItem {
  UINT id;
  UINT state;  // GetMenuState by position
  RECT rect;   // GetMenuItemRect, screen coordinates
  char text[128];
};

struct MenuProbeReport {
  LONG request;  // the lParam of the request this answers
  LONG count;    // GetMenuItemCount: -1 when the menu could not be read
  ProbedMenuItem items[16];
};

}  // namespace e2e
