/* Sends the largest window on the X display the close request that a window
 * manager sends (a WM_DELETE_WINDOW client message) once two are shown; with
 * an argument it only tells whether they are (status 0). */
#include <stdlib.h>
#include <string.h>
#include <xcb/xcb.h>

static xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* r =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, strlen(name), name), 0);
    const xcb_atom_t a = r ? r->atom : 0;
    free(r);
    return a;
}

int main(int argc, char** argv) {
    xcb_connection_t* c = xcb_connect(NULL, NULL);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, root), NULL);
    xcb_client_message_event_t event = {0};
    int shown = 0;
    for (int i = 0, most = 0; tree && i < xcb_query_tree_children_length(tree); ++i) {
        const xcb_window_t w = xcb_query_tree_children(tree)[i];
        xcb_get_window_attributes_reply_t* a =
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), 0);
        xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(c, xcb_get_geometry(c, w), 0);
        shown += a && a->map_state == XCB_MAP_STATE_VIEWABLE;
        if (a && g && a->map_state == XCB_MAP_STATE_VIEWABLE && g->width * g->height > most)
            event.window = w, most = g->width * g->height;
        free(a), free(g);
    }
    free(tree);
    /* Everything freed and disconnected, so that a leak checker has nothing to say. */
    if (shown < 2 || (argc > 1 && argv[1])) {
        xcb_disconnect(c);
        return shown < 2;
    }
    event.response_type = XCB_CLIENT_MESSAGE, event.format = 32;
    event.type = atom(c, "WM_PROTOCOLS"), event.data.data32[0] = atom(c, "WM_DELETE_WINDOW");
    xcb_send_event(c, 0, event.window, XCB_EVENT_MASK_NO_EVENT, (const char*)&event);
    xcb_flush(c);
    xcb_disconnect(c);
    return 0;
}
