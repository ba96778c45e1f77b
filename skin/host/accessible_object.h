// The accessibility objects' common part: a reference to a COM object that
// releases it once, and a base class that implements IAccessible over a few
// plain virtual questions (which children, which role, name, state and
// place each has), so that the view, its element groups and the skinned list
// only answer those. Child ids are positive numbers the derived class gives
// out; CHILDID_SELF (0) is the object itself. An object whose window went
// away answers every question with RPC_E_DISCONNECTED.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <oleacc.h>

#include <string>
#include <vector>

// Owns one reference to a COM object: released once, when it goes or is reset.
template <typename Interface>
class ComRef {
 public:
  ComRef() noexcept = default;
  // Takes over a reference the caller holds (does not add one).
  explicit ComRef(Interface* object) noexcept : object_(object) {}
  ~ComRef() { reset(); }
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  ComRef(ComRef&& other) noexcept : object_(other.release()) {}
  ComRef& operator=(ComRef&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  Interface* get() const noexcept { return object_; }
  Interface* operator->() const noexcept { return object_; }
  explicit operator bool() const noexcept { return object_ != nullptr; }
  // The slot an out-parameter call fills; the old reference is released.
  Interface** put() noexcept {
    reset();
    return &object_;
  }
  Interface* release() noexcept {
    Interface* object = object_;
    object_ = nullptr;
    return object;
  }
  void reset(Interface* object = nullptr) noexcept {
    Interface* old = object_;
    object_ = object;
    if (old && old != object) old->Release();
  }
  // A new reference to the same object.
  ComRef Share() const noexcept {
    if (object_) object_->AddRef();
    return ComRef(object_);
  }

 private:
  Interface* object_ = nullptr;
};

// What one child (or the object itself, id CHILDID_SELF) is. A child with
// `object` set is an accessible object of its own: get_accChild hands it
// out, and hit tests and navigation answer it instead of the id.
struct AccessibleChild {
  long id = CHILDID_SELF;
  ComRef<IDispatch> object;
};

// Clients that list children (AccessibleChildren) enumerate them through
// IEnumVARIANT, since child ids are not indexes.
class CAccessibleObject : public IAccessible, public IEnumVARIANT {
 public:
  CAccessibleObject(const CAccessibleObject&) = delete;
  CAccessibleObject& operator=(const CAccessibleObject&) = delete;

  // ---- IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // ---- IEnumVARIANT: the children, as get_accChild would name them
  HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* children, ULONG* fetched) override;
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
  HRESULT STDMETHODCALLTYPE Reset() override;
  HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** copy) override;
  // ---- IDispatch: no type information; clients call IAccessible directly.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;
  // ---- IAccessible
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override;
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override;
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override;
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override;
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override;
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override;
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override;
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override;
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override;
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override;
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override;
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override;
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override;
  HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override;
  HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override;
  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override;
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override;
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override;
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override;
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override;

 protected:
  CAccessibleObject() = default;
  virtual ~CAccessibleObject() = default;

  // False once the window the object describes is gone.
  virtual bool Connected() const = 0;
  // The direct children in reading order.
  virtual std::vector<AccessibleChild> Children() = 0;
  // True for CHILDID_SELF and for every id the questions below answer (a
  // direct child, or any id events name).
  virtual bool Knows(long id) = 0;
  virtual ComRef<IDispatch> Parent() = 0;
  virtual std::wstring Name(long id) = 0;
  virtual std::wstring Value(long) { return std::wstring(); }
  virtual long Role(long id) = 0;
  virtual long State(long id) = 0;
  // The verb of the default action; empty when there is none.
  virtual std::wstring DefaultAction(long) { return std::wstring(); }
  // Starts the default action; false when there is none.
  virtual bool DoDefaultAction(long) { return false; }
  // Screen pixels; false when the child has no place.
  virtual bool Location(long id, RECT& screen) = 0;
  // The child at a screen point: a child, CHILDID_SELF inside the object but
  // on no child, or an id of -1 outside.
  virtual AccessibleChild HitTest(POINT screen) = 0;
  // The focused child, CHILDID_SELF, or an id of -1 when the focus is elsewhere.
  virtual AccessibleChild Focus() = 0;
  // The selected child, or an id of -1 for none.
  virtual AccessibleChild Selection() { return AccessibleChild{-1, {}}; }

 private:
  // Reads a VT_I4 child id the object knows; false otherwise.
  bool ReadChild(const VARIANT& child, long& id);
  static void AnswerChild(AccessibleChild child, VARIANT* out);

  LONG references_ = 1;
  ULONG cursor_ = 0;  // the enumeration's next child
};

// A new BSTR with `text`; null for an empty text.
BSTR AllocateBstr(const std::wstring& text);
// The caption text of an element or a window: without a trailing colon and
// without an access-key marker ("&F", "(&F)").
std::wstring CleanLabel(const std::wstring& text);
// A window's rectangle of client pixels in screen pixels.
RECT ClientToScreenRect(HWND window, const RECT& client);
