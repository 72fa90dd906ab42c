#include "platform/qt/embedded_pictures.h"

#include <QResource>
#include <cstdint>
#include <cstring>

namespace platform::qt {

QList<QImage> EmbeddedPicture(const std::string& picture) {
  const QResource resource(QStringLiteral(":/pixels/") + QString::fromStdString(picture));
  if (!resource.isValid() || resource.compressionAlgorithm() != QResource::NoCompression) return {};
  const uchar* data = resource.data();
  qint64 left = resource.size();
  QList<QImage> images;
  while (left >= 12) {
    std::uint32_t header[3];
    std::memcpy(header, data, sizeof header);
    const auto [width, height, format] = header;
    const qint64 bytes = qint64{width} * height * 4;
    if (width == 0 || height == 0 || width > 4096 || height > 4096 || bytes > left - 12 ||
        (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32)) {
      return {};
    }
    QImage image(data + 12, static_cast<int>(width), static_cast<int>(height),
                 static_cast<qsizetype>(width) * 4, static_cast<QImage::Format>(format));
    // The pixels are read in place where they are aligned as QImage needs.
    images << (reinterpret_cast<std::uintptr_t>(data + 12) % 4 == 0 ? image : image.copy());
    data += 12 + bytes;
    left -= 12 + bytes;
  }
  return left == 0 ? images : QList<QImage>{};
}

}  // namespace platform::qt
