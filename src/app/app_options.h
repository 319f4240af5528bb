// The command line of albumdl-gui. Everything is optional: started bare, the
// window uses the settings file's site (else the stand-in site on loopback)
// and waits as designed between requests.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace albumdl::app {

struct AppOptions {
  QString site;            // --site URL: the site host (the image host is URL/img)
  QString imageHost;       // --image-host URL
  QString home;            // --home DIR: the program directory
  QString proxy;           // --proxy URL: every request goes through it
  QString addressesFile;   // --addresses FILE: put into the address box
  QString screenshotsDir;  // --screenshot-pages DIR: photograph each page and quit
  double pace = 1.0;       // --pace or ALBUMDL_PACE
};

// Parses the arguments (program name first). On an error or --help, prints to
// the console and gives the exit status instead.
std::optional<int> ParseAppOptions(const QStringList& arguments, AppOptions& options);

// A pause factor from text: a number from 0 to 1000.
std::optional<double> ParsePace(const QString& text);

}  // namespace albumdl::app
