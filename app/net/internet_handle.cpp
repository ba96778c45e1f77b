#include "app/net/internet_handle.h"

void SetInternetTimeouts(HINTERNET handle, DWORD milliseconds) {
  if (!handle) return;
  const DWORD options[] = {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                           INTERNET_OPTION_RECEIVE_TIMEOUT};
  for (DWORD option : options) {
    DWORD value = milliseconds;
    InternetSetOptionW(handle, option, &value, sizeof(value));
  }
}
