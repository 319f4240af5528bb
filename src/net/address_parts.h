// An address cut into what cookies and redirects are judged by: scheme, host,
// port and path, read by libcurl's own parser. Internal to src/net.
#pragma once

#include "text/text.h"

namespace albumdl::net_internal {

struct AddressParts {
  Text scheme;         // lower case
  Text host;           // lower case; an IPv6 address in brackets ("[::1]")
  int port = 0;        // the scheme's default when the address names none
  Text path = "/";     // without query and fragment
  bool valid = false;  // an http or https address with a host

  bool Secure() const { return scheme == "https"; }
  // "http://host:port": two addresses of one origin share it.
  Text Origin() const;
};

// Reads url ("http://" in front when it names no scheme); typed addresses may
// hold blanks and non-ASCII bytes.
AddressParts ParseAddress(const Text& url);

}  // namespace albumdl::net_internal
