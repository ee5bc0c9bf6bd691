// The GTK backend's geometry: where a window's widget goes in its parent's
// container, moving and sizing it, the stacking order of children, and the
// screen's metrics.

#include "platform/ui/Constants.h"
#include "platform/ui/SystemMetrics.h"
#include "platform/ui/gtk/GtkBackend.h"
#include "platform/ui/gtk/GtkNative.h"

#include <algorithm>
#include <vector>

namespace quilbex::ui::gtk {

GtkWidget* GtkBackend::parent_container(const Window& w, POINT* offset) const {
    *offset = {0, 0};
    for (HWND h = w.parent; h;) {
        Window* p = m_system->find(h);
        if (!p)
            return nullptr;
        GtkNative* n = native_of(*p);
        if (n && n->client) {
            if (p->is_child()) {
                RECT in = m_system->nonclient_insets(*p);
                offset->x += in.left;
                offset->y += in.top;
            }
            return n->client;
        }
        offset->x += p->rect.left;
        offset->y += p->rect.top;
        h = p->parent;
    }
    return nullptr;
}

void GtkBackend::place(Window& w) {
    GtkNative* n = native_of(w);
    if (!n)
        return;
    SyncGuard guard(n);
    if (!w.is_child()) {
        RECT client = m_system->client_rect(w);
        POINT origin = m_system->client_origin_on_screen(w);
        gtk_widget_set_size_request(n->client, client.right, client.bottom);
        if (m_reported_place.handle == w.handle && m_reported_place.rect == w.rect)
            return;  // the window is already there
        gtk_window_resize(GTK_WINDOW(n->outer.get()), std::max<LONG>(1, client.right),
                          std::max<LONG>(1, client.bottom));
        gtk_window_move(GTK_WINDOW(n->outer.get()), origin.x, origin.y);
        return;
    }
    POINT offset;
    GtkWidget* container = parent_container(w, &offset);
    if (!container)
        return;
    if (gtk_widget_get_parent(n->outer.get()) != container) {
        if (GtkWidget* old = gtk_widget_get_parent(n->outer.get()))
            gtk_container_remove(GTK_CONTAINER(old), n->outer.get());
        gtk_fixed_put(GTK_FIXED(container), n->outer.get(), w.rect.left + offset.x, w.rect.top + offset.y);
    } else {
        gtk_fixed_move(GTK_FIXED(container), n->outer.get(), w.rect.left + offset.x, w.rect.top + offset.y);
    }
    gtk_widget_set_size_request(n->outer.get(), std::max<LONG>(0, rect_width(w.rect)),
                                std::max<LONG>(0, rect_height(w.rect)));
}

void GtkBackend::restack_children(HWND parent) {
    Window* p = m_system->find(parent);
    if (!p || !native_of(*p) || !native_of(*p)->client)
        return;
    GtkWidget* container = native_of(*p)->client;
    // GtkFixed draws windowless children in the order they were added, so
    // those are added again bottom first. Children with a window of their own
    // (custom windows, which may hold a browser view) are never taken out:
    // their GdkWindows are raised bottom first instead.
    std::vector<HWND> order(p->children.rbegin(), p->children.rend());
    for (HWND h : order) {
        Window* c = m_system->find(h);
        if (!c || !native_of(*c) || gtk_widget_get_parent(native_of(*c)->outer.get()) != container)
            continue;
        GtkNative* n = native_of(*c);
        GtkWidget* widget = n->outer.get();
        if (gtk_widget_get_has_window(widget)) {
            if (GdkWindow* gdk = gtk_widget_get_window(widget))
                gdk_window_raise(gdk);
            continue;
        }
        SyncGuard guard(n);
        int x = 0, y = 0;
        gtk_container_child_get(GTK_CONTAINER(container), widget, "x", &x, "y", &y, nullptr);
        gtk_container_remove(GTK_CONTAINER(container), widget);
        gtk_fixed_put(GTK_FIXED(container), widget, x, y);
    }
    if (HWND f = m_system->focus())
        focus_changed(nullptr, f);
}

int GtkBackend::system_metric(int index) {
    GdkDisplay* display = gdk_display_get_default();
    GdkMonitor* monitor = display ? gdk_display_get_primary_monitor(display) : nullptr;
    if (!monitor && display)
        monitor = gdk_display_get_monitor(display, 0);
    GdkRectangle geometry{0, 0, 1024, 768};
    if (monitor)
        gdk_monitor_get_geometry(monitor, &geometry);
    return standard_system_metric(index, geometry.width, geometry.height);
}

}  // namespace quilbex::ui::gtk
