#include "skin/host/accessible_object.h"

#include <utility>

namespace {

bool IsWhiteSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == 0x3000; }

}  // namespace

BSTR AllocateBstr(const std::wstring& text) {
  if (text.empty()) return nullptr;
  return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

std::wstring CleanLabel(const std::wstring& text) {
  std::wstring label;
  label.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    // "(&F)" goes whole; a lone "&" only marks the next letter; "&&" is one "&".
    if (text[i] == L'(' && i + 3 < text.size() && text[i + 1] == L'&' && text[i + 3] == L')') {
      i += 3;
      continue;
    }
    if (text[i] == L'&') {
      if (i + 1 < text.size() && text[i + 1] == L'&') label += L'&', ++i;
      continue;
    }
    label += text[i];
  }
  while (!label.empty() && (IsWhiteSpace(label.back()) || label.back() == L':' || label.back() == 0xFF1A))
    label.pop_back();
  size_t start = 0;
  while (start < label.size() && IsWhiteSpace(label[start])) ++start;
  return label.substr(start);
}

RECT ClientToScreenRect(HWND window, const RECT& client) {
  POINT origin = {0, 0};
  ClientToScreen(window, &origin);
  return RECT{client.left + origin.x, client.top + origin.y, client.right + origin.x, client.bottom + origin.y};
}

HRESULT CAccessibleObject::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IAccessible) {
    *object = static_cast<IAccessible*>(this);
  } else if (iid == IID_IEnumVARIANT) {
    *object = static_cast<IEnumVARIANT*>(this);
  } else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

HRESULT CAccessibleObject::Next(ULONG count, VARIANT* children, ULONG* fetched) {
  if (fetched) *fetched = 0;
  if (!children) return E_POINTER;
  if (!Connected()) return RPC_E_DISCONNECTED;
  std::vector<AccessibleChild> all = Children();
  ULONG given = 0;
  while (given < count && cursor_ < all.size()) AnswerChild(std::move(all[cursor_++]), &children[given++]);
  if (fetched) *fetched = given;
  return given == count ? S_OK : S_FALSE;
}

HRESULT CAccessibleObject::Skip(ULONG count) {
  if (!Connected()) return RPC_E_DISCONNECTED;
  const size_t total = Children().size();
  const bool enough = cursor_ + count <= total;
  cursor_ = enough ? cursor_ + count : static_cast<ULONG>(total);
  return enough ? S_OK : S_FALSE;
}

HRESULT CAccessibleObject::Reset() {
  cursor_ = 0;
  return S_OK;
}

HRESULT CAccessibleObject::Clone(IEnumVARIANT** copy) {
  if (copy) *copy = nullptr;
  return E_NOTIMPL;
}

ULONG CAccessibleObject::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

ULONG CAccessibleObject::Release() {
  const LONG left = InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

HRESULT CAccessibleObject::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT CAccessibleObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return E_NOTIMPL;
}

HRESULT CAccessibleObject::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

HRESULT CAccessibleObject::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
  return E_NOTIMPL;
}

bool CAccessibleObject::ReadChild(const VARIANT& child, long& id) {
  if (child.vt != VT_I4) return false;
  id = child.lVal;
  return Knows(id);
}

void CAccessibleObject::AnswerChild(AccessibleChild child, VARIANT* out) {
  VariantInit(out);
  if (child.object) {
    out->vt = VT_DISPATCH;
    out->pdispVal = child.object.release();
  } else if (child.id >= 0) {
    out->vt = VT_I4;
    out->lVal = child.id;
  }
}

HRESULT CAccessibleObject::get_accParent(IDispatch** parent) {
  if (!parent) return E_POINTER;
  *parent = nullptr;
  if (!Connected()) return RPC_E_DISCONNECTED;
  *parent = Parent().release();
  return *parent ? S_OK : S_FALSE;
}

HRESULT CAccessibleObject::get_accChildCount(long* count) {
  if (!count) return E_POINTER;
  *count = 0;
  if (!Connected()) return RPC_E_DISCONNECTED;
  *count = static_cast<long>(Children().size());
  return S_OK;
}

HRESULT CAccessibleObject::get_accChild(VARIANT child, IDispatch** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (!Connected()) return RPC_E_DISCONNECTED;
  long id = 0;
  if (!ReadChild(child, id)) return E_INVALIDARG;
  for (AccessibleChild& entry : Children()) {
    if (entry.id == id && entry.object) {
      *object = entry.object.release();
      return S_OK;
    }
  }
  // A simple child: the client asks this object about it by its id.
  return S_FALSE;
}

HRESULT CAccessibleObject::get_accName(VARIANT child, BSTR* name) {
  if (!name) return E_POINTER;
  *name = nullptr;
  if (!Connected()) return RPC_E_DISCONNECTED;
  long id = 0;
  if (!ReadChild(child, id)) return E_INVALIDARG;
  *name = AllocateBstr(Name(id));
  return *name ? S_OK : S_FALSE;
}

HRESULT CAccessibleObject::get_accValue(VARIANT child, BSTR* value) {
  if (!value) return E_POINTER;
  *value = nullptr;
  if (!Connected()) return RPC_E_DISCONNECTED;
  long id = 0;
  if (!ReadChild(child, id)) return E_INVALIDARG;
  *value = AllocateBstr(Value(id));
  return *value ? S_OK : S_FALSE;
}

HRESULT CAccessibleObject::get_accDescription(VARIANT, BSTR* description) {
  if (!description) return E_POINTER;
  *description = nullptr;
  return S_FALSE;
}

HRESULT CAccessibleObject::get_accRole(VARIANT child, VARIANT* role) {
  if (!role) return E_POINTER;
  VariantInit(role);
  if (!Connected()) return RPC_E_DISCONNECTED;
  long id = 0;
  if (!ReadChild(child, id)) return E_INVALIDARG;
  role->vt = VT_I4;
  role->lVal = Role(id);
  return S_OK;
}

HRESULT CAccessibleObject::get_accState(VARIANT child, VARIANT* state) {
  if (!state) return E_POINTER;
  VariantInit(state);
  if (!Connected()) return RPC_E_DISCONNECTED;
  long id = 0;
  if (!ReadChild(child, id)) return E_INVALIDARG;
  state->vt = VT_I4;
  state->lVal = State(id);
  return S_OK;
}

HRESULT CAccessibleObject::get_accHelp(VARIANT, BSTR* help) {
  if (!help) return E_POINTER;
  *help = nullptr;
  return S_FALSE;
}

HRESULT CAccessibleObject::get_accHelpTopic(BSTR* file, VARIANT, long* topic) {
  if (file) *file = nullptr;
  if (topic) *topic = 0;
  return S_FALSE;
}

HRESULT CAccessibleObject::get_accKeyboardShortcut(VARIANT, BSTR* shortcut) {
  if (!shortcut) return E_POINTER;
  *shortcut = nullptr;
  return S_FALSE;
}

HRESULT CAccessibleObject::get_accFocus(VARIANT* focus) {
  if (!focus) return E_POINTER;
  VariantInit(focus);
  if (!Connected()) return RPC_E_DISCONNECTED;
  AnswerChild(Focus(), focus);
  return focus->vt == VT_EMPTY ? S_FALSE : S_OK;
}

HRESULT CAccessibleObject::get_accSelection(VARIANT* selection) {
  if (!selection) return E_POINTER;
  VariantInit(selection);
  if (!Connected()) return RPC_E_DISCONNECTED;
  AnswerChild(Selection(), selection);
  return selection->vt == VT_EMPTY ? S_FALSE : S_OK;
}

HRESULT CAccessibleObject::get_accDefaultAction(VARIANT child, BSTR* action) {
  if (!action) return E_POINTER;
  *action = nullptr;
  if (!Connected()) return RPC_E_DISCONNECTED;
  long id = 0;
  if (!ReadChild(child, id)) return E_INVALIDARG;
  *action = AllocateBstr(DefaultAction(id));
  return *action ? S_OK : S_FALSE;
}

HRESULT CAccessibleObject::accSelect(long, VARIANT) { return DISP_E_MEMBERNOTFOUND; }

HRESULT CAccessibleObject::accLocation(long* left, long* top, long* width, long* height, VARIANT child) {
  if (!left || !top || !width || !height) return E_POINTER;
  *left = *top = *width = *height = 0;
  if (!Connected()) return RPC_E_DISCONNECTED;
  long id = 0;
  if (!ReadChild(child, id)) return E_INVALIDARG;
  RECT screen = {};
  if (!Location(id, screen)) return S_FALSE;
  *left = screen.left;
  *top = screen.top;
  *width = screen.right - screen.left;
  *height = screen.bottom - screen.top;
  return S_OK;
}

HRESULT CAccessibleObject::accNavigate(long direction, VARIANT start, VARIANT* end) {
  if (!end) return E_POINTER;
  VariantInit(end);
  if (!Connected()) return RPC_E_DISCONNECTED;
  long id = 0;
  if (!ReadChild(start, id)) return E_INVALIDARG;
  std::vector<AccessibleChild> children = Children();
  size_t index = children.size();
  switch (direction) {
    case NAVDIR_FIRSTCHILD:
    case NAVDIR_LASTCHILD:
      if (id != CHILDID_SELF) return E_INVALIDARG;
      if (!children.empty()) index = direction == NAVDIR_FIRSTCHILD ? 0 : children.size() - 1;
      break;
    case NAVDIR_NEXT:
    case NAVDIR_PREVIOUS:
    case NAVDIR_DOWN:
    case NAVDIR_UP:
    case NAVDIR_RIGHT:
    case NAVDIR_LEFT: {
      // Siblings of this object are its parent's to name; children go in
      // reading order, which the spatial directions follow too.
      if (id == CHILDID_SELF) return S_FALSE;
      const bool forward = direction == NAVDIR_NEXT || direction == NAVDIR_DOWN || direction == NAVDIR_RIGHT;
      for (size_t i = 0; i < children.size(); ++i) {
        if (children[i].id != id) continue;
        if (forward && i + 1 < children.size()) index = i + 1;
        if (!forward && i > 0) index = i - 1;
        break;
      }
      break;
    }
    default:
      return E_INVALIDARG;
  }
  if (index >= children.size()) return S_FALSE;
  AnswerChild(std::move(children[index]), end);
  return S_OK;
}

HRESULT CAccessibleObject::accHitTest(long x, long y, VARIANT* child) {
  if (!child) return E_POINTER;
  VariantInit(child);
  if (!Connected()) return RPC_E_DISCONNECTED;
  AnswerChild(HitTest(POINT{x, y}), child);
  return child->vt == VT_EMPTY ? S_FALSE : S_OK;
}

HRESULT CAccessibleObject::accDoDefaultAction(VARIANT child) {
  if (!Connected()) return RPC_E_DISCONNECTED;
  long id = 0;
  if (!ReadChild(child, id)) return E_INVALIDARG;
  return DoDefaultAction(id) ? S_OK : DISP_E_MEMBERNOTFOUND;
}

HRESULT CAccessibleObject::put_accName(VARIANT, BSTR) { return DISP_E_MEMBERNOTFOUND; }

HRESULT CAccessibleObject::put_accValue(VARIANT, BSTR) { return DISP_E_MEMBERNOTFOUND; }
