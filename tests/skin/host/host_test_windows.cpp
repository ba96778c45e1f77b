#include "tests/skin/host/host_test_windows.h"

#include <gtest/gtest.h>

#include <map>

#include "tests/support/test_support.h"

RecordingWindow::~RecordingWindow() { DestroyWindow(); }

std::vector<RecordedMessage> RecordingWindow::Received(UINT message) const {
  std::vector<RecordedMessage> found;
  for (const RecordedMessage& m : messages) {
    if (m.message == message) found.push_back(m);
  }
  return found;
}

bool RecordingWindow::ProcessWindowMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  messages.push_back({message, wParam, lParam});
  return handler && handler(*this, message, wParam, lParam, result);
}

void RecordingWindow::OnFinalMessage(HWND hwnd) {
  if (onFinal) onFinal(hwnd);
}

WindowClassInfo& RecordingWindow::GetWindowClassInfo() const {
  struct Entry {
    std::wstring className;
    std::wstring superclass;
    WindowClassInfo info;
  };
  static std::map<std::wstring, Entry> classes;
  const std::wstring key = superclass_ ? superclass_ : L"";
  auto found = classes.find(key);
  if (found == classes.end()) {
    found = classes.emplace(key, Entry{L"TavoraTestWindow" + key, key, {}}).first;
    Entry& entry = found->second;
    entry.info.className = entry.className.c_str();
    entry.info.superclassName = superclass_ ? entry.superclass.c_str() : nullptr;
    entry.info.background = COLOR_WINDOW + 1;
    entry.info.defaultStyle = WS_OVERLAPPEDWINDOW;
  }
  return found->second.info;
}

bool CaptureClient(HWND hwnd, DibCanvas& canvas) {
  HDC windowDc = GetDC(hwnd);
  if (!windowDc) return false;
  const bool copied = BitBlt(canvas.dc(), 0, 0, canvas.width(), canvas.height(), windowDc, 0, 0, SRCCOPY) != FALSE;
  ReleaseDC(hwnd, windowDc);
  GdiFlush();
  return copied;
}

std::unique_ptr<DibCanvas> CaptureWholeClient(HWND hwnd) {
  UpdateWindow(hwnd);
  RECT client = {};
  GetClientRect(hwnd, &client);
  auto canvas = std::make_unique<DibCanvas>(client.right, client.bottom, RGB(1, 2, 3));
  EXPECT_TRUE(CaptureClient(hwnd, *canvas));
  return canvas;
}

bool BringToFront(HWND hwnd) {
  ShowWindow(hwnd, SW_SHOW);
  SetForegroundWindow(hwnd);
  SetActiveWindow(hwnd);
  UpdateWindow(hwnd);
  return PumpUntil([hwnd] { return GetForegroundWindow() == hwnd && GetActiveWindow() == hwnd; }, 5000);
}

namespace {

INPUT KeyInput(WORD key, bool release) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
  if (release) input.ki.dwFlags |= KEYEVENTF_KEYUP;
  switch (key) {
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
    case VK_HOME:
    case VK_END:
      input.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
      break;
    default:
      break;
  }
  return input;
}

}  // namespace

void SendKeys(const std::vector<int>& strokes) {
  std::vector<INPUT> inputs;
  for (int stroke : strokes) inputs.push_back(KeyInput(static_cast<WORD>(stroke < 0 ? -stroke : stroke), stroke < 0));
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void SendUnicodeText(const std::wstring& text) {
  std::vector<INPUT> inputs;
  for (wchar_t c : text) {
    for (bool release : {false, true}) {
      INPUT input = {};
      input.type = INPUT_KEYBOARD;
      input.ki.wScan = c;
      input.ki.dwFlags = KEYEVENTF_UNICODE | (release ? KEYEVENTF_KEYUP : 0);
      inputs.push_back(input);
    }
  }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

std::wstring WindowText(HWND hwnd) {
  const int length = GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(hwnd, &text[0], length + 1);
  text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
  return text;
}
