#include "app/app_options.h"

#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>

namespace albumdl::app {

std::optional<double> ParsePace(const QString& text) {
  bool ok = false;
  const double value = text.trimmed().toDouble(&ok);
  if (!ok || !(value >= 0) || value > 1000) return std::nullopt;
  return value;
}

std::optional<int> ParseAppOptions(const QStringList& arguments, AppOptions& options) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "The album downloader's window. Paste board or search addresses, fetch the albums,\n"
      "tick them and download."));
  parser.addHelpOption();
  const QCommandLineOption site(
      QStringLiteral("site"),
      QStringLiteral("The site host, e.g. http://127.0.0.1:18631 (its /img, "
                     "/version and /feedback are used too)"),
      QStringLiteral("URL"));
  const QCommandLineOption imageHost(
      QStringLiteral("image-host"),
      QStringLiteral("The image host (default: the site host + /img when --site is given)"),
      QStringLiteral("URL"));
  const QCommandLineOption home(
      QStringLiteral("home"),
      QStringLiteral("The program directory: settings, record stores, the viewer's profile"),
      QStringLiteral("DIR"));
  const QCommandLineOption proxy(
      QStringLiteral("proxy"),
      QStringLiteral("Send every request through this proxy, e.g. http://127.0.0.1:3128 (default: "
                     "the settings file's proxy key, else the environment's proxy variables)"),
      QStringLiteral("URL"));
  const QCommandLineOption addresses(
      QStringLiteral("addresses"), QStringLiteral("Put the addresses in FILE into the address box"),
      QStringLiteral("FILE"));
  const QCommandLineOption screenshots(
      QStringLiteral("screenshot-pages"),
      QStringLiteral("Photograph each page into DIR (page-0.png ... page-3.png, main-window.png) "
                     "and quit"),
      QStringLiteral("DIR"));
  const QCommandLineOption pace(
      QStringLiteral("pace"),
      QStringLiteral("Multiplies every pause between requests (0: none; also ALBUMDL_PACE)"),
      QStringLiteral("FACTOR"));
  parser.addOptions({site, imageHost, home, proxy, addresses, screenshots, pace});

  if (!parser.parse(arguments)) {
    std::fprintf(stderr, "albumdl-gui: %s (see --help)\n", qPrintable(parser.errorText()));
    return 2;
  }
  if (parser.isSet(QStringLiteral("help-all"))) {
    // Qt lists its own options only for an application that runs; a minimal
    // one needs no display. process() prints the whole help and exits.
    static char name[] = "albumdl-gui", platform[] = "-platform", offscreen[] = "offscreen";
    static char* qtArguments[] = {name, platform, offscreen, nullptr};
    static int count = 3;
    QApplication qt(count, qtArguments);
    parser.process(arguments);
    return 0;
  }
  if (parser.isSet(QStringLiteral("help"))) {
    std::fprintf(stdout, "%s",
                 qPrintable(parser.helpText().replace(QStringLiteral("<executable_name>"),
                                                      QStringLiteral("albumdl-gui"))));
    return 0;
  }
  if (!parser.positionalArguments().isEmpty()) {
    std::fprintf(stderr, "albumdl-gui: unexpected argument %s (see --help)\n",
                 qPrintable(parser.positionalArguments().first()));
    return 2;
  }
  options.site = parser.value(site);
  options.imageHost = parser.value(imageHost);
  options.home = parser.value(home);
  options.proxy = parser.value(proxy);
  options.addressesFile = parser.value(addresses);
  options.screenshotsDir = parser.value(screenshots);
  QString paceText = qEnvironmentVariable("ALBUMDL_PACE");
  if (parser.isSet(pace)) paceText = parser.value(pace);
  if (!paceText.isEmpty()) {
    const auto factor = ParsePace(paceText);
    if (!factor) {
      std::fprintf(stderr, "albumdl-gui: the pace wants a number from 0 to 1000, not %s\n",
                   qPrintable(paceText));
      return 2;
    }
    options.pace = *factor;
  }
  return std::nullopt;
}

}  // namespace albumdl::app
