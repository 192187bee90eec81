/* Another X11 program for the clipboard tests, written straight on XCB:
 *   xcb_peer read OUT      prints the CLIPBOARD owner's TARGETS (one name a
 *                          line) and writes its image/png bytes (INCR
 *                          followed) to OUT
 *   xcb_peer own IN SECS   owns CLIPBOARD offering TARGETS and the PNG file
 *                          IN as image/png (INCR above 64 KiB), prints
 *                          "owning" once confirmed, serves until it loses
 *                          the selection or SECS pass
 *   xcb_peer draw X Y W H RRGGBB ...  fills rectangles on the root window
 * Exit status 0 on success. */
#include <xcb/xcb.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

static xcb_connection_t* c;
static xcb_screen_t* screen;
static xcb_window_t win;

static xcb_atom_t atom(const char* name)
{
    xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, (uint16_t)strlen(name), name), NULL);
    xcb_atom_t a = r ? r->atom : XCB_NONE;
    free(r);
    return a;
}

static xcb_generic_event_t* wait_for(int type, int seconds)
{
    time_t end = time(NULL) + seconds;
    while (time(NULL) <= end) {
        xcb_generic_event_t* e = xcb_poll_for_event(c);
        if (!e) {
            if (xcb_connection_has_error(c)) return NULL;
            usleep(1000);
            continue;
        }
        if ((e->response_type & 0x7F) == type) return e;
        free(e);
    }
    return NULL;
}

static unsigned char* get_property(xcb_atom_t prop, xcb_atom_t* type, uint32_t* length)
{
    xcb_get_property_reply_t* r =
        xcb_get_property_reply(c, xcb_get_property(c, 1, win, prop, XCB_GET_PROPERTY_TYPE_ANY, 0, 1u << 28), NULL);
    if (!r) return NULL;
    *length = (uint32_t)xcb_get_property_value_length(r);
    *type = r->type;
    unsigned char* out = malloc(*length + 1);
    memcpy(out, xcb_get_property_value(r), *length);
    free(r);
    return out;
}

/* Converts CLIPBOARD to target into *out; INCR followed. */
static int convert(xcb_atom_t target, unsigned char** out, uint32_t* size)
{
    xcb_atom_t prop = atom("PEER_SEL"), incr = atom("INCR"), type;
    xcb_convert_selection(c, win, atom("CLIPBOARD"), target, prop, XCB_CURRENT_TIME);
    xcb_flush(c);
    xcb_selection_notify_event_t* n = (xcb_selection_notify_event_t*)wait_for(XCB_SELECTION_NOTIFY, 10);
    if (!n) return 0;
    const xcb_atom_t answered = n->property;
    free(n);
    if (answered == XCB_NONE) return 0;
    uint32_t length;
    unsigned char* first = get_property(prop, &type, &length);
    xcb_flush(c);
    if (!first) return 0;
    if (type != incr) {
        *out = first, *size = length;
        return 1;
    }
    free(first);
    unsigned char* all = NULL;
    uint32_t total = 0;
    for (;;) {
        xcb_property_notify_event_t* p;
        do p = (xcb_property_notify_event_t*)wait_for(XCB_PROPERTY_NOTIFY, 5);
        while (p && (p->atom != prop || p->state != XCB_PROPERTY_NEW_VALUE) && (free(p), 1));
        if (!p) return 0;
        free(p);
        unsigned char* part = get_property(prop, &type, &length);
        xcb_flush(c);
        if (!part) return 0;
        if (length == 0) {
            free(part);
            break;
        }
        all = realloc(all, total + length);
        memcpy(all + total, part, length);
        total += length;
        free(part);
    }
    *out = all, *size = total;
    return 1;
}

static int do_read(const char* path)
{
    unsigned char* targets;
    uint32_t size;
    if (!convert(atom("TARGETS"), &targets, &size)) return 1;
    for (uint32_t i = 0; i + 4 <= size; i += 4) {
        xcb_atom_t a;
        memcpy(&a, targets + i, 4);
        xcb_get_atom_name_reply_t* r = xcb_get_atom_name_reply(c, xcb_get_atom_name(c, a), NULL);
        if (r) printf("%.*s\n", xcb_get_atom_name_name_length(r), xcb_get_atom_name_name(r));
        free(r);
    }
    free(targets);
    unsigned char* png;
    if (!convert(atom("image/png"), &png, &size)) return 1;
    FILE* f = fopen(path, "wb");
    const int written = f && fwrite(png, 1, size, f) == size;
    if (f) fclose(f);
    free(png);
    return written ? 0 : 1;
}

static int do_own(const char* path, int seconds)
{
    FILE* f = fopen(path, "rb");
    if (!f) return 1;
    fseek(f, 0, SEEK_END);
    long size = ftell(f);
    fseek(f, 0, SEEK_SET);
    unsigned char* data = malloc((size_t)size);
    if (fread(data, 1, (size_t)size, f) != (size_t)size) return 1;
    fclose(f);
    xcb_atom_t clipboard = atom("CLIPBOARD"), targets = atom("TARGETS"), png = atom("image/png"), incr = atom("INCR");
    xcb_set_selection_owner(c, win, clipboard, XCB_CURRENT_TIME);
    xcb_get_selection_owner_reply_t* o = xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, clipboard), NULL);
    if (!o || o->owner != win) return 1;
    free(o);
    printf("owning\n");
    fflush(stdout);
    const uint32_t chunk = 65536;
    xcb_window_t sending = 0;
    xcb_atom_t sendProp = 0;
    long sent = 0;
    time_t end = time(NULL) + seconds;
    while (time(NULL) <= end) {
        xcb_generic_event_t* e = xcb_poll_for_event(c);
        if (!e) {
            usleep(1000);
            continue;
        }
        int type = e->response_type & 0x7F;
        if (type == XCB_SELECTION_CLEAR) {
            free(e);
            free(data);
            return 0;
        }
        if (type == XCB_SELECTION_REQUEST) {
            xcb_selection_request_event_t* r = (xcb_selection_request_event_t*)e;
            xcb_selection_notify_event_t n = {0};
            n.response_type = XCB_SELECTION_NOTIFY;
            n.requestor = r->requestor, n.selection = r->selection, n.target = r->target, n.time = r->time;
            n.property = r->property;
            if (r->target == targets) {
                xcb_atom_t offered[2] = {targets, png};
                xcb_change_property(c, XCB_PROP_MODE_REPLACE, r->requestor, r->property, XCB_ATOM_ATOM, 32, 2, offered);
            } else if (r->target == png && size <= (long)chunk) {
                xcb_change_property(c, XCB_PROP_MODE_REPLACE, r->requestor, r->property, png, 8, (uint32_t)size, data);
            } else if (r->target == png) {
                uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE, total = (uint32_t)size;
                xcb_change_window_attributes(c, r->requestor, XCB_CW_EVENT_MASK, &mask);
                xcb_change_property(c, XCB_PROP_MODE_REPLACE, r->requestor, r->property, incr, 32, 1, &total);
                sending = r->requestor, sendProp = r->property, sent = 0;
            } else {
                n.property = XCB_NONE;
            }
            xcb_send_event(c, 0, r->requestor, 0, (const char*)&n);
            xcb_flush(c);
        } else if (type == XCB_PROPERTY_NOTIFY) {
            xcb_property_notify_event_t* p = (xcb_property_notify_event_t*)e;
            if (p->window == sending && p->atom == sendProp && p->state == XCB_PROPERTY_DELETE && sent >= 0) {
                uint32_t n = (uint32_t)(size - sent < (long)chunk ? size - sent : (long)chunk);
                xcb_change_property(c, XCB_PROP_MODE_REPLACE, sending, sendProp, png, 8, n, data + sent);
                sent = n ? sent + n : -1;
                xcb_flush(c);
            }
        }
        free(e);
    }
    free(data);
    return 0;
}

static int do_draw(int argc, char** argv)
{
    for (int i = 0; i + 5 <= argc; i += 5) {
        xcb_gcontext_t gc = xcb_generate_id(c);
        uint32_t colour = (uint32_t)strtoul(argv[i + 4], NULL, 16);
        xcb_create_gc(c, gc, screen->root, XCB_GC_FOREGROUND, &colour);
        xcb_rectangle_t r = {(int16_t)atoi(argv[i]), (int16_t)atoi(argv[i + 1]), (uint16_t)atoi(argv[i + 2]),
                             (uint16_t)atoi(argv[i + 3])};
        xcb_poly_fill_rectangle(c, screen->root, gc, 1, &r);
        xcb_free_gc(c, gc);
    }
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), NULL)); /* a round trip: all drawn */
    return 0;
}

int main(int argc, char** argv)
{
    if (argc < 2) return 2;
    c = xcb_connect(NULL, NULL);
    if (xcb_connection_has_error(c)) return 3;
    screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    win = xcb_generate_id(c);
    uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(c, 0, win, screen->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT,
                      XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);
    int status = 2;
    if (strcmp(argv[1], "read") == 0 && argc == 3) status = do_read(argv[2]);
    if (strcmp(argv[1], "own") == 0 && argc == 4) status = do_own(argv[2], atoi(argv[3]));
    if (strcmp(argv[1], "draw") == 0) status = do_draw(argc - 2, argv + 2);
    xcb_disconnect(c);
    return status;
}
