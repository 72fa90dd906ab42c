// Writes one PNG per requested edge length from a Windows .ico file.
// Usage: talvane_icon_png ICON.ico OUT_DIR EDGE...  writes OUT_DIR/EDGE.png
//
// An .ico may hold several images of one size (talvane.ico has a 24-bit and
// a 32-bit 16 x 16); the one with the most bits per pixel wins, because the
// 24-bit images only have a one-bit mask for transparency.
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QStringList>
#include <QtEndian>
#include <cstdio>
#include <map>

namespace {

struct Entry {
  int index;
  int bits;
};

int Fail(const QString& what) {
  std::fprintf(stderr, "talvane_icon_png: %s\n", qPrintable(what));
  return 1;
}

// Directory of the .ico: 6-byte header, then a 16-byte entry per image
// (width, height, colours, reserved, planes, bit count, size, offset).
// Qt's reader does not report bit depth, so it is read from here.
std::map<int, Entry> BestEntryPerEdge(const QByteArray& ico) {
  std::map<int, Entry> best;
  if (ico.size() < 6) return best;
  const auto* d = reinterpret_cast<const uchar*>(ico.constData());
  if (qFromLittleEndian<quint16>(d) != 0 || qFromLittleEndian<quint16>(d + 2) != 1) return best;
  const int count = qFromLittleEndian<quint16>(d + 4);
  for (int i = 0; i < count && 6 + 16 * (i + 1) <= ico.size(); ++i) {
    const uchar* e = d + 6 + 16 * i;
    const int w = e[0] == 0 ? 256 : e[0];
    const int h = e[1] == 0 ? 256 : e[1];
    const int bits = qFromLittleEndian<quint16>(e + 6);
    if (w != h) continue;
    auto it = best.find(w);
    if (it == best.end() || bits > it->second.bits) best[w] = {i, bits};
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() < 4) return Fail("usage: talvane_icon_png ICON.ico OUT_DIR EDGE...");

  QFile file(args[1]);
  if (!file.open(QIODevice::ReadOnly)) return Fail("cannot read " + args[1]);
  const QByteArray ico = file.readAll();
  const auto entries = BestEntryPerEdge(ico);
  if (entries.empty()) return Fail(args[1] + " is not an icon file");

  const QDir out(args[2]);
  if (!out.mkpath(".")) return Fail("cannot create " + args[2]);

  for (int a = 3; a < args.size(); ++a) {
    bool ok = false;
    const int edge = args[a].toInt(&ok);
    const auto it = entries.find(edge);
    if (!ok || it == entries.end())
      return Fail(QStringLiteral("no %1 x %1 image in %2").arg(args[a], args[1]));

    QImageReader reader(args[1], "ico");
    if (!reader.jumpToImage(it->second.index)) return Fail(reader.errorString());
    const QImage image = reader.read();
    if (image.isNull())
      return Fail(QStringLiteral("image %1: %2").arg(it->second.index).arg(reader.errorString()));
    if (image.width() != edge || image.height() != edge)
      return Fail(QStringLiteral("image %1 is %2 x %3, not %4")
                      .arg(it->second.index)
                      .arg(image.width())
                      .arg(image.height())
                      .arg(edge));

    const QString path = out.filePath(QStringLiteral("%1.png").arg(edge));
    if (!image.convertToFormat(QImage::Format_ARGB32).save(path, "PNG"))
      return Fail("cannot write " + path);
  }
  return 0;
}
