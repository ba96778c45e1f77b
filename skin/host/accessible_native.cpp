#include "skin/host/accessible_native.h"

#include <oleacc.h>

#include <utility>

#include "skin/host/accessible_object.h"

namespace {

bool IsOwnProcessWindow(HWND window) {
  DWORD process = 0;
  return window && GetWindowThreadProcessId(window, &process) && process == GetCurrentProcessId();
}

// The standard object of a window with its own name (and, for an edit box,
// its role and its text as value) for the object itself; everything else is
// the standard object's answer.
class CNamedAccessible : public IAccessible {
 public:
  CNamedAccessible(ComRef<IAccessible> inner, HWND window, std::wstring name, long role)
      : inner_(std::move(inner)), window_(window), name_(std::move(name)), role_(role) {}
  CNamedAccessible(const CNamedAccessible&) = delete;
  CNamedAccessible& operator=(const CNamedAccessible&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IAccessible) {
      *object = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    // Other interfaces (IEnumVARIANT, IOleWindow) are the standard object's.
    return inner_->QueryInterface(iid, object);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return inner_->GetTypeInfoCount(count); }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
    return inner_->GetTypeInfo(index, locale, info);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override {
    return inner_->GetIDsOfNames(iid, names, count, locale, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* parameters,
                                   VARIANT* result, EXCEPINFO* exception, UINT* argument) override {
    return inner_->Invoke(id, iid, locale, flags, parameters, result, exception, argument);
  }

  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    if (child.vt != VT_I4 || child.lVal != CHILDID_SELF) return inner_->get_accName(child, name);
    if (!name) return E_POINTER;
    *name = AllocateBstr(name_);
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override { return inner_->get_accParent(parent); }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override { return inner_->get_accChildCount(count); }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override {
    return inner_->get_accChild(child, object);
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    if (role_ != ROLE_SYSTEM_TEXT || child.vt != VT_I4 || child.lVal != CHILDID_SELF)
      return inner_->get_accValue(child, value);
    if (!value) return E_POINTER;
    *value = nullptr;
    // A password's characters are not told.
    if (GetWindowLongW(window_, GWL_STYLE) & ES_PASSWORD) return S_FALSE;
    const int length = GetWindowTextLengthW(window_);
    if (length <= 0 || length > kMaxValueLength) return S_FALSE;
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window_, &text[0], length + 1)));
    *value = AllocateBstr(text);
    return *value ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override {
    return inner_->get_accDescription(child, text);
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    if (role_ == 0 || child.vt != VT_I4 || child.lVal != CHILDID_SELF) return inner_->get_accRole(child, role);
    if (!role) return E_POINTER;
    VariantInit(role);
    role->vt = VT_I4;
    role->lVal = role_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    return inner_->get_accState(child, state);
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override { return inner_->get_accHelp(child, help); }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
    return inner_->get_accHelpTopic(file, child, topic);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
    return inner_->get_accKeyboardShortcut(child, shortcut);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override { return inner_->get_accFocus(focus); }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
    return inner_->get_accSelection(selection);
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    return inner_->get_accDefaultAction(child, action);
  }
  HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override { return inner_->accSelect(flags, child); }
  HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override {
    return inner_->accLocation(left, top, width, height, child);
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
    return inner_->accNavigate(direction, start, end);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override {
    return inner_->accHitTest(x, y, child);
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override { return inner_->accDoDefaultAction(child); }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override { return inner_->put_accName(child, name); }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
    return inner_->put_accValue(child, value);
  }

 private:
  virtual ~CNamedAccessible() = default;

  // Texts longer than this are not read out as a value.
  static constexpr int kMaxValueLength = 32768;

  ComRef<IAccessible> inner_;
  HWND window_;
  std::wstring name_;
  long role_;
  LONG references_ = 1;
};

}  // namespace

UINT AccessibleNameQueryMessage() {
  static const UINT message = RegisterWindowMessageW(L"TavoraAccessibleNameOfChild");
  return message;
}

std::wstring AskAccessibleName(HWND child) {
  std::wstring name;
  const HWND parent = child ? GetParent(child) : nullptr;
  if (IsOwnProcessWindow(parent))
    SendMessageW(parent, AccessibleNameQueryMessage(), reinterpret_cast<WPARAM>(child), reinterpret_cast<LPARAM>(&name));
  return name;
}

LRESULT AnswerAccessibleNameQuery(WPARAM wParam, LPARAM lParam, const std::function<std::wstring(HWND)>& nameOf) {
  auto* name = reinterpret_cast<std::wstring*>(lParam);
  const HWND child = reinterpret_cast<HWND>(wParam);
  if (!name || !IsOwnProcessWindow(child)) return 0;
  *name = nameOf(child);
  return name->empty() ? 0 : 1;
}

bool AnswerNamedClientObject(HWND child, WPARAM wParam, LPARAM lParam, long role, LRESULT& result) {
  if (static_cast<LONG>(lParam) != static_cast<LONG>(OBJID_CLIENT)) return false;
  std::wstring name = AskAccessibleName(child);
  if (name.empty()) return false;
  ComRef<IAccessible> standard;
  if (FAILED(CreateStdAccessibleObject(child, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(standard.put()))) ||
      !standard)
    return false;
  ComRef<IAccessible> named(new CNamedAccessible(std::move(standard), child, std::move(name), role));
  result = LresultFromObject(IID_IAccessible, wParam, named.get());
  return true;
}
