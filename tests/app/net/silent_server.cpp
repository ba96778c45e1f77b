#include "tests/app/net/silent_server.h"

#include <winsock2.h>

SilentServer::SilentServer() {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return;
  listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (listener_ == INVALID_SOCKET) return;
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  int length = sizeof(address);
  if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 || listen(listener_, 8) != 0 ||
      getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    closesocket(listener_);
    listener_ = INVALID_SOCKET;
    return;
  }
  port_ = ntohs(address.sin_port);
  thread_ = std::thread(&SilentServer::Serve, this);
}

SilentServer::~SilentServer() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  for (uintptr_t client : clients_) closesocket(client);
  if (listener_ != INVALID_SOCKET) closesocket(listener_);
  WSACleanup();
}

std::string SilentServer::Received() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return received_;
}

void SilentServer::Serve() {
  // Polls with select so that the destructor can stop the thread promptly.
  while (!stop_) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(listener_, &readable);
    for (uintptr_t client : clients_) FD_SET(client, &readable);
    timeval wait = {0, 50000};
    if (select(0, &readable, nullptr, nullptr, &wait) <= 0) continue;
    if (FD_ISSET(listener_, &readable)) {
      const SOCKET client = accept(listener_, nullptr, nullptr);
      if (client != INVALID_SOCKET) {
        if (clients_.size() < FD_SETSIZE - 1) {
          clients_.push_back(client);
          ++connections_;
          ++open_;
        } else {
          closesocket(client);
        }
      }
    }
    for (size_t i = 0; i < clients_.size();) {
      const SOCKET client = clients_[i];
      if (!FD_ISSET(client, &readable)) {
        ++i;
        continue;
      }
      char buffer[4096];
      const int got = recv(client, buffer, sizeof(buffer), 0);
      if (got > 0) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (received_.size() < (1u << 20)) received_.append(buffer, got);
        ++i;
      } else {
        // The other side gave up (its time-out): forget the connection.
        closesocket(client);
        clients_.erase(clients_.begin() + static_cast<std::ptrdiff_t>(i));
        --open_;
      }
    }
  }
}
