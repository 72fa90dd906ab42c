// Decodes a picture at build time into the raw pixels the Qt window paints
// as they are, so the program loads no image plugin and decodes nothing while
// it starts.
// Usage: talvane_raw_pictures IN OUT
//
// OUT holds every image of IN in the order Qt reads them, one per size: where
// an .ico holds two of one size, the deeper one, as QIcon picks it. Each image
// is three native-endian 32-bit words (width, height, QImage::Format), then
// its rows: ARGB32 where the picture has transparency (the layout X takes for
// a window icon), RGB32 where it has none.
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QList>
#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace {

// The bit depth an .ico image had in the file, as Qt's reader records it.
int OriginalDepth(const QImage& image) {
  const QString depth = image.text(QStringLiteral("_q_icoOrigDepth"));
  return depth.isEmpty() ? 32 : depth.toInt();
}

int Fail(const QString& what) {
  std::fprintf(stderr, "talvane_raw_pictures: %s\n", qPrintable(what));
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc != 3) return Fail("usage: talvane_raw_pictures IN OUT");
  QImageReader reader(QString::fromLocal8Bit(argv[1]));
  QList<QImage> images;
  const int count = std::max(1, reader.imageCount());
  for (int i = 0; i < count; ++i) {
    if (i > 0 && !reader.jumpToImage(i))
      return Fail(QString("%1: no image %2").arg(argv[1]).arg(i));
    const QImage image = reader.read();
    if (image.isNull()) return Fail(QString("%1: %2").arg(argv[1], reader.errorString()));
    auto same = std::find_if(images.begin(), images.end(),
                             [&](const QImage& kept) { return kept.size() == image.size(); });
    if (same == images.end()) {
      images << image;
    } else if (OriginalDepth(image) > OriginalDepth(*same)) {
      *same = image;
    }
  }
  QByteArray out;
  for (QImage& image : images) {
    // Through premultiplied ARGB32, as a pixmap holds it, so a pixel with
    // partial transparency keeps exactly the value the window has always
    // shown and given as its icon.
    if (image.hasAlphaChannel()) {
      image.convertTo(QImage::Format_ARGB32_Premultiplied);
      image.convertTo(QImage::Format_ARGB32);
    } else {
      image.convertTo(QImage::Format_RGB32);
    }
    for (std::uint32_t word :
         {static_cast<std::uint32_t>(image.width()), static_cast<std::uint32_t>(image.height()),
          static_cast<std::uint32_t>(image.format())}) {
      out.append(reinterpret_cast<const char*>(&word), sizeof word);
    }
    for (int y = 0; y < image.height(); ++y) {
      out.append(reinterpret_cast<const char*>(image.constScanLine(y)), image.width() * 4);
    }
  }
  QFile file(QString::fromLocal8Bit(argv[2]));
  if (!file.open(QIODevice::WriteOnly) || file.write(out) != out.size()) {
    return Fail(QString("cannot write %1").arg(argv[2]));
  }
  return 0;
}
