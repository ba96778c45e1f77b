// Skinned list benchmark: one row painted from the list-item template
// (resource 106) after the owner filled its fourteen texts, and a whole page
// of 40 visible rows repainted, each compared with one 60 Hz frame (16.7 ms)
// and with a BitBlt floor of the same area. Needs a display (Xvfb under Wine).
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_setup.h"
#include "bench/bench_surface.h"
#include "bench/bench_timing.h"
#include "skin/host/list_view.h"

namespace {

constexpr UINT kListId = 2100;
constexpr int kRows = 40;
constexpr int kRowHeight = 24;
constexpr int kWidth = 900;
constexpr double kFrameSeconds = 1.0 / 60.0;
constexpr int kLongListRows = 3000;
constexpr int kScrollSteps = 20;
constexpr int kTextIds[] = {20020, 20021, 20022, 20023, 20024, 20025, 20026,
                            20027, 20028, 20029, 20111, 20112, 20113, 20114};

CBkListView* g_list = nullptr;
int g_asks = 0;

void FillRow(int row, bool selected) {
  g_list->SetElementAttribute(5, "crbg", selected ? "B7C4D4" : (row % 2 ? "A9DAF1" : "E0EDFD"));
  const std::wstring text = L"G" + std::to_wstring(1000 + row);
  for (const int id : kTextIds) g_list->SetElementText(id, text);
}

LRESULT CALLBACK OwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NOTIFY) {
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    LRESULT result = 0;
    if (header->code == static_cast<UINT>(NM_CUSTOMDRAW) &&
        ReflectNotification(hwnd, message, wParam, lParam, result)) {
      return result;
    }
    if (header->idFrom == kListId && header->code == SKLN_GETROWDATA) {
      const auto* notify = reinterpret_cast<RowDataNotify*>(lParam);
      ++g_asks;
      FillRow(notify->row, notify->selected != 0);
      return 0;
    }
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

int main() {
  if (!LoadUiStringsAndFont()) return 1;

  WNDCLASSW owner = {};
  owner.lpfnWndProc = OwnerProc;
  owner.hInstance = GetModuleHandleW(nullptr);
  owner.lpszClassName = L"TavoraListBenchOwner";
  RegisterClassW(&owner);
  const HWND frame = CreateWindowExW(0, owner.lpszClassName, L"list bench", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0,
                                     0, kWidth, kRows * kRowHeight + 60, nullptr, nullptr, owner.hInstance, nullptr);
  CBkListView list;
  g_list = &list;
  const HWND hwnd = frame ? list.Create(frame, kListId) : nullptr;
  if (!hwnd || !list.LoadTemplateResource(106)) {
    std::printf("error: no list window or no template 106 (is there a display?)\n");
    return 1;
  }
  MoveWindow(hwnd, 0, 0, kWidth, kRows * kRowHeight + 40, TRUE);
  SendMessageW(hwnd, LVM_SETITEMCOUNT, kRows, 0);
  UpdateWindow(hwnd);
  const int visible = static_cast<int>(SendMessageW(hwnd, LVM_GETCOUNTPERPAGE, 0, 0));

  const int kRuns = 9;
  const int rowWidth = kWidth - GetSystemMetrics(SM_CXVSCROLL);

  // Floors: BitBlt of one row and of the page between two DIB sections.
  Surface source(rowWidth, kRows * kRowHeight), target(rowWidth, kRows * kRowHeight);
  const int kBlits = 200;
  const double rowFloor = MedianSeconds(kRuns,
                                        [&] {
                                          for (int i = 0; i < kBlits; ++i)
                                            BitBlt(target.dc(), 0, 0, rowWidth, kRowHeight, source.dc(), 0, 0, SRCCOPY);
                                          GdiFlush();
                                        }) /
                          kBlits;
  const double pageFloor =
      MedianSeconds(kRuns,
                    [&] {
                      for (int i = 0; i < kBlits / 10; ++i) {
                        BitBlt(target.dc(), 0, 0, rowWidth, kRows * kRowHeight, source.dc(), 0, 0, SRCCOPY);
                      }
                      GdiFlush();
                    }) /
      (kBlits / 10);

  // One row: the owner fills the template, the template paints into a row
  // bitmap, the bitmap goes to the window.
  const int kRowRepeats = 50;
  const double row = MedianSeconds(kRuns,
                                   [&] {
                                     for (int i = 0; i < kRowRepeats; ++i) {
                                       SendMessageW(hwnd, LVM_REDRAWITEMS, i % visible, i % visible);
                                       UpdateWindow(hwnd);
                                     }
                                   }) /
                     kRowRepeats;

  g_asks = 0;
  const double page = MedianSeconds(kRuns, [&] {
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
  });
  const int asksPerPage = g_asks / kRuns;

  std::printf("Skinned list, template 106, %d x %d rows, median of %d runs\n", rowWidth, kRowHeight, kRuns);
  std::printf("%-34s %12s %14s %12s\n", "what", "us", "x BitBlt floor", "x 60 Hz frame");
  std::printf("%-34s %12.1f %14.2f %12.4f\n", "one row (fill, paint, copy)", row * 1e6, row / rowFloor,
              row / kFrameSeconds);
  char name[64];
  std::snprintf(name, sizeof(name), "page of %d visible rows", visible);
  std::printf("%-34s %12.1f %14.2f %12.4f\n", name, page * 1e6, page / pageFloor, page / kFrameSeconds);
  std::printf("owner asked %d times per page repaint\n", asksPerPage);
  std::printf("floors: row BitBlt %.1f us, page BitBlt %.1f us; frame %.0f us\n", rowFloor * 1e6, pageFloor * 1e6,
              kFrameSeconds * 1e6);

  // Scrolling a long list: each step should ask the owner only for the rows
  // it exposes (a page down exposes a whole page, three rows down three).
  SendMessageW(hwnd, LVM_SETITEMCOUNT, kLongListRows, 0);
  UpdateWindow(hwnd);
  std::printf("\nScrolling %d rows, %d steps each, median per step\n", kLongListRows, kScrollSteps);
  std::printf("%-34s %12s %14s %12s %10s\n", "what", "us", "x page floor", "asks/step", "exposed");
  const struct {
    const char* name;
    int rows;  // rows a step moves
  } scrolls[] = {{"page down (WM_VSCROLL SB_PAGEDOWN)", 0}, {"three rows down (LVM_SCROLL)", 3}};
  for (const auto& scroll : scrolls) {
    SendMessageW(hwnd, LVM_ENSUREVISIBLE, 0, FALSE);
    UpdateWindow(hwnd);
    const int exposed = scroll.rows ? scroll.rows : visible;
    g_asks = 0;
    std::vector<double> steps;
    for (int i = 0; i < kScrollSteps; ++i) {
      const double start = Now();
      if (scroll.rows)
        SendMessageW(hwnd, LVM_SCROLL, 0, scroll.rows * kRowHeight);
      else
        SendMessageW(hwnd, WM_VSCROLL, SB_PAGEDOWN, 0);
      UpdateWindow(hwnd);
      GdiFlush();
      steps.push_back(Now() - start);
    }
    std::sort(steps.begin(), steps.end());
    const double step = steps[steps.size() / 2];
    std::printf("%-34s %12.1f %14.2f %12.1f %10d\n", scroll.name, step * 1e6, step / pageFloor,
                static_cast<double>(g_asks) / kScrollSteps, exposed);
  }
  DestroyWindow(frame);
  return 0;
}
