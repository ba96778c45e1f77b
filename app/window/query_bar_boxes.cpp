#include "app/window/query_bar_boxes.h"

#include <cstring>
#include <string>

#include "app/core/ticket_order.h"
#include "skin/host/dialog_view.h"
#include "skin/tree/containers.h"

namespace {

// The boxes' texts in id order: "全选", the kinds in TrainKind bit order,
// "返程".
constexpr const wchar_t* kBoxTexts[] = {L"全选", L"城际", L"高铁", L"动车", L"直达",
                                        L"特快", L"快速", L"普快", L"临客", L"返程"};
static_assert(sizeof(kBoxTexts) / sizeof(kBoxTexts[0]) == 2 + kTrainKindCount, "one text per box");

bool IsCheckBox(const CBkWindow& element) {
  return std::strcmp(element.GetTag(), "checkex") == 0 || std::strcmp(element.GetTag(), "check") == 0;
}

// Gives every unbound check box whose text names a box its id, depth first in
// document order, so the first box with a text wins.
void BindBelow(CBkWindow& element, std::array<bool, 10>& bound, int depth) {
  if (IsCheckBox(element) && element.GetElementId() == 0) {
    for (size_t i = 0; i < bound.size(); ++i) {
      if (bound[i] || element.GetText() != kBoxTexts[i]) continue;
      element.SetAttribute("id", std::to_string(QueryBarBoxes::kAllKindsId + static_cast<int>(i)), false);
      bound[i] = true;
      break;
    }
  }
  auto* panel = dynamic_cast<CBkPanel*>(&element);
  if (!panel || depth >= kMaxElementDepth) return;
  for (size_t i = 0; i < panel->ChildCount(); ++i)
    if (CBkWindow* child = panel->ChildAt(i)) BindBelow(*child, bound, depth + 1);
}

}  // namespace

void QueryBarBoxes::Bind(CBkDialogView& view) {
  bound_ = {};
  for (int section = 0; section < 3; ++section)
    if (CBkDialog* dialog = view.Section(section)) BindBelow(*dialog, bound_, 0);
}

bool QueryBarBoxes::IsBound(int id) const {
  const int index = id - kAllKindsId;
  return index >= 0 && index < static_cast<int>(bound_.size()) && bound_[static_cast<size_t>(index)];
}

bool QueryBarBoxes::IsChecked(CBkDialogView& view, int id) {
  const CBkWindow* box = view.FindElement(id);
  return box && (box->GetState() & StateChecked) != 0;
}

void QueryBarBoxes::SetChecked(CBkDialogView& view, int id, bool checked) {
  CBkWindow* box = view.FindElement(id);
  if (!box || IsChecked(view, id) == checked) return;
  const unsigned flag = StateChecked;
  box->ChangeState(checked ? flag : 0u, checked ? 0u : flag);
  view.RedrawElement(box, true);
}

unsigned QueryBarBoxes::CheckedKinds(CBkDialogView& view) const {
  unsigned kinds = 0;
  for (int i = 0; i < kTrainKindCount; ++i) {
    const int id = kFirstKindId + i;
    if (!IsBound(id) || IsChecked(view, id)) kinds |= 1u << i;
  }
  return kinds;
}

bool QueryBarBoxes::ReturnTripChecked(CBkDialogView& view) const {
  return IsBound(kReturnTripId) && IsChecked(view, kReturnTripId);
}

bool QueryBarBoxes::OnBoxClicked(CBkDialogView& view, int id) {
  if (!IsBound(id) || id == kReturnTripId) return false;
  if (id == kAllKindsId) {
    const bool all = IsChecked(view, kAllKindsId);
    for (int i = 0; i < kTrainKindCount; ++i) SetChecked(view, kFirstKindId + i, all);
  } else if (IsBound(kAllKindsId)) {
    SetChecked(view, kAllKindsId, CheckedKinds(view) == kAllTrainKinds);
  }
  return true;
}

void QueryBarBoxes::SetCheckedKinds(CBkDialogView& view, unsigned kinds) {
  for (int i = 0; i < kTrainKindCount; ++i)
    if (IsBound(kFirstKindId + i)) SetChecked(view, kFirstKindId + i, (kinds & (1u << i)) != 0);
  if (IsBound(kAllKindsId)) SetChecked(view, kAllKindsId, CheckedKinds(view) == kAllTrainKinds);
}

void QueryBarBoxes::SetReturnTrip(CBkDialogView& view, bool checked) {
  if (IsBound(kReturnTripId)) SetChecked(view, kReturnTripId, checked);
}
