// Prints the system time zone as Qt finds it in a fresh process: its name,
// and its offset from UTC now in seconds. KDE's clocks read it this way.
#include <QDateTime>
#include <QTimeZone>
#include <cstdio>

int main() {
  const QTimeZone zone = QTimeZone::systemTimeZone();
  std::printf("%s %d\n", zone.id().constData(),
              zone.offsetFromUtc(QDateTime::currentDateTimeUtc()));
}
