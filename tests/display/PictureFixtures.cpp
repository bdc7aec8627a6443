#include "tests/display/PictureFixtures.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <stdexcept>

namespace talv::test {

Bytes makePicture(int width, int height, const char* format) {
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, width, height);
    gdk_pixbuf_fill(pixbuf, 0x3366ccff);
    gchar* buffer = nullptr;
    gsize length = 0;
    bool saved = gdk_pixbuf_save_to_buffer(pixbuf, &buffer, &length, format, nullptr, nullptr);
    g_object_unref(pixbuf);
    if (!saved) throw std::runtime_error("cannot encode the test picture");
    Bytes bytes(buffer, buffer + length);
    g_free(buffer);
    return bytes;
}

}  // namespace talv::test
