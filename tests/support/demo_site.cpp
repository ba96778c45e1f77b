#include "tests/support/demo_site.h"

#include <winsock2.h>
#include <windows.h>

#include <string>

#include "skin/resources/text_encoding.h"
#include "tests/support/test_support.h"

namespace {

// Sends one bodiless request and ignores the answer.
void SendRequest(unsigned short port, const char* request) {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return;
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s != INVALID_SOCKET) {
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const DWORD timeoutMs = 3000;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs), sizeof(timeoutMs));
    setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeoutMs), sizeof(timeoutMs));
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0) {
      send(s, request, static_cast<int>(strlen(request)), 0);
      char buffer[512];
      while (recv(s, buffer, sizeof(buffer), 0) > 0) {
      }
    }
    closesocket(s);
  }
  WSACleanup();
}

}  // namespace

bool DemoSite::Start(const std::string& extraArguments) {
  Stop();
  static int serial = 0;
  folder_ = MakeScratchFolder("demo-site-" + std::to_string(++serial));
  const std::wstring& folder = folder_;
  const std::string unixFolder = UnixPath(folder);
  const std::string script = UnixPath(SourcePath("tools/demo_site.py"));

  // Wine starts Unix programs directly; the server ends itself after a while
  // should this process die without stopping it.
  std::string command = "python3 " + script + " --port 0 --port-file " + unixFolder + "/port --log " + unixFolder +
                        "/requests.log --max-seconds 900 --detach-stdio " + extraArguments;
  std::wstring commandLine = Utf8ToWide(command);

  // The server gets the null device for its standard streams: handed ours,
  // it would hold the test runner's output pipe open for as long as it runs.
  SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
  HANDLE nul = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                           OPEN_EXISTING, 0, nullptr);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = startup.hStdOutput = startup.hStdError = nul;
  PROCESS_INFORMATION process = {};
  const BOOL started = CreateProcessW(L"Z:\\usr\\bin\\python3", &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                                      nullptr, &startup, &process);
  if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
  if (!started) return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);

  const std::wstring portFile = folder + L"\\port";
  for (int waited = 0; waited < 15000; waited += 50) {
    const std::string text = ReadFileBytes(portFile);
    if (!text.empty()) {
      port_ = static_cast<unsigned short>(std::stoi(text));
      logOffset_ = 0;
      return port_ != 0;
    }
    Sleep(50);
  }
  return false;
}

void DemoSite::Stop() {
  if (port_ == 0) return;
  SendRequest(port_, "GET /__quit HTTP/1.0\r\n\r\n");
  port_ = 0;
}

std::wstring DemoSite::HostPort() const { return L"127.0.0.1:" + std::to_wstring(port_); }

std::string DemoSite::RequestLog() const {
  const std::string log = ReadFileBytes(folder_ + L"\\requests.log");
  return logOffset_ < log.size() ? log.substr(logOffset_) : std::string();
}

void DemoSite::ClearLog() { logOffset_ += RequestLog().size(); }

DemoSite& SharedDemoSite() {
  static DemoSite site;
  if (site.Port() == 0) site.Start();
  return site;
}
