// Reads what a screenshot of the main window shows in its list box: how many
// lines of text, where their middles are (y in the screenshot), and whether a
// vertical scroll bar is drawn.
// Usage: list_ink SHOT.png LEFT TOP WIDTH HEIGHT
#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

bool IsInk(QRgb pixel) { return qGray(pixel) < 128; }
bool IsWhite(QRgb pixel) { return qRed(pixel) > 245 && qGreen(pixel) > 245 && qBlue(pixel) > 245; }

}  // namespace

int main(int argc, char** argv) {
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
