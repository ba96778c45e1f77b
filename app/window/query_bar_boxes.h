// The check boxes of the query bar: "全选", the eight train kinds and "返程".
// The layer gives them no ids, so the page finds them by their texts when it
// is set up and gives each an id of its own; their clicks then reach the page
// as element commands like any other. A box the layer lacks is left out: its
// kind counts as checked, and the return trip as unchecked.
#pragma once

#include <array>

class CBkDialogView;
class CBkWindow;

class QueryBarBoxes {
 public:
  // Ids given to the boxes: "全选", then the kinds in TrainKind bit order,
  // then "返程". Chosen outside every id the documents use.
  static constexpr int kAllKindsId = 30100;
  static constexpr int kFirstKindId = 30101;
  static constexpr int kReturnTripId = 30109;

  // Finds the boxes in the view's layer by their texts and gives them their
  // ids. A box that already carries an id keeps it and is not bound.
  void Bind(CBkDialogView& view);

  // The kinds whose boxes are checked (a kind without a box counts as checked).
  unsigned CheckedKinds(CBkDialogView& view) const;
  bool ReturnTripChecked(CBkDialogView& view) const;

  // A click on box `id` has toggled it: "全选" sets every kind box to its own
  // state, a kind box sets "全选" to whether all eight are now checked. True
  // when `id` is one of the kind boxes or "全选" (the shown kinds may have
  // changed).
  bool OnBoxClicked(CBkDialogView& view, int id);

  bool IsBound(int id) const;

  // Checks the boxes of `kinds` and clears the others, "全选" exactly when
  // all eight are checked; sets "返程".
  void SetCheckedKinds(CBkDialogView& view, unsigned kinds);
  void SetReturnTrip(CBkDialogView& view, bool checked);

  // Checks or clears box `id` (any check box of the view), repainting it
  // when its state changes.
  static void SetChecked(CBkDialogView& view, int id, bool checked);
  static bool IsChecked(CBkDialogView& view, int id);

 private:
  // Which of the ten ids found a box, in id order from kAllKindsId.
  std::array<bool, 10> bound_ = {};
};
