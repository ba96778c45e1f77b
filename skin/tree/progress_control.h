// The progress bar ("progress"): a background (skin or grey rounded
// rectangle), a bar as long as value is far from min towards max (skin or a
// filled rounded rectangle), and optionally the percentage as text, drawn a
// second time in a contrasting colour where it lies over the bar.
#pragma once

#include <cstdint>

#include "skin/tree/bk_window.h"
#include "skin/tree/skin_reference.h"

class CBkProgress : public CBkWindow {
 public:
  static constexpr const char* kTag = "progress";

  const char* GetTag() const override { return kTag; }
  // Adds "bgskin", "posskin", "min", "max", "value" and "showpercent".
  HRESULT SetAttribute(const std::string& name, const std::string& value, bool loading) override;
  bool ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

  // The stored values; a paint swaps min and max when max is below min and
  // clamps value into the range.
  std::uint32_t Min() const { return min_; }
  std::uint32_t Max() const { return max_; }
  std::uint32_t Value() const { return value_; }

 private:
  // Orders the range, clamps the value, and answers how far the value is
  // along the range (0 to 1).
  double NormalizeAndRatio();
  void Paint(HDC dc);

  std::uint32_t min_ = 0;
  std::uint32_t max_ = 0;
  std::uint32_t value_ = 0;
  int showPercent_ = 0;
  BkSkinReference background_;
  BkSkinReference position_;
};
