// The two kinds of byte string the whole program passes around. They are named
// down here, below everything, because the file system and the code pages speak
// of them as well; text/text.h gives Text its operations.
#pragma once

#include <string>

namespace albumdl {

using Text = std::string;   // code page 936 bytes
using Bytes = std::string;  // a counted byte array (bodies, pictures, UTF-8 data)

}  // namespace albumdl
