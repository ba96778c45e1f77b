#include "skin/tree/radio_control.h"

#include "skin/resources/parse_util.h"
#include "skin/tree/host_notify.h"

CBkRadioBox::~CBkRadioBox() { LeaveGroup(); }

bool CBkRadioBox::Load(const TiXmlElement* element) {
  const bool loaded = CBkCheckBoxBase::Load(element);
  JoinGroup();
  return loaded;
}

HRESULT CBkRadioBox::SetAttribute(const std::string& name, const std::string& value, bool loading) {
  const HRESULT inherited = CBkCheckBoxBase::SetAttribute(name, value, loading);
  if (inherited != kAttributeNotHandled) return inherited;
  if (name == "check") {
    check_ = ParseDecimal(value);
  } else if (name == "group") {
    group_ = value;
    if (joined_) JoinGroup();
  } else {
    return kAttributeNotHandled;
  }
  return kAttributeHandled;
}

void CBkRadioBox::JoinGroup() {
  LeaveGroup();
  BkWindowRegistry::Instance().JoinGroup(group_, GetHandle());
  joinedGroup_ = group_;
  joined_ = true;
}

void CBkRadioBox::LeaveGroup() {
  if (!joined_) return;
  BkWindowRegistry::Instance().LeaveGroup(joinedGroup_, GetHandle());
  joined_ = false;
}

void CBkRadioBox::Select() {
  const bool wasChecked = (ChangeState(StateChecked, 0) & StateChecked) != 0;
  if (!wasChecked) AnnounceElementEvent(*this, EVENT_OBJECT_STATECHANGE);
  if (!joined_) return;
  // The members are a copy taken under the registry's lock: the redraw
  // requests below run the host's handler, which must not find the lock held.
  const BkHandle self = GetHandle();
  for (const BkHandle member : BkWindowRegistry::Instance().Members(joinedGroup_)) {
    if (member == self) continue;
    CBkWindow* other = LookupElement(member);
    if (!other || !(other->GetState() & StateChecked)) continue;
    other->ChangeState(0, StateChecked);
    AnnounceElementEvent(*other, EVENT_OBJECT_STATECHANGE);
    SendRedrawRequest(*other, other->GetRect());
  }
}

bool CBkRadioBox::ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (message != WM_LBUTTONUP) return CBkCheckBoxBase::ProcessMessage(message, wParam, lParam, result);
  SetMsgHandled(true);
  Select();
  return true;
}

void CBkRadioBox::PaintBox(HDC dc) {
  const RECT& area = GetRect();
  const int top = SaturatingAdd(area.top, SaturatingSubtract(SaturatingSubtract(area.bottom, area.top), kBoxSize) / 2);
  const RECT box = {area.left, top, SaturatingAdd(area.left, kBoxSize), SaturatingAdd(top, kBoxSize)};
  DrawButtonGlyph(dc, box, theme_, kThemePartRadioButton, DFCS_BUTTONRADIO);
}
