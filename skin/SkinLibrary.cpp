// The skin library's two exported functions. Everything else in this shared
// object is hidden.
//
// A skin is a GTK style sheet installed for the whole screen, so that every
// window of the process, present and future, is drawn with it. It sits above
// what the toolkit brings (its theme and settings) and below everything the
// program sets at application priority: the window system's own sizing rules
// and the colours of single controls (for example a status box's own text and
// background colours from its template).
//
// Both functions must be called on the thread that runs GTK.

#include "skin/ColourShift.h"
#include "skin/SkinData.h"

#include <gtk/gtk.h>
#include <memory>

namespace {

using quilbex::skin::SkinError;

struct GObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
template <typename T> using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

struct GErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};

constexpr guint kSkinPriority = GTK_STYLE_PROVIDER_PRIORITY_SETTINGS + 1;

// The skin in force: the screen it is installed on and its provider. Both
// are held by reference, so removing the provider later is always safe.
class InstalledSkin {
public:
    ~InstalledSkin() { remove(); }

    void replace(GdkScreen* screen, GObjectPtr<GtkCssProvider> provider) {
        gtk_style_context_add_provider_for_screen(screen, GTK_STYLE_PROVIDER(provider.get()), kSkinPriority);
        remove();
        m_screen.reset(GDK_SCREEN(g_object_ref(screen)));
        m_provider = std::move(provider);
    }

private:
    void remove() {
        if (m_screen && m_provider)
            gtk_style_context_remove_provider_for_screen(m_screen.get(), GTK_STYLE_PROVIDER(m_provider.get()));
        m_provider.reset();
        m_screen.reset();
    }

    GObjectPtr<GdkScreen> m_screen;
    GObjectPtr<GtkCssProvider> m_provider;
};

InstalledSkin& installed_skin() {
    static InstalledSkin skin;
    return skin;
}

int result(SkinError error) { return static_cast<int>(error); }

}  // namespace

// Readies skinning for the process: 0 when the toolkit has a screen to
// style, SkinError::NoDisplay otherwise. It installs no skin by itself.
extern "C" __attribute__((visibility("default"))) int SkinH_Attach() {
    return result(gdk_screen_get_default() ? SkinError::None : SkinError::NoDisplay);
}

// Installs the skin in `data` (the .SHE format) for every window of the
// process, replacing the skin installed before, with its colours shifted by
// hue (degrees, -180..180), saturation and brightness (percent, -100..100);
// out-of-range values are limited to their range, and 0, 0, 0 keeps the
// colours as they are. Our skins are not encrypted: `password` is accepted
// and not used. Returns 0, or a SkinError value with nothing changed.
extern "C" __attribute__((visibility("default"))) int
SkinH_AttachRes(const void* data, int length, const char* password, int hue, int saturation, int brightness) {
    (void)password;
    if (!data || length <= 0)
        return result(SkinError::NoData);
    auto unpacked =
        quilbex::skin::unpack_skin({static_cast<const std::uint8_t*>(data), static_cast<std::size_t>(length)});
    if (auto* error = std::get_if<SkinError>(&unpacked))
        return result(*error);
    const std::string& sheet = std::get<std::string>(unpacked);
    if (!g_utf8_validate(sheet.data(), static_cast<gssize>(sheet.size()), nullptr))
        return result(SkinError::BadSheet);
    std::string shifted = quilbex::skin::shift_colours(sheet, {hue, saturation, brightness});

    GdkScreen* screen = gdk_screen_get_default();
    if (!screen)
        return result(SkinError::NoDisplay);
    GObjectPtr<GtkCssProvider> provider(gtk_css_provider_new());
    GError* raw_error = nullptr;
    gboolean loaded = gtk_css_provider_load_from_data(provider.get(), shifted.data(),
                                                      static_cast<gssize>(shifted.size()), &raw_error);
    std::unique_ptr<GError, GErrorFree> error(raw_error);
    if (!loaded || error)
        return result(SkinError::BadSheet);
    installed_skin().replace(screen, std::move(provider));
    return result(SkinError::None);
}
