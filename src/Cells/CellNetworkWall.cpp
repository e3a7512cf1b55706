#include "Cells/CellNetworkWall.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

namespace kivari {

namespace {

// The dead end: a loopback port that this process holds bound, and never
// listens on, for as long as it runs. A connection to it is refused by the
// kernel at once. Bound without SO_REUSEADDR or SO_REUSEPORT, the port can
// be bound by no other socket, so no other program can listen there and
// be handed the cell's requests. A port we merely hoped was free could be
// taken by anyone; an address that goes nowhere would hang until a timeout;
// a name that does not resolve would ask the network's DNS. Zero when no
// port could be held.
int holdDeadEnd() {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return 0;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    close(fd);
    return 0;
  }
  return ntohs(address.sin_port);  // the socket stays open: the port stays ours
}

}  // namespace

// Made once for the process; a failure is not kept, the next cell tries again.
int networkWallPort() {
  static int port = 0;
  if (port == 0) port = holdDeadEnd();
  return port;
}

bool wallOffNetwork(WebKitNetworkSession* session) {
  const int port = networkWallPort();
  if (port == 0) return false;
  const std::string proxy = "http://127.0.0.1:" + std::to_string(port);
  // No hosts left out: loopback addresses and localhost go through it too.
  WebKitNetworkProxySettings* settings = webkit_network_proxy_settings_new(proxy.c_str(), nullptr);
  webkit_network_session_set_proxy_settings(session, WEBKIT_NETWORK_PROXY_MODE_CUSTOM, settings);
  webkit_network_proxy_settings_free(settings);
  return true;
}

}  // namespace kivari
