// Starts the demo site (tools/demo_site.py) on a free port of 127.0.0.1 for
// one test program, and stops it again.
#pragma once

#include <string>

class DemoSite {
 public:
  DemoSite() = default;
  ~DemoSite() { Stop(); }
  DemoSite(const DemoSite&) = delete;
  DemoSite& operator=(const DemoSite&) = delete;

  // Launches the server and waits until it listens; false when it did not.
  bool Start(const std::string& extraArguments = std::string());
  void Stop();

  unsigned short Port() const { return port_; }
  // "127.0.0.1:PORT", as the program's server configuration takes it.
  std::wstring HostPort() const;
  // Every request line the server has received so far, each followed by "\n".
  std::string RequestLog() const;
  // Request lines received since the last call of ClearLog.
  void ClearLog();

 private:
  std::wstring folder_;  // Windows path of this server's scratch folder
  unsigned short port_ = 0;
  size_t logOffset_ = 0;
};

// The shared server of a test program: started on first use, stopped at exit.
DemoSite& SharedDemoSite();
