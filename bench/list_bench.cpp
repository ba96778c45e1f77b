// Skinned list benchmark: one row painted from the list-item template
// (resource 106) after the owner filled its fourteen texts, a whole page of
// 40 visible rows repainted, and a list of 3,000 rows scrolled, each compared
// with one 60 Hz frame (16.7 ms) and with floors: a BitBlt of the same area,
// the fourteen DrawTextW calls of a row alone, and the same native list
// window whose custom draw only copies a ready row (what the system's list
// costs around our drawing). Needs a display (Xvfb under Wine).
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
constexpr UINT kFloorListId = 2101;
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
HDC g_readyRow = nullptr;  // the floor list's row picture

void FillRow(int row, bool selected) {
  g_list->SetElementAttribute(5, "crbg", selected ? "B7C4D4" : (row % 2 ? "A9DAF1" : "E0EDFD"));
  const std::wstring text = L"G" + std::to_wstring(1000 + row);
  for (const int id : kTextIds) g_list->SetElementText(id, text);
}

LRESULT CALLBACK OwnerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NOTIFY) {
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (header->idFrom == kFloorListId && header->code == static_cast<UINT>(NM_CUSTOMDRAW)) {
      auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(lParam);
      if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
      if (draw->nmcd.dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
      ++g_asks;
      RECT bounds = {LVIR_BOUNDS, 0, 0, 0};
      SendMessageW(header->hwndFrom, LVM_GETITEMRECT, draw->nmcd.dwItemSpec, reinterpret_cast<LPARAM>(&bounds));
      BitBlt(draw->nmcd.hdc, bounds.left, bounds.top, bounds.right - bounds.left, kRowHeight, g_readyRow, 0, 0,
             SRCCOPY);
      return CDRF_SKIPDEFAULT;
    }
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

struct Figures {
  double row = 0, page = 0;
  int asksPerPage = 0;
  struct Step {
    double seconds = 0, asks = 0;
  } pageDown, threeRows;
};

// One row redrawn, a page repainted, and a long list scrolled by pages and
// by three rows, on either list window.
Figures Measure(HWND hwnd, int visible) {
  const int kRuns = 9;
  Figures figures;
  SendMessageW(hwnd, LVM_SETITEMCOUNT, kRows, 0);
  UpdateWindow(hwnd);
  const int kRowRepeats = 50;
  figures.row = MedianSeconds(kRuns,
                              [&] {
                                for (int i = 0; i < kRowRepeats; ++i) {
                                  SendMessageW(hwnd, LVM_REDRAWITEMS, i % visible, i % visible);
                                  UpdateWindow(hwnd);
                                }
                              }) /
                kRowRepeats;
  g_asks = 0;
  figures.page = MedianSeconds(kRuns, [&] {
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
  });
  figures.asksPerPage = g_asks / kRuns;

  SendMessageW(hwnd, LVM_SETITEMCOUNT, kLongListRows, 0);
  UpdateWindow(hwnd);
  for (Figures::Step* step : {&figures.pageDown, &figures.threeRows}) {
    const int rows = step == &figures.threeRows ? 3 : 0;
    SendMessageW(hwnd, LVM_ENSUREVISIBLE, 0, FALSE);
    UpdateWindow(hwnd);
    g_asks = 0;
    std::vector<double> steps;
    for (int i = 0; i < kScrollSteps; ++i) {
      const double start = Now();
      if (rows)
        SendMessageW(hwnd, LVM_SCROLL, 0, rows * kRowHeight);
      else
        SendMessageW(hwnd, WM_VSCROLL, SB_PAGEDOWN, 0);
      UpdateWindow(hwnd);
      GdiFlush();
      steps.push_back(Now() - start);
    }
    std::sort(steps.begin(), steps.end());
    step->seconds = steps[steps.size() / 2];
    step->asks = static_cast<double>(g_asks) / kScrollSteps;
  }
  return figures;
}

// A native list of the same style, size and row height, with one column as
// wide as the row.
HWND CreateFloorList(HWND frame, int rowWidth) {
  const HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", CBkListView::kStyle, 0, 0, kWidth, kRows * kRowHeight + 40,
                                    frame, reinterpret_cast<HMENU>(kFloorListId), GetModuleHandleW(nullptr), nullptr);
  if (!list) return nullptr;
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  LVCOLUMNW column = {};
  column.mask = LVCF_WIDTH;
  column.cx = rowWidth;
  SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
  // The row height comes from the small image list, as in the skinned list.
  SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL,
               reinterpret_cast<LPARAM>(ImageList_Create(1, kRowHeight - 1, ILC_COLOR24, 1, 0)));
  return list;
}

void PrintRow(const char* what, double seconds, double floor, double frameShare = -1) {
  std::printf("%-40s %10.1f %10.2f", what, seconds * 1e6, seconds / floor);
  if (frameShare >= 0) std::printf(" %10.4f", frameShare);
  std::printf("\n");
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

  // Floor: the row's fourteen texts drawn with the template's format and the
  // UI font into a row-sized DIB, each in its cell, and nothing else.
  const int cells[][2] = {{0, 50},    {50, 120},  {120, 190}, {190, 240}, {240, 290}, {290, 370}, {370, 450},
                          {450, 490}, {490, 530}, {530, 580}, {580, 620}, {620, 740}, {740, 820}, {820, 870}};
  SetBkMode(target.dc(), TRANSPARENT);
  const HGDIOBJ oldFont = SelectObject(target.dc(), BkFontPool::GetFont(0));
  const double textFloor =
      MedianSeconds(kRuns,
                    [&] {
                      for (int i = 0; i < 20; ++i) {
                        const std::wstring text = L"G" + std::to_wstring(1000 + i);
                        for (const auto& cell : cells) {
                          RECT area = {cell[0] + 2, 0, cell[1], kRowHeight};
                          DrawTextW(target.dc(), text.c_str(), static_cast<int>(text.size()), &area, 0x8034);
                        }
                      }
                      GdiFlush();
                    }) /
      20;
  SelectObject(target.dc(), oldFont);

  const Figures skinned = Measure(hwnd, visible);

  // The floor list copies a ready row: painted once by the skinned list.
  Surface readyRow(rowWidth, kRowHeight);
  g_readyRow = readyRow.dc();
  PrintWindow(hwnd, readyRow.dc(), PW_CLIENTONLY);
  ShowWindow(hwnd, SW_HIDE);
  const HWND floorList = CreateFloorList(frame, rowWidth);
  if (!floorList) {
    std::printf("error: no native list window\n");
    return 1;
  }
  const Figures native = Measure(floorList, visible);

  std::printf("Skinned list, template 106, %d x %d rows, median of %d runs\n", rowWidth, kRowHeight, kRuns);
  std::printf("floors: row BitBlt %.1f us, page BitBlt %.1f us, the row's 14 DrawTextW %.1f us; frame %.0f us\n",
              rowFloor * 1e6, pageFloor * 1e6, textFloor * 1e6, kFrameSeconds * 1e6);
  std::printf("native list: the same list window whose custom draw only copies a ready row\n\n");
  std::printf("%-40s %10s %10s %10s\n", "what", "us", "x floor", "x frame");
  PrintRow("one row (fill, paint, copy)", skinned.row, rowFloor, skinned.row / kFrameSeconds);
  PrintRow("  native list, one row", native.row, rowFloor);
  PrintRow("  ours: one row - native list row", skinned.row - native.row, rowFloor);
  PrintRow("  of ours, the row's texts alone", textFloor, rowFloor);
  char name[64];
  std::snprintf(name, sizeof(name), "page of %d visible rows", visible);
  PrintRow(name, skinned.page, pageFloor, skinned.page / kFrameSeconds);
  PrintRow("  native list, page", native.page, pageFloor);
  PrintRow("  ours: page - native list page", skinned.page - native.page, pageFloor);
  PrintRow("  of ours, the rows' texts alone", visible * textFloor, pageFloor);
  std::printf("owner asked %d times per page repaint (native list: %d)\n", skinned.asksPerPage, native.asksPerPage);

  std::printf("\nScrolling %d rows, %d steps each, median per step; ratio to the page BitBlt floor\n", kLongListRows,
              kScrollSteps);
  std::printf("%-40s %10s %10s %10s %10s\n", "what", "us", "x floor", "x frame", "asks/step");
  const struct {
    const char* name;
    const char* nativeName;
    Figures::Step Figures::*step;
  } scrolls[] = {{"page down (WM_VSCROLL SB_PAGEDOWN)", "  native list, page down", &Figures::pageDown},
                 {"three rows down (LVM_SCROLL)", "  native list, three rows down", &Figures::threeRows}};
  for (const auto& scroll : scrolls) {
    const Figures::Step& ours = skinned.*scroll.step;
    const Figures::Step& floor = native.*scroll.step;
    std::printf("%-40s %10.1f %10.2f %10.4f %10.1f\n", scroll.name, ours.seconds * 1e6, ours.seconds / pageFloor,
                ours.seconds / kFrameSeconds, ours.asks);
    std::printf("%-40s %10.1f %10.2f %10.4f %10.1f\n", scroll.nativeName, floor.seconds * 1e6,
                floor.seconds / pageFloor, floor.seconds / kFrameSeconds, floor.asks);
  }
  DestroyWindow(frame);
  return 0;
}
