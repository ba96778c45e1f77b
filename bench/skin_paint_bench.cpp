// Skin painting benchmark: every skin of the program's skin document drawn in
// every state it has, into a 680 x 430 32-bit DIB section, in the rectangles
// the main window gives them; compared with one plain BitBlt of that surface
// to another DIB of the same size (the floor). Prints medians of several runs.
#include <windows.h>
// After windows.h, which it needs.
#include <objidl.h>
// After objidl.h, which it needs.
#include <gdiplus.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_setup.h"
#include "bench/bench_surface.h"
#include "bench/bench_timing.h"
#include "skin/resources/png_skins.h"
#include "skin/resources/skin_pool.h"

namespace {

constexpr int kWidth = 680;
constexpr int kHeight = 430;

struct Job {
  const char* name;
  RECT rect;
  std::vector<int> states;
};

RECT At(int x, int y, int width, int height) { return RECT{x, y, x + width, y + height}; }

// Sub-image indexes of a PNG strip skin: one per frame.
std::vector<int> Frames(const char* name) {
  auto* skin = dynamic_cast<CBkPngSkin*>(GetSkin(name));
  std::vector<int> states;
  if (!skin || skin->SubWidth() <= 0) return {0, 1, 2, 3};
  const int frames = static_cast<int>(PngImageSize(skin->ImageObject()).cx) / skin->SubWidth();
  for (int i = 0; i < frames; ++i) states.push_back(i);
  return states;
}

}  // namespace

int main() {
  if (!LoadUiStringsAndFont()) return 1;
  if (!LoadSkins(100) || BkSkinPool::Instance().Skins().size() < 12) {
    std::printf("error: skin document 100 did not load its skins\n");
    return 1;
  }

  const std::vector<int> plain = {0, 1, 2, 3};
  const std::vector<Job> jobs = {
      {"mainbghead", At(0, 0, 680, 29), plain},
      {"mainbgbody", At(0, 29, 680, 378), plain},
      {"mainbgfoot", At(0, 407, 680, 23), plain},
      {"closebtn", At(641, 0, 39, 19), Frames("closebtn")},
      {"minbtn", At(613, 0, 29, 19), Frames("minbtn")},
      {"logomodule", At(10, 33, 71, 71), Frames("logomodule")},
      {"tabmain", At(10, 33, 71, 71), Frames("tabmain")},
      {"edit_bg", At(70, 120, 110, 32), plain},
      {"checkbox_bg", At(20, 187, 50, 16), {0, 1, 2, 4, 5, 6, 16, 20}},
      {"search_bg", At(565, 120, 105, 60), plain},
      {"search", At(565, 120, 105, 60), plain},
      {"ing", At(571, 126, 93, 48), Frames("ing")},
  };

  Surface surface(kWidth, kHeight), copy(kWidth, kHeight);
  if (!surface.valid() || !copy.valid()) {
    std::printf("error: no DIB surface\n");
    return 1;
  }
  RECT all = At(0, 0, kWidth, kHeight);
  FillRect(surface.dc(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));

  const int kRuns = 9;
  const int kBlits = 200;
  const double floor = MedianSeconds(kRuns,
                                     [&] {
                                       for (int i = 0; i < kBlits; ++i)
                                         BitBlt(copy.dc(), 0, 0, kWidth, kHeight, surface.dc(), 0, 0, SRCCOPY);
                                       GdiFlush();
                                     }) /
                       kBlits;

  std::printf("Skin painting into a %d x %d 32-bit DIB, median of %d runs\n", kWidth, kHeight, kRuns);
  std::printf("floor: one BitBlt of the whole surface to another DIB = %.1f us\n\n", floor * 1e6);
  std::printf("%-12s %10s %7s %14s %16s %14s %12s\n", "skin", "rect", "states", "us per draw", "x BitBlt floor",
              "rect BitBlt us", "x rect floor");

  const int kRepeats = 20;
  double passTotal = 0;
  for (const Job& job : jobs) {
    CBkSkinBase* skin = GetSkin(job.name);
    if (!skin) {
      std::printf("error: no skin %s\n", job.name);
      return 1;
    }
    const double seconds = MedianSeconds(kRuns, [&] {
      for (int r = 0; r < kRepeats; ++r)
        for (int state : job.states) skin->Draw(surface.dc(), job.rect, state);
      GdiFlush();
    });
    const double perDraw = seconds / (kRepeats * job.states.size());
    passTotal += perDraw * job.states.size();
    char size[32];
    std::snprintf(size, sizeof(size), "%ldx%ld", job.rect.right - job.rect.left, job.rect.bottom - job.rect.top);
    // The floor of the skin's own rectangle: one copy of that many pixels.
    const LONG w = job.rect.right - job.rect.left, h = job.rect.bottom - job.rect.top;
    const double rectFloor = MedianSeconds(kRuns,
                                           [&] {
                                             for (int i = 0; i < kBlits; ++i)
                                               BitBlt(copy.dc(), 0, 0, w, h, surface.dc(), 0, 0, SRCCOPY);
                                             GdiFlush();
                                           }) /
                             kBlits;
    std::printf("%-12s %10s %7u %14.1f %16.2f %14.1f %12.2f\n", job.name, size,
                static_cast<unsigned>(job.states.size()), perDraw * 1e6, perDraw / floor, rectFloor * 1e6,
                perDraw / rectFloor);
  }

  // The whole pass measured as one piece as well.
  const double pass = MedianSeconds(kRuns, [&] {
    for (const Job& job : jobs) {
      CBkSkinBase* skin = GetSkin(job.name);
      for (int state : job.states) skin->Draw(surface.dc(), job.rect, state);
    }
    GdiFlush();
  });
  std::printf("\nall 12 skins, every state: %.1f us per pass (sum of medians %.1f us) = %.1f x the BitBlt floor\n",
              pass * 1e6, passTotal * 1e6, pass / floor);
  return 0;
}
