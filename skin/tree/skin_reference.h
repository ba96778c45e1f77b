// A skin that an element names in an attribute ("img", "imgbtn", "checkex").
// The name is kept only when the pool held such a skin when the attribute was
// applied; the skin is looked up by that name whenever it is used, so that an
// element never holds a skin the pool has since deleted.
#pragma once

#include <string>

#include "skin/resources/skin_pool.h"

class BkSkinReference {
 public:
  // Names `name`, or nothing when the pool has no skin of that name.
  void Set(const std::string& name) {
    name_.clear();
    if (GetSkin(name)) name_ = name;
  }
  // The skin, or null (none named, or no longer in the pool).
  CBkSkinBase* Get() const { return name_.empty() ? nullptr : GetSkin(name_); }
  const std::string& Name() const { return name_; }

 private:
  std::string name_;
};
