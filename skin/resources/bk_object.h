// Root of everything that initialises itself from an XML element of a skin
// document: styles, skins and elements.
#pragma once

#include <windows.h>

#include <string>

class TiXmlElement;

// What SetAttribute answers. Callers test for kAttributeNotHandled alone
// (0x80004005, the platform's E_FAIL): a class handles an attribute itself
// only when its base answered that. A handled attribute answers
// kAttributeHandled (0) or, for colours and the style's cursor,
// kAttributeHandledAlternate (1); no caller tells the two apart.
constexpr HRESULT kAttributeNotHandled = static_cast<HRESULT>(0x80004005);
constexpr HRESULT kAttributeHandled = 0;
constexpr HRESULT kAttributeHandledAlternate = 1;

class CBkObject {
 public:
  CBkObject() = default;
  CBkObject(const CBkObject&) = default;
  CBkObject& operator=(const CBkObject&) = default;
  virtual ~CBkObject() = default;

  // True when `name` equals this class's tag (exact, case-sensitive); false for null.
  virtual bool HasTag(const char* name) const;
  // The tag this class answers to in skin documents; empty for the root.
  virtual const char* GetTag() const;
  // Applies every attribute of `element` in document order through
  // SetAttribute with loading set. False for a null element.
  virtual bool Load(const TiXmlElement* element);
  // Applies one attribute (UTF-8 name and value as written in the document).
  // Each class offers the attribute to its base class first and handles it
  // only when the base answers kAttributeNotHandled. The root knows no
  // attribute.
  virtual HRESULT SetAttribute(const std::string& name, const std::string& value, bool loading);
};
