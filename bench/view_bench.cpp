// Dialog view benchmark: painting the program's main layer (680 x 430, header
// and footer fragments included) through the view's off-screen bitmap, against
// one BitBlt of the same size. Needs an X display (the view is a real window).
// Prints medians of several runs, and where a full repaint goes by element
// kind beside what Wine's text drawing alone costs for the same labels;
// "--elements" lists every element's time as well. The floor copies the
// view's own picture (see bench_surface.h on pictures nobody wrote).
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "bench/bench_surface.h"
#include "bench/bench_timing.h"
#include "skin/host/dialog_frame.h"
#include "skin/resources/bk_string.h"
#include "skin/resources/font_pool.h"
#include "skin/resources/skin_pool.h"
#include "skin/resources/style.h"
#include "skin/tree/containers.h"
#include "skin/tree/tab_control.h"

namespace {

constexpr int kWidth = 680;
constexpr int kHeight = 430;
constexpr int kRuns = 41;
constexpr int kSearchButton = 10000;

void Row(const char* what, double seconds, double floor) {
  std::printf("%-44s %10.1f %8.2f\n", what, seconds * 1e6, seconds / floor);
}

// The text calls alone for the labels `element` draws itself (its text, or
// a tab control's titles), in its rectangles and font: DrawTextW, and the one
// ExtTextOutW each label needs at least (Wine's share of the element's
// paint). 0 without labels.
struct TextFloors {
  double drawText = 0;
  double textOut = 0;
};

TextFloors TextFloor(CBkWindow* element, HDC dc) {
  std::vector<std::pair<std::wstring, RECT>> labels;
  if (!element->GetText().empty() && !dynamic_cast<CBkPanel*>(element))
    labels.emplace_back(element->GetText(), element->GetRect());
  if (auto* tabs = dynamic_cast<CBkTabCtrl*>(element)) {
    for (size_t i = 0; i < tabs->TabCount(); ++i) {
      RECT head;
      if (tabs->HeadRect(static_cast<int>(i), head))
        labels.emplace_back(tabs->GetTab(static_cast<int>(i))->Title(), head);
    }
  }
  TextFloors floors;
  if (labels.empty()) return floors;
  const HFONT font = element->GetStyle().font;
  const HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
  floors.drawText = MedianSeconds(kRuns, [&] {
    for (auto& label : labels) {
      RECT area = label.second;
      DrawTextW(dc, label.first.c_str(), static_cast<int>(label.first.size()), &area, DT_SINGLELINE | DT_VCENTER);
    }
    GdiFlush();
  });
  floors.textOut = MedianSeconds(kRuns, [&] {
    for (auto& label : labels) {
      ExtTextOutW(dc, label.second.left, label.second.top, ETO_CLIPPED, &label.second, label.first.c_str(),
                  static_cast<UINT>(label.first.size()), nullptr);
    }
    GdiFlush();
  });
  if (old) SelectObject(dc, old);
  return floors;
}

// Time of each leaf element's own paint (background and content), summed
// by tag; containers paint their backgrounds only, counted under their tag
// as the container's whole paint minus its children's.
// With `list`, every element's line is printed too, indented by depth.
void TimeLeaves(CBkWindow* element, HDC dc, std::map<std::string, double>& byTag,
                std::map<std::string, TextFloors>& textByTag, bool list, int depth = 0) {
  if (!element || depth > 64) return;
  const double self = MedianSeconds(kRuns, [&] {
    element->PaintInRegion(dc, nullptr);
    GdiFlush();
  });
  double children = 0;
  if (auto* container = dynamic_cast<CBkPanel*>(element)) {
    for (size_t i = 0; i < container->ChildCount(); ++i) {
      std::map<std::string, double> inner;
      TimeLeaves(container->ChildAt(i), dc, inner, textByTag, list, depth + 1);
      for (const auto& entry : inner) {
        byTag[entry.first] += entry.second;
        children += entry.second;
      }
    }
  }
  byTag[element->GetTag()] += self > children ? self - children : 0;
  const TextFloors floors = TextFloor(element, dc);
  textByTag[element->GetTag()].drawText += floors.drawText;
  textByTag[element->GetTag()].textOut += floors.textOut;
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

  double blit = MedianSeconds(kRuns, [&] {
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

  // The floor's source holds the view's own picture.
  view.PaintTo(source.dc());
  blit = MedianSeconds(kRuns, [&] {
    BitBlt(target.dc(), 0, 0, kWidth, kHeight, source.dc(), 0, 0, SRCCOPY);
    GdiFlush();
  });
  // What RedrawAll asks of the system: one invalidation, a round trip to the
  // Wine server.
  const double invalidate = MedianSeconds(kRuns, [&] { InvalidateRect(view.GetHwnd(), nullptr, FALSE); });

  std::printf("Dialog view: main layer 103 (%d x %d) painted through the view, against one BitBlt\n", kWidth, kHeight);
  std::printf("median of %d runs; target ratio for the full repaint 10.0 or less\n", kRuns);
  std::printf("%-44s %10s %8s\n", "operation", "us", "ratio");
  Row("one BitBlt 680 x 430 (floor)", blit, blit);
  Row("full repaint + copy", full, blit);
  Row("  of which Wine: the invalidation alone", invalidate, blit);
  Row("expose without changes (copy only)", expose, blit);
  Row("search button repaint + copy", element, blit);

  // Elements are timed in the state the view paints them in: its font, and
  // text drawn without a background.
  const int saved = SaveDC(target.dc());
  if (const HFONT font = BkFontPool::GetFont(0)) SelectObject(target.dc(), font);
  SetBkMode(target.dc(), TRANSPARENT);
  std::map<std::string, double> byTag;
  std::map<std::string, TextFloors> textByTag;
  for (int i = 0; i < 3; ++i) TimeLeaves(view.Section(i), target.dc(), byTag, textByTag, listElements);
  std::printf("\nwhere the full repaint goes, by element kind (own paint, children excluded),\n");
  std::printf("and Wine's text calls alone for the same labels (DrawTextW, ExtTextOutW)\n");
  TextFloors texts;
  for (const auto& entry : byTag) {
    const TextFloors floors = textByTag[entry.first];
    texts.drawText += floors.drawText;
    texts.textOut += floors.textOut;
    if (floors.drawText > 0) {
      std::printf("%-44s %10.1f %8.2f   DrawTextW %6.1f %5.2f  ExtTextOutW %6.1f %5.2f\n", entry.first.c_str(),
                  entry.second * 1e6, entry.second / blit, floors.drawText * 1e6, floors.drawText / blit,
                  floors.textOut * 1e6, floors.textOut / blit);
    } else {
      Row(entry.first.c_str(), entry.second, blit);
    }
  }
  Row("all labels' DrawTextW alone", texts.drawText, blit);
  Row("all labels' ExtTextOutW alone", texts.textOut, blit);
  RestoreDC(target.dc(), saved);
  return 0;
}
