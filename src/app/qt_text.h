// Text at the Qt edge. Inside the program every text is code page 936 (GBK);
// Qt holds Unicode. Every crossing between the two goes through this pair.
#pragma once

#include <QString>

#include "text/text.h"

namespace albumdl::app {

QString ToQString(const Text& text);
// Characters that code page 936 cannot hold (most emoji, some rare CJK
// extension characters) come out as "?": the core could not store them in a
// file name or the settings file anyway.
Text ToText(const QString& text);

}  // namespace albumdl::app
