#include "skin/host/app_module.h"

namespace {
CAppModule* g_currentModule = nullptr;
}

HRESULT CAppModule::Init(void* /*objectMap*/, HINSTANCE instance, const GUID* /*libraryId*/) {
  if (!instance) return E_INVALIDARG;
  m_hInst = instance;
  m_hInstResource = instance;
  m_dwMainThreadID = GetCurrentThreadId();
  g_currentModule = this;
  return S_OK;
}

void CAppModule::Term() {
  if (g_currentModule == this) g_currentModule = nullptr;
  m_hInst = nullptr;
  m_hInstResource = nullptr;
  m_dwMainThreadID = 0;
}

CAppModule* CurrentAppModule() { return g_currentModule; }
