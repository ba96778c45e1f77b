// The process-wide element registry: elements refer to one another (a child
// to its parent, a host to its hovered and pressed elements, radio boxes to
// their group) by handle, never by pointer, so that a destroyed element is
// simply not found.
#pragma once

#include <windows.h>

#include <map>
#include <mutex>
#include <string>
#include <vector>

// Identity of an element in the registry. Handles count up from 1 and are
// never reused within a run; 0 means no element.
using BkHandle = unsigned int;

class CBkWindow;

class BkWindowRegistry {
 public:
  // The one registry, created on first use.
  static BkWindowRegistry& Instance();

  // Enters `element` under a new handle and returns it.
  BkHandle Register(CBkWindow* element);
  // The element registered under `handle`, or null (0, never issued, or
  // unregistered). Elements live on the user-interface thread: use the result
  // there, and only until the next call that may destroy elements.
  CBkWindow* Lookup(BkHandle handle) const;
  void Unregister(BkHandle handle);

  // Radio groups by name. Members() answers a copy taken under the lock, so a
  // caller may send messages to the members after it without holding it.
  void JoinGroup(const std::string& group, BkHandle handle);
  void LeaveGroup(const std::string& group, BkHandle handle);
  std::vector<BkHandle> Members(const std::string& group) const;

  // Number of registered elements (for leak checks).
  size_t Count() const;
  // Back to the state of a new process (no groups; handles counted from the
  // first again) when no element is registered. False, and nothing changed,
  // while one is: its handle must stay unique.
  bool Reset();

  BkWindowRegistry(const BkWindowRegistry&) = delete;
  BkWindowRegistry& operator=(const BkWindowRegistry&) = delete;

 private:
  BkWindowRegistry() = default;
  ~BkWindowRegistry() = default;

  // Held for one operation; nothing is called out of the registry under it.
  mutable std::mutex lock_;
  std::map<BkHandle, CBkWindow*> elements_;
  std::map<std::string, std::vector<BkHandle>> groups_;
  BkHandle lastHandle_ = 0;
};

// Shorthand for BkWindowRegistry::Instance().Lookup(handle).
CBkWindow* LookupElement(BkHandle handle);
