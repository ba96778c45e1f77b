// Helpers for the tests of the dialog view and the skinned frame: the
// program's skin resources, real mouse input, and a census of live GDI
// objects.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "skin/host/view_notifications.h"

// Strings 102, the default font, skins 100 and styles 101, in start-up order.
bool LoadProgramSkinResources();

// Real mouse input through SendInput at screen point (x, y).
void SendMouseMove(int x, int y);
void SendMouseButton(bool down);
// Moves there, presses and releases.
void SendClick(int x, int y);

// Number of GDI objects of this process that exist now (every handle slot
// probed with GetObjectType), for checking that an operation releases what it
// creates.
int CountLiveGdiObjects();

// One SKN_COMMAND as the parent saw it.
struct ReceivedCommand {
  UINT_PTR from;
  int item;
  std::string itemClass;
};

// The record of a WM_NOTIFY with code SKN_COMMAND; false for anything else.
bool ReadCommand(LPARAM lParam, ReceivedCommand& command);
