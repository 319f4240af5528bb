// Bodies compressed as a server sends them with a Content-Encoding: gzip
// (RFC 1952) or deflate (the zlib format of RFC 1950, as HTTP names it).
#pragma once

#include <string>

#include "demo_site.h"

namespace demosite {

std::string Compressed(const std::string& body, Fault::Coding coding);
// The Content-Encoding that names the coding: "gzip" or "deflate".
std::string CodingName(Fault::Coding coding);

}  // namespace demosite
