// The radio box ("radio"): a round box drawn like "check" (visual style or
// classic frame control) with its text beside it. Radio boxes with the same
// `group` name form a group in the element registry; a click checks the
// clicked box and unchecks the others of its group.
#pragma once

#include <string>

#include "skin/resources/theme_api.h"
#include "skin/tree/check_controls.h"

class CBkRadioBox : public CBkCheckBoxBase {
 public:
  static constexpr const char* kTag = "radio";
  // The box is 12 x 12 and the text starts 14 from the left edge.
  static constexpr int kBoxSize = 12;
  static constexpr int kTextOffset = 14;

  CBkRadioBox() = default;
  // Leaves its group.
  ~CBkRadioBox() override;

  const char* GetTag() const override { return kTag; }
  // The element part, then joins the group named by `group`.
  bool Load(const TiXmlElement* element) override;
  // Adds "check" (stored, no effect) and "group". A group changed after
  // loading moves the box to the new group.
  HRESULT SetAttribute(const std::string& name, const std::string& value, bool loading) override;
  bool ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

  // Checks this box and unchecks every other checked member of its group,
  // each of which is asked to be redrawn.
  void Select();

  int CheckValue() const { return check_; }
  const std::string& Group() const { return group_; }
  HTHEME Theme() const { return theme_.get(); }

 protected:
  void PaintBox(HDC dc) override;
  int BoxAdvance() const override { return kTextOffset; }
  int MinimumHeight() const override { return kBoxSize; }
  unsigned TextModeAdded() const override { return DT_VCENTER | DT_SINGLELINE; }

 private:
  void JoinGroup();
  void LeaveGroup();

  ButtonThemeHandle theme_;
  int check_ = 0;
  std::string group_;
  bool joined_ = false;
  std::string joinedGroup_;
};
