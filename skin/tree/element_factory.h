// The tag-to-class factory of element documents.
#pragma once

#include <memory>

#include "skin/tree/bk_window.h"

// A new element of the class whose tag equals `tag` exactly (tags are tried
// in a fixed order), or null for a tag no class answers to and for null.
std::unique_ptr<CBkWindow> CreateChildByName(const char* tag);
