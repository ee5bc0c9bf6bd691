// iconpng <pixel art file> <size> <png out>
// Renders the program's pixel-art icon as a square PNG of the given size,
// for the desktop's icon theme. Whole multiples of the drawing keep its hard
// pixel edges; other sizes are resampled smoothly.

#include "tools/formgen/PixelArt.h"

#include <cstdlib>
#include <fstream>
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <iostream>
#include <memory>
#include <sstream>

using namespace quilbex::tools;

namespace {

struct PixbufUnref {
    void operator()(GdkPixbuf* pixbuf) const { g_object_unref(pixbuf); }
};
using Pixbuf = std::unique_ptr<GdkPixbuf, PixbufUnref>;

// The image as a GdkPixbuf with straight (not premultiplied) RGBA rows.
Pixbuf to_pixbuf(const PixelImage& image) {
    Pixbuf pixbuf(gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, image.width, image.height));
    if (!pixbuf)
        return nullptr;
    guchar* pixels = gdk_pixbuf_get_pixels(pixbuf.get());
    int stride = gdk_pixbuf_get_rowstride(pixbuf.get());
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            std::uint32_t argb = image.argb[static_cast<std::size_t>(y * image.width + x)];
            guchar* p = pixels + y * stride + x * 4;
            p[0] = static_cast<guchar>(argb >> 16);
            p[1] = static_cast<guchar>(argb >> 8);
            p[2] = static_cast<guchar>(argb);
            p[3] = static_cast<guchar>(argb >> 24);
        }
    }
    return pixbuf;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: iconpng <pixel art file> <size> <png out>\n";
        return 2;
    }
    std::ifstream file(argv[1], std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    if (!file) {
        std::cerr << argv[1] << ": cannot read\n";
        return 1;
    }
    auto parsed = parse_pixel_art(text.str());
    if (auto* error = std::get_if<PixelArtError>(&parsed)) {
        std::cerr << argv[1] << ":" << error->line << ": " << error->message << "\n";
        return 1;
    }
    const auto& image = std::get<PixelImage>(parsed);
    int size = std::atoi(argv[2]);
    if (size < 1 || size > 1024 || image.width != image.height) {
        std::cerr << "iconpng: wants a square drawing and a size from 1 to 1024\n";
        return 1;
    }
    Pixbuf source = to_pixbuf(image);
    GdkInterpType how = size % image.width == 0 ? GDK_INTERP_NEAREST : GDK_INTERP_HYPER;
    Pixbuf scaled(source ? gdk_pixbuf_scale_simple(source.get(), size, size, how) : nullptr);
    GError* error = nullptr;
    if (!scaled || !gdk_pixbuf_save(scaled.get(), argv[3], "png", &error, nullptr)) {
        std::cerr << "iconpng: cannot write " << argv[3] << ": " << (error ? error->message : "out of memory") << "\n";
        if (error)
            g_error_free(error);
        return 1;
    }
    return 0;
}
