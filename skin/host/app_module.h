// The application module object: the program's instance handle and the main
// thread's id, set once at start. A program derives its own module from it.
#pragma once

#include <windows.h>

class CAppModule {
 public:
  CAppModule() = default;
  virtual ~CAppModule() = default;
  CAppModule(const CAppModule&) = delete;
  CAppModule& operator=(const CAppModule&) = delete;

  // Starts the module: remembers the instance and the calling thread as the
  // main thread. Fails (E_INVALIDARG) without an instance handle.
  HRESULT Init(void* objectMap, HINSTANCE instance, const GUID* libraryId = nullptr);
  void Term();

  HINSTANCE GetModuleInstance() const { return m_hInst; }
  HINSTANCE GetResourceInstance() const { return m_hInstResource; }
  bool IsInitialized() const { return m_hInst != nullptr; }

  HINSTANCE m_hInst = nullptr;
  HINSTANCE m_hInstResource = nullptr;
  DWORD m_dwMainThreadID = 0;
};

// The one module of the running program, once it has been initialised.
CAppModule* CurrentAppModule();
