#include "skin/tree/window_registry.h"

#include <algorithm>

namespace {

using Lock = std::lock_guard<std::mutex>;

}  // namespace

BkWindowRegistry& BkWindowRegistry::Instance() {
  // Made on first use; the runtime makes that safe from any thread.
  static BkWindowRegistry registry;
  return registry;
}

BkHandle BkWindowRegistry::Register(CBkWindow* element) {
  const Lock lock(lock_);
  const BkHandle handle = ++lastHandle_;
  elements_[handle] = element;
  return handle;
}

CBkWindow* BkWindowRegistry::Lookup(BkHandle handle) const {
  if (handle == 0) return nullptr;
  const Lock lock(lock_);
  const auto found = elements_.find(handle);
  return found == elements_.end() ? nullptr : found->second;
}

void BkWindowRegistry::Unregister(BkHandle handle) {
  const Lock lock(lock_);
  elements_.erase(handle);
}

void BkWindowRegistry::JoinGroup(const std::string& group, BkHandle handle) {
  const Lock lock(lock_);
  std::vector<BkHandle>& members = groups_[group];
  if (std::find(members.begin(), members.end(), handle) == members.end()) members.push_back(handle);
}

void BkWindowRegistry::LeaveGroup(const std::string& group, BkHandle handle) {
  const Lock lock(lock_);
  const auto found = groups_.find(group);
  if (found == groups_.end()) return;
  std::vector<BkHandle>& members = found->second;
  members.erase(std::remove(members.begin(), members.end(), handle), members.end());
  if (members.empty()) groups_.erase(found);
}

std::vector<BkHandle> BkWindowRegistry::Members(const std::string& group) const {
  const Lock lock(lock_);
  const auto found = groups_.find(group);
  return found == groups_.end() ? std::vector<BkHandle>() : found->second;
}

size_t BkWindowRegistry::Count() const {
  const Lock lock(lock_);
  return elements_.size();
}

bool BkWindowRegistry::Reset() {
  const Lock lock(lock_);
  if (!elements_.empty()) return false;
  groups_.clear();
  lastHandle_ = 0;
  return true;
}

CBkWindow* LookupElement(BkHandle handle) { return BkWindowRegistry::Instance().Lookup(handle); }
