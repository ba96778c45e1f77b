// Dialog view benchmark: painting the program's main layer (680 x 430, header
// and footer fragments included) through the view's off-screen bitmap, against
// one BitBlt of the same size. Needs an X display (the view is a real window).
// Prints medians of several runs, and where a full repaint goes by element
// kind; "--elements" lists every element's time as well.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "bench/bench_surface.h"
#include "bench/bench_timing.h"
#include "skin/host/dialog_frame.h"
#include "skin/resources/bk_string.h"
#include "skin/resources/font_pool.h"
#include "skin/resources/skin_pool.h"
#include "skin/resources/style.h"
#include "skin/tree/containers.h"

namespace {

constexpr int kWidth = 680;
constexpr int kHeight = 430;
constexpr int kRuns = 41;
constexpr int kSearchButton = 10000;

void Row(const char* what, double seconds, double floor) {
  std::printf("%-44s %10.1f %8.2f\n", what, seconds * 1e6, seconds / floor);
}

// Time of each leaf element's own paint (background and content), summed
// by tag; containers paint their backgrounds only, counted under their tag
// as the container's whole paint minus its children's.
// With `list`, every element's line is printed too, indented by depth.
void TimeLeaves(CBkWindow* element, HDC dc, std::map<std::string, double>& byTag, bool list, int depth = 0) {
  if (!element || depth > 64) return;
  const double self = MedianSeconds(kRuns, [&] {
    element->PaintInRegion(dc, nullptr);
    GdiFlush();
  });
  double children = 0;
  if (auto* container = dynamic_cast<CBkPanel*>(element)) {
    for (size_t i = 0; i < container->ChildCount(); ++i) {
      std::map<std::string, double> inner;
      TimeLeaves(container->ChildAt(i), dc, inner, list, depth + 1);
      for (const auto& entry : inner) {
        byTag[entry.first] += entry.second;
        children += entry.second;
      }
    }
  }
  byTag[element->GetTag()] += self > children ? self - children : 0;
  if (list) {
    const RECT& r = element->GetRect();
    std::printf("%*s%s id %d (%ld,%ld)-(%ld,%ld): whole %.1f us, children %.1f us\n", depth * 2, "", element->GetTag(),
                element->GetElementId(), r.left, r.top, r.right, r.bottom, self * 1e6, children * 1e6);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const bool listElements = argc > 1 && std::strcmp(argv[1], "--elements") == 0;
  if (!LoadStrings(102)) return 1;
  BkFontPool::SetDefaultFont(GetString(0), -12);
  if (!LoadSkins(100) || !LoadStyles(101)) return 1;
  CBkDialogImpl frame(103);
  if (!frame.Create(nullptr)) {
    std::printf("skipped: no window could be created (run under an X display)\n");
    return 0;
  }
  CBkDialogView& view = frame.GetView();
  Surface source(kWidth, kHeight);
  Surface target(kWidth, kHeight);
  if (!source.valid() || !target.valid()) return 1;

  const double blit = MedianSeconds(kRuns, [&] {
    BitBlt(target.dc(), 0, 0, kWidth, kHeight, source.dc(), 0, 0, SRCCOPY);
    GdiFlush();
  });
  const double full = MedianSeconds(kRuns, [&] {
    view.RedrawAll();
    view.PaintTo(target.dc());
    GdiFlush();
  });
  const double expose = MedianSeconds(kRuns, [&] {
    view.PaintTo(target.dc());
    GdiFlush();
  });
  const CBkWindow* search = view.FindElement(kSearchButton);
  const double element = MedianSeconds(kRuns, [&] {
    view.RedrawElement(search, false);
    view.PaintTo(target.dc());
    GdiFlush();
  });

  std::printf("Dialog view: main layer 103 (%d x %d) painted through the view, against one BitBlt\n", kWidth, kHeight);
  std::printf("median of %d runs; target ratio for the full repaint 5.0 or less\n", kRuns);
  std::printf("%-44s %10s %8s\n", "operation", "us", "ratio");
  Row("one BitBlt 680 x 430 (floor)", blit, blit);
  Row("full repaint + copy", full, blit);
  Row("expose without changes (copy only)", expose, blit);
  Row("search button repaint + copy", element, blit);

  std::map<std::string, double> byTag;
  for (int i = 0; i < 3; ++i) TimeLeaves(view.Section(i), target.dc(), byTag, listElements);
  std::printf("\nwhere the full repaint goes, by element kind (own paint, children excluded)\n");
  for (const auto& entry : byTag) Row(entry.first.c_str(), entry.second, blit);
  return 0;
}
