// A TCP server on 127.0.0.1 that accepts connections, keeps what they send,
// and never answers: a statistics server that has stopped responding.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class SilentServer {
 public:
  SilentServer();
  ~SilentServer();
  SilentServer(const SilentServer&) = delete;
  SilentServer& operator=(const SilentServer&) = delete;

  unsigned short Port() const { return port_; }
  std::wstring HostPort() const { return L"127.0.0.1:" + std::to_wstring(port_); }
  // Everything received so far, all connections together.
  std::string Received() const;
  int Connections() const { return connections_; }
  // Connections accepted and not yet ended by the other side.
  int OpenConnections() const { return open_; }

 private:
  void Serve();

  // Winsock SOCKET values, kept as integers so that this header needs no
  // Winsock header (which must precede windows.h wherever it is included).
  uintptr_t listener_ = ~uintptr_t(0);
  unsigned short port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> connections_{0};
  std::atomic<int> open_{0};
  mutable std::mutex mutex_;
  std::string received_;
  std::vector<uintptr_t> clients_;
  std::thread thread_;
};
