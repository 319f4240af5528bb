// Faults written as text, as albumdl-demo-site takes them on its command line:
//
//   PREFIX=KIND[:ARG][,OPTION=VALUE]...      e.g. /img/=status:503,first=2
//
// kFaultSyntax below is the full description, printed by --help.
#pragma once

#include <optional>
#include <string>

#include "demo_site.h"

namespace demosite {

struct FaultSetting {
  std::string pathPrefix;
  Fault fault;
};

// One fault; nullopt with a message that names the wrong part when the text
// does not follow the syntax.
std::optional<FaultSetting> ParseFaultSetting(const std::string& text, std::string& error);

inline constexpr char kFaultSyntax[] =
    "PREFIX=KIND[:ARG][,OPTION=VALUE]...\n"
    "  PREFIX starts with \"/\" and holds no \"=\"; a request meets the fault of the\n"
    "  longest PREFIX its path (without the query) starts with. KIND is one of:\n"
    "    status:CODE           answer CODE (100-599) with a short text body\n"
    "    reset                 cut the connection before a byte of the answer\n"
    "    truncate[:BYTES]      Content-Length promises the whole body, only half of it\n"
    "                          (or its first BYTES bytes) is sent, then the connection closes\n"
    "    delay:MS              wait MS milliseconds, then answer normally\n"
    "    badjson               status 200, a body of JSON that no parser accepts\n"
    "    empty                 status 200, an empty body\n"
    "    notpicture:json|text|html\n"
    "                          status 200 and an image Content-Type, but the body is a\n"
    "                          JSON error, a line of text or an HTML error page\n"
    "    trickle:BYTES/MS      the normal answer, BYTES bytes every MS milliseconds\n"
    "    huge:MB               the normal answer's bytes, then zero bytes up to MB MiB,\n"
    "                          streamed, with a Content-Length\n"
    "    cut[:BYTES]           no Content-Length and Connection: close, only half of the\n"
    "                          body (or its first BYTES bytes), then the connection closes:\n"
    "                          only the body's own form can tell that it is not whole\n"
    "    compress:gzip|deflate the normal answer with its body compressed and a\n"
    "                          Content-Encoding, whatever the request asked for\n"
    "  OPTIONs:\n"
    "    first=N               only the first N requests the prefix matches\n"
    "    after=N               the first N requests pass untouched, the fault counts from\n"
    "                          the next (a board's answer, then its pages)\n"
    "    share=F               only a share F of them (0 < F <= 1), spread evenly and the\n"
    "                          same on every run: 0.5 is every second request\n"
    "    retry-after=SECONDS   (status) send a Retry-After header\n"
    "    length=no             (huge) no Content-Length: the body ends when the connection\n"
    "                          closes\n"
    "  Examples: /img/=status:503,retry-after=2,first=2   /boards/travel/=reset,share=0.5\n"
    "            /img/=trickle:4/250   /img/spring-1.png=huge:100,length=no\n"
    "            /img/=cut,first=1   /boards/=compress:gzip\n"
    "            /boards/travel/=status:503,after=1   (its pages, not its answer)\n";

}  // namespace demosite
