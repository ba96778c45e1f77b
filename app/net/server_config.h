// Where the program's three servers and its home page live. Each is
// "host[:port]": a built-in default, overridden by tavora.ini beside the
// program ([Servers] Query=, Update=, Statistics=, Home=) and, above that, by
// the environment variables TAVORA_QUERY_HOST, TAVORA_UPDATE_HOST,
// TAVORA_STAT_HOST and TAVORA_HOME_HOST.
#pragma once

#include <string>

enum class ServerKind { Query, Update, Statistics, Home };

struct ServerAddress {
  std::wstring host;
  unsigned short port = 80;

  // "host" when the port is 80, else "host:port".
  std::wstring HostPort() const;
};

// Parses "host" or "host:port" (port 1 to 65535, port 80 when absent).
// Host names are letters, digits, '.', '-' and '_'; anything else fails.
bool ParseServerAddress(const std::wstring& text, ServerAddress& address);

// The configured address of a server (environment, then INI, then default).
ServerAddress GetServerAddress(ServerKind kind);

// "http://<home host[:port]>/": the program's home page.
std::wstring HomePageUrl();

// The INI file consulted: "tavora.ini" in the program's folder.
std::wstring ServerConfigPath();
