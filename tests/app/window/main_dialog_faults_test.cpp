// The main window in this process under every broken answer the demo site
// can give, and over a long run: each fault ends the query and the busy
// state, leaves the list with the previous rows or the new ones, and the
// window answers messages throughout; a thousand queries and ten thousand
// repaints leave GDI objects, windows and private bytes where they were.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/window/main_dialog.h"
#include "tests/app/update/update_test_util.h"
#include "tests/app/window/main_dialog_fixture.h"
#include "tests/skin/host/view_test_util.h"
#include "tests/support/demo_site.h"
#include "tests/support/test_support.h"

namespace {

// Generous: a window that does not answer within this is hung, not slow.
constexpr DWORD kAnswerLimitMs = 5000;

// Asks a window for WM_NULL from another thread, again and again, and keeps
// the longest wait for its answer.
class AnswerWatch {
 public:
  explicit AnswerWatch(HWND window) : window_(window), thread_([this] { Run(); }) {}
  ~AnswerWatch() {
    stop_ = true;
    thread_.join();
  }
  AnswerWatch(const AnswerWatch&) = delete;
  AnswerWatch& operator=(const AnswerWatch&) = delete;

  double WorstMs() const { return worstUs_ / 1000.0; }
  int Unanswered() const { return unanswered_; }
  int Asked() const { return asked_; }

 private:
  void Run() {
    while (!stop_) {
      const auto start = std::chrono::steady_clock::now();
      DWORD_PTR answer = 0;
      const LRESULT sent =
          SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kAnswerLimitMs, &answer);
      const auto waited =
          std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count();
      ++asked_;
      if (!sent) ++unanswered_;
      worstUs_ = std::max<long long>(worstUs_, waited);
      Sleep(10);
    }
  }

  HWND window_;
  std::atomic<bool> stop_{false};
  std::atomic<long long> worstUs_{0};
  std::atomic<int> unanswered_{0};
  std::atomic<int> asked_{0};
  std::thread thread_;
};

// Bytes of committed private memory: the process's PrivateUsage when the
// system reports it (Wine 8 reports 0), else the sum of committed private
// regions of the address space.
SIZE_T PrivateBytes() {
  PROCESS_MEMORY_COUNTERS_EX memory = {};
  memory.cb = sizeof(memory);
  if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                           sizeof(memory)) &&
      memory.PrivateUsage != 0)
    return memory.PrivateUsage;
  SIZE_T committed = 0;
  MEMORY_BASIC_INFORMATION region = {};
  for (const char* at = nullptr; VirtualQuery(at, &region, sizeof(region)) == sizeof(region);) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) committed += region.RegionSize;
    const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
    if (next <= at) break;
    at = next;
  }
  return committed;
}

BOOL CALLBACK CountWindow(HWND, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  return TRUE;
}

std::vector<std::vector<std::wstring>> TextsOf(const std::vector<TicketRow>& rows) {
  std::vector<std::vector<std::wstring>> texts;
  for (const TicketRow& row : rows) texts.push_back(RowTexts(row));
  return texts;
}

class MainDialogFaultTest : public MainDialogFixture {};

}  // namespace

TEST_F(MainDialogFaultTest, EveryFaultEndsTheQueryWithThePreviousRowsOrTheNewOnes) {
  // A page the client does not take (no Content-Length, a length over its
  // limit, a body cut short or at a zero byte), that has no result table, or
  // that holds more trains or markup than an answer may leaves the rows as
  // they were; empty rows among the trains are skipped.
  enum Outcome { Previous, New };
  const struct {
    const wchar_t* from;
    Outcome outcome;
  } cases[] = {
      {L"fault-wire-404", Previous},          {L"fault-wire-redirect", New},     {L"fault-wire-zero", Previous},
      {L"fault-wire-chunked", Previous},      {L"fault-wire-short", New},        {L"fault-wire-nul", Previous},
      {L"fault-wire-trickle", New},           {L"fault-wire-hugelen", Previous}, {L"fault-wire-closemid", Previous},
      {L"fault-wire-hang", Previous},         {L"fault-deep", Previous},         {L"fault-headerOnly", New},
      {L"fault-noSibling", Previous},         {L"fault-hiddenDeep", Previous},   {L"fault-attributes", Previous},
      {L"fault-rows-10001", Previous},        {L"fault-emptyRows-100000", New},  {L"fault-emptyRows-3300000", Previous},
      {L"fault-emptyRows-6700000", Previous}, {L"fault-wire-offsite", Previous},
  };
  auto dialog = MakeDialog();
  CQueryPage& page = dialog->QueryPage();
  // The rows every wire fault carries when it arrives whole.
  ASSERT_TRUE(Query(*dialog, L"北京", L"上海"));
  const auto beijing = TextsOf(page.Rows());
  ASSERT_EQ(32u, beijing.size());

  double worstMs = 0;
  for (const auto& c : cases) {
    // Three known rows before each fault.
    ASSERT_TRUE(Query(*dialog, L"fault-rows-3", L"上海")) << c.from;
    const auto previous = TextsOf(page.Rows());
    ASSERT_EQ(3u, previous.size()) << c.from;

    AnswerWatch watch(dialog->GetHwnd());
    const bool ended = Query(*dialog, c.from, L"上海");
    PumpUntil([&] { return watch.Asked() > 2; }, 1000);
    worstMs = std::max(worstMs, watch.WorstMs());
    std::printf("%-22ls %zu rows, window answered %d times, worst %.1f ms\n", c.from, page.Rows().size(),
                watch.Asked(), watch.WorstMs());

    EXPECT_TRUE(ended) << c.from;
    EXPECT_FALSE(Busy(*dialog)) << c.from;
    EXPECT_TRUE(dialog->GetView().FindElement(CQueryPage::kSearchButton)->IsVisible(false)) << c.from;
    EXPECT_EQ(0, watch.Unanswered()) << c.from;
    const auto now = TextsOf(page.Rows());
    const bool isNew = c.from == std::wstring(L"fault-headerOnly") ? now.empty() : now == beijing;
    EXPECT_TRUE(now == previous || isNew) << c.from << ": " << now.size() << " rows";
    EXPECT_EQ(c.outcome == New, isNew) << c.from;
    EXPECT_EQ(ListItemCount(now.size()), ItemCount(*dialog)) << c.from;
  }
  std::printf("worst answer time of the window during a fault: %.1f ms\n", worstMs);
}

// Queries alternating between 32 rows and 3, each followed by ten full
// repaints of the window: a thousand in the long run, fifty otherwise.
TEST_F(MainDialogFaultTest, QueriesAndRepaintsLeaveNothingBehind) {
  const int kQueries = LongOrShortRun(1000, 50);
  constexpr int kRepaintsPerQuery = 10;
  const int kWarmUp = kQueries / 10;
  auto dialog = MakeDialog();
  const HWND window = dialog->GetHwnd();

  struct Census {
    int gdiObjects;
    int windows;
    SIZE_T privateBytes;
  };
  const auto census = [&] {
    int windows = 1;
    EnumChildWindows(window, CountWindow, reinterpret_cast<LPARAM>(&windows));
    return Census{CountLiveGdiObjects(), windows, PrivateBytes()};
  };

  Census warm = {};
  for (int i = 0; i < kQueries; ++i) {
    const bool many = i % 2 == 0;
    ASSERT_TRUE(Query(*dialog, many ? L"北京" : L"fault-rows-3", L"上海")) << i;
    ASSERT_EQ(many ? 32u : 3u, dialog->QueryPage().Rows().size()) << i;
    for (int r = 0; r < kRepaintsPerQuery; ++r)
      RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    if (i + 1 == kWarmUp) warm = census();
  }
  const Census end = census();
  std::printf("after warm-up: %d GDI objects, %d windows, %zu private bytes\n", warm.gdiObjects, warm.windows,
              static_cast<size_t>(warm.privateBytes));
  std::printf("at the end:    %d GDI objects, %d windows, %zu private bytes (%+.2f%%)\n", end.gdiObjects,
              end.windows, static_cast<size_t>(end.privateBytes),
              100.0 * (static_cast<double>(end.privateBytes) - warm.privateBytes) / warm.privateBytes);
  EXPECT_EQ(kQueries, CountLines(SharedDemoSite().RequestLog(), "GET /Default.aspx"));
  ASSERT_GT(warm.gdiObjects, 0);
  ASSERT_GT(warm.privateBytes, 0u);
  EXPECT_LE(end.gdiObjects * 100, warm.gdiObjects * 101);
  EXPECT_EQ(warm.windows, end.windows);
  EXPECT_LE(end.privateBytes, warm.privateBytes + warm.privateBytes / 100);
}
