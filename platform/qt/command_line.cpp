// The command line as Linux programs answer it, before any display is open:
// --help and --version, the options every Qt program takes (Qt reads those
// itself once it starts), and a usage line for anything else.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

#include "platform/toolkit.h"

namespace platform {
namespace {

// The options of qt6options(7) that apply here; accepted only, Qt reads them.
QList<QCommandLineOption> QtOptions() {
  QList<QCommandLineOption> options;
  for (const char* name : {"platform", "platformpluginpath", "platformtheme", "plugin",
                           "qwindowgeometry", "qwindowicon", "qwindowtitle", "session", "display",
                           "geometry", "style", "stylesheet", "qmljsdebugger"}) {
    options << QCommandLineOption(QString::fromLatin1(name), QString(), QStringLiteral("value"));
  }
  options << QCommandLineOption(QStringLiteral("reverse"))
          << QCommandLineOption(QStringLiteral("widgetcount"));
  for (QCommandLineOption& option : options) option.setFlags(QCommandLineOption::HiddenFromHelp);
  return options;
}

void Print(std::FILE* stream, const QString& text) {
  std::fputs(text.toLocal8Bit().constData(), stream);
}

}  // namespace

std::optional<int> AnswerCommandLine(int argc, char** argv, const ProgramAbout& about) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  QCommandLineParser parser;
  // -platform is one option, as Qt reads it, not -p -l -a ...
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  parser.setApplicationDescription(
      QString::fromStdString(about.summary) +
      QStringLiteral("\nQt's own options, such as -platform or -display, are passed on to Qt."));
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                QStringLiteral("Displays this help."));
  parser.addOption(help);
  const QCommandLineOption version = parser.addVersionOption();
  parser.addOptions(QtOptions());
  const bool understood = parser.parse(arguments) && parser.positionalArguments().isEmpty();
  if (understood && !parser.isSet(help) && !parser.isSet(version)) return std::nullopt;

  // Only for the usage line, which names the program as it was started.
  int app_argc = argc;
  const QCoreApplication app(app_argc, argv);
  if (!understood) {
    const QString error = parser.positionalArguments().isEmpty()
                              ? parser.errorText()
                              : QStringLiteral("Unexpected argument '%1'.")
                                    .arg(parser.positionalArguments().constFirst());
    Print(stderr, QStringLiteral("%1: %2\n%3\nTry '%1 --help' for more information.\n")
                      .arg(QCoreApplication::applicationName(), error,
                           parser.helpText().section(QLatin1Char('\n'), 0, 0)));
    return 2;
  }
  Print(stdout, parser.isSet(help)
                    ? parser.helpText()
                    : QString::fromStdString(about.name + ' ' + about.version + '\n'));
  return 0;
}

}  // namespace platform
