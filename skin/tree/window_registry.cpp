#include "skin/tree/window_registry.h"

#include <algorithm>

// Holds the registry's critical section for one operation. Nothing is called
// out of the registry while it is held.
class BkWindowRegistry::Lock {
 public:
  explicit Lock(CRITICAL_SECTION& section) : section_(section) { EnterCriticalSection(&section_); }
  ~Lock() { LeaveCriticalSection(&section_); }
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;

 private:
  CRITICAL_SECTION& section_;
};

BkWindowRegistry::BkWindowRegistry() { InitializeCriticalSection(&section_); }

BkWindowRegistry::~BkWindowRegistry() { DeleteCriticalSection(&section_); }

BkWindowRegistry& BkWindowRegistry::Instance() {
  // Made on first use; the runtime makes that safe from any thread.
  static BkWindowRegistry registry;
  return registry;
}

BkHandle BkWindowRegistry::Register(CBkWindow* element) {
  Lock lock(section_);
  const BkHandle handle = ++lastHandle_;
  elements_[handle] = element;
  return handle;
}

CBkWindow* BkWindowRegistry::Lookup(BkHandle handle) const {
  if (handle == 0) return nullptr;
  Lock lock(section_);
  const auto found = elements_.find(handle);
  return found == elements_.end() ? nullptr : found->second;
}

void BkWindowRegistry::Unregister(BkHandle handle) {
  Lock lock(section_);
  elements_.erase(handle);
}

void BkWindowRegistry::JoinGroup(const std::string& group, BkHandle handle) {
  Lock lock(section_);
  std::vector<BkHandle>& members = groups_[group];
  if (std::find(members.begin(), members.end(), handle) == members.end()) members.push_back(handle);
}

void BkWindowRegistry::LeaveGroup(const std::string& group, BkHandle handle) {
  Lock lock(section_);
  const auto found = groups_.find(group);
  if (found == groups_.end()) return;
  std::vector<BkHandle>& members = found->second;
  members.erase(std::remove(members.begin(), members.end(), handle), members.end());
  if (members.empty()) groups_.erase(found);
}

std::vector<BkHandle> BkWindowRegistry::Members(const std::string& group) const {
  Lock lock(section_);
  const auto found = groups_.find(group);
  return found == groups_.end() ? std::vector<BkHandle>() : found->second;
}

size_t BkWindowRegistry::Count() const {
  Lock lock(section_);
  return elements_.size();
}

CBkWindow* LookupElement(BkHandle handle) { return BkWindowRegistry::Instance().Lookup(handle); }
