// Reads what a screenshot of the main window shows in its list box: how many
// lines of text, where their middles are (y in the screenshot), and whether a
// vertical scroll bar is drawn. With --edges, how wide in screen pixels the lettering's edges in
// the box are: the mean run of pixels neither dark field nor gold ink between the two in a row.
// Usage: list_ink [--edges] SHOT.png LEFT TOP WIDTH HEIGHT
#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

bool IsInk(QRgb pixel) { return qGray(pixel) < 128; }
bool IsWhite(QRgb pixel) { return qRed(pixel) > 245 && qGreen(pixel) > 245 && qBlue(pixel) > 245; }

double EdgeWidth(const QImage& shot, const QRect& box) {
  long crossings = 0, between = 0;
  for (int y = box.top(); y <= box.bottom(); ++y) {
    int last = 1, run = 0;  // 0 field, 1 neither, 2 ink
    for (int x = box.left(); x <= box.right(); ++x) {
      const int gray = qGray(shot.pixel(x, y));
      const int shade = gray < 85 ? 0 : gray > 125 ? 2 : 1;
      if (shade == 1) {
        ++run;
      } else {
        if (last != 1 && last != shade) ++crossings, between += run;
        last = shade, run = 0;
      }
    }
  }
  return crossings > 0 ? static_cast<double>(between) / static_cast<double>(crossings) : -1;
}

}  // namespace

int main(int argc, char** argv) {
  const bool edges = argc == 7 && std::string(argv[1]) == "--edges";
  if (edges) --argc, ++argv;
  if (argc != 6) {
    std::fprintf(stderr, "usage: %s SHOT.png LEFT TOP WIDTH HEIGHT\n", argv[0]);
    return 2;
  }
  const QImage shot(QString::fromLocal8Bit(argv[1]));
  if (shot.isNull()) {
    std::fprintf(stderr, "cannot read %s\n", argv[1]);
    return 2;
  }
  const QRect list(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]));
  if (edges) {
    std::printf("edge_width=%.3f\n", EdgeWidth(shot, list));
    return 0;
  }
  // Inside the list's border; the last 20 columns are where a scroll bar goes.
  const QRect inside = list.adjusted(2, 2, -2, -2);
  const int text_right = inside.right() - 20;

  int lines = 0;
  int line_top = 0;
  std::string middles;
  bool previous_row_inked = false;
  for (int y = inside.top(); y <= inside.bottom() + 1; ++y) {
    bool inked = false;
    for (int x = inside.left(); x <= text_right && y <= inside.bottom() && !inked; ++x) {
      inked = IsInk(shot.pixel(x, y));
    }
    if (inked && !previous_row_inked) {
      ++lines;
      line_top = y;
    }
    if (!inked && previous_row_inked) {
      if (!middles.empty()) middles += ',';
      middles += std::to_string((line_top + y - 1) / 2);
    }
    previous_row_inked = inked;
  }
  int non_white = 0, total = 0;
  for (int y = inside.top(); y <= inside.bottom(); ++y) {
    for (int x = inside.right() - 8; x <= inside.right(); ++x, ++total)
      non_white += !IsWhite(shot.pixel(x, y));
  }
  std::printf("lines=%d scrollbar=%d middles=%s\n", lines, non_white * 2 > total ? 1 : 0,
              middles.empty() ? "-" : middles.c_str());
  return 0;
}
