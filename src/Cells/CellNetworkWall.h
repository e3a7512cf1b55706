#pragma once

#include <webkit/webkit.h>

namespace kivari {

// The wall beneath WebKit's own loaders for a manifest cell. WebKit connects
// to a link's server as soon as a navigation starts, before it asks the
// navigation policy, and neither the content filter nor the page's security
// policy sees that connection. So every connection of the cell's network
// session, loopback ones too, goes to a proxy that refuses it at once.
//
// Answers whether the session is walled off: false when no dead end could
// be made, and the session is then left as it was.
bool wallOffNetwork(WebKitNetworkSession* session);

// The dead end's loopback port, made the first time it is asked for; zero
// when none could be held.
int networkWallPort();

}  // namespace kivari
