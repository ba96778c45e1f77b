// The program's main window: the skinned frame of the main layer (resource
// 103) with its query page. Its message map, in order: the header's buttons
// and the frame's close request, the frame itself, the query page, then the
// window's creation.
#pragma once

#include <windows.h>

#include <memory>

#include "app/query_page.h"
#include "skin/host/dialog_frame.h"
#include "skin/resources/unique_handle.h"

struct UpdatePublicKey;

class CMainDlg : public CBkDialogImpl, public CWHRoundRectFrameHelper {
 public:
  static constexpr unsigned kMainLayer = 103;
  static constexpr int kIconId = 128;
  // The frame's close request (Escape, system close).
  static constexpr int kCloseRequest = 2;

  // `updateKey` is the key downloaded setups must be signed with; null means
  // the release key. `queryHost` is the query site ("host[:port]"); null
  // means the configured one.
  explicit CMainDlg(const UpdatePublicKey* updateKey = nullptr, const wchar_t* queryHost = nullptr);
  ~CMainDlg() override;

  CQueryPage& QueryPage() { return *queryPage; }

 protected:
  bool ProcessFrameMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  // The header's close and minimise buttons and the close request; 1 when
  // handled.
  bool OnHeaderNotify(HWND hwnd, const NMHDR& header, LRESULT& result);
  BOOL OnInitDialog(HWND hwnd);
  void SetIcons(HWND hwnd);

  std::unique_ptr<CQueryPage> queryPage;
  UniqueIcon bigIcon_;
  UniqueIcon smallIcon_;
};
