// The window's pictures as raw pixels embedded at build time
// (tools/raw_pictures), shown as they are: nothing to decode and no image
// plugin to load while the program starts.
#pragma once

#include <QImage>
#include <QList>
#include <string>

namespace platform::qt {

// Every image of a picture named in a design ("assets/skin.jpg"), reading the
// embedded pixels in place; empty when the picture is not embedded.
QList<QImage> EmbeddedPicture(const std::string& picture);

}  // namespace platform::qt
