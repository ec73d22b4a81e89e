// The X side of the start-up and screen-switch benchmarks (scripts/bench):
// tells when a program's window first shows a painted frame, and how long a
// click takes to change the frame. It asks the X server itself (the DAMAGE
// extension reports every drawing into a window, the XTEST extension makes
// the click), so the figures are the same for every program measured, the
// instrument and the bare reference window alike.
//
//   framewatch start TITLE
//       Prints "ready", then waits for a top-level window named TITLE to be
//       mapped and painted; prints "<mapped> <painted>", both as wall-clock
//       microseconds (comparable with bash's EPOCHREALTIME).
//   framewatch click TITLE X Y [MIN_AREA]
//       Clicks at X, Y of the window named TITLE and prints the milliseconds
//       from the press to the first drawing of at least MIN_AREA pixels in
//       one rectangle (default 20000: a page, not a button's pressed look
//       nor the status bar's clock).
//
// Only the core protocol library is used; the two extension requests are
// put together here.

#include <xcb/xcb.h>
#include <xcb/xcbext.h>

#include <poll.h>
#include <sys/uio.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <string>

namespace {

xcb_extension_t damageExtension = {"DAMAGE", 0};
xcb_extension_t xtestExtension = {"XTEST", 0};

long long wallMicroseconds()
{
    timespec t;
    clock_gettime(CLOCK_REALTIME, &t);
    return (long long)t.tv_sec * 1000000 + t.tv_nsec / 1000;
}

[[noreturn]] void fail(const char *text)
{
    std::fprintf(stderr, "framewatch: %s\n", text);
    std::exit(1);
}

// Sends one extension request (a whole number of 4-byte words, header
// included) and returns its sequence number.
unsigned sendRequest(xcb_connection_t *c, xcb_extension_t *ext, unsigned char minor, void *words,
                     size_t bytes, bool hasReply)
{
    iovec parts[4];
    parts[2].iov_base = words;
    parts[2].iov_len = bytes;
    parts[3].iov_base = nullptr;
    parts[3].iov_len = 0;
    xcb_protocol_request_t request = {2, ext, minor, hasReply ? uint8_t(0) : uint8_t(1)};
    return xcb_send_request(c, hasReply ? XCB_REQUEST_CHECKED : 0, parts + 2, &request);
}

uint8_t damageFirstEvent(xcb_connection_t *c)
{
    const xcb_query_extension_reply_t *ext = xcb_get_extension_data(c, &damageExtension);
    if (!ext || !ext->present)
        fail("the X server has no DAMAGE extension");
    // The server reports damage only to clients that told it their version.
    uint32_t query[3] = {0, 1, 1};
    xcb_generic_error_t *error = nullptr;
    free(xcb_wait_for_reply(c, sendRequest(c, &damageExtension, 0, query, sizeof query, true), &error));
    if (error)
        fail("DAMAGE version query failed");
    return ext->first_event;
}

// Every drawing into the window is reported as its own rectangle.
void watchDamage(xcb_connection_t *c, xcb_window_t window)
{
    uint32_t create[4] = {0, xcb_generate_id(c), window, 0 /* raw rectangles */};
    sendRequest(c, &damageExtension, 1, create, sizeof create, false);
}

void fakeInput(xcb_connection_t *c, uint8_t type, uint8_t detail, xcb_window_t root, int16_t x, int16_t y)
{
    unsigned char req[36] = {};
    req[4] = type;
    req[5] = detail;
    std::memcpy(req + 12, &root, 4);
    std::memcpy(req + 24, &x, 2);
    std::memcpy(req + 26, &y, 2);
    sendRequest(c, &xtestExtension, 2, req, sizeof req, false);
}

std::string windowName(xcb_connection_t *c, xcb_window_t w)
{
    xcb_get_property_reply_t *r = xcb_get_property_reply(
        c, xcb_get_property(c, 0, w, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 64), nullptr);
    std::string name;
    if (r) {
        name.assign(static_cast<const char *>(xcb_get_property_value(r)),
                    size_t(xcb_get_property_value_length(r)));
        free(r);
    }
    return name;
}

xcb_window_t findWindow(xcb_connection_t *c, xcb_window_t root, const std::string &title)
{
    xcb_query_tree_reply_t *tree = xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr);
    if (!tree)
        return 0;
    xcb_window_t found = 0;
    const xcb_window_t *children = xcb_query_tree_children(tree);
    for (int i = 0; i < xcb_query_tree_children_length(tree) && !found; ++i)
        if (windowName(c, children[i]) == title)
            found = children[i];
    free(tree);
    return found;
}

struct DamageNotify
{
    uint8_t type, level;
    uint16_t sequence;
    uint32_t drawable, damage, timestamp;
    int16_t x, y;
    uint16_t width, height;
};

int start(xcb_connection_t *c, xcb_window_t root, const std::string &title)
{
    const uint8_t damageEvent = damageFirstEvent(c);
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);
    std::printf("ready\n");
    std::fflush(stdout);

    // Damage is watched from each top-level window's creation on, well before
    // it is mapped and painted; the name is looked at once it is mapped.
    std::map<xcb_window_t, bool> mapped;
    xcb_window_t target = 0;
    long long mappedAt = 0;
    while (xcb_generic_event_t *e = xcb_wait_for_event(c)) {
        const long long now = wallMicroseconds();
        const uint8_t type = e->response_type & 0x7f;
        if (type == XCB_CREATE_NOTIFY) {
            auto *ev = reinterpret_cast<xcb_create_notify_event_t *>(e);
            if (ev->parent == root) {
                watchDamage(c, ev->window);
                xcb_flush(c);
            }
        } else if (type == XCB_MAP_NOTIFY && !target) {
            auto *ev = reinterpret_cast<xcb_map_notify_event_t *>(e);
            if (windowName(c, ev->window) == title) {
                target = ev->window;
                mappedAt = now;
            }
        } else if (type == damageEvent && target) {
            DamageNotify ev;
            std::memcpy(&ev, e, sizeof ev);
            if (ev.drawable == target && ev.width > 0 && ev.height > 0) {
                std::printf("%lld %lld\n", mappedAt, now);
                std::fflush(stdout);
                free(e);
                return 0;
            }
        }
        free(e);
    }
    fail("the connection to the X server ended");
}

int click(xcb_connection_t *c, xcb_window_t root, const std::string &title, int x, int y, long minArea)
{
    const uint8_t damageEvent = damageFirstEvent(c);
    const xcb_query_extension_reply_t *xtest = xcb_get_extension_data(c, &xtestExtension);
    if (!xtest || !xtest->present)
        fail("the X server has no XTEST extension");
    const xcb_window_t window = findWindow(c, root, title);
    if (!window)
        fail("no top-level window with that name");
    xcb_translate_coordinates_reply_t *at =
        xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, window, root, int16_t(x), int16_t(y)), nullptr);
    if (!at)
        fail("the window's position is unknown");
    const int16_t rx = at->dst_x, ry = at->dst_y;
    free(at);

    watchDamage(c, window);
    fakeInput(c, XCB_MOTION_NOTIFY, 0, root, rx, ry);
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); // round trip
    while (xcb_generic_event_t *e = xcb_poll_for_event(c))
        free(e);

    const long long pressed = wallMicroseconds();
    fakeInput(c, XCB_BUTTON_PRESS, 1, root, rx, ry);
    fakeInput(c, XCB_BUTTON_RELEASE, 1, root, rx, ry);
    xcb_flush(c);
    const bool verbose = std::getenv("FRAMEWATCH_VERBOSE") != nullptr;
    pollfd connection = {xcb_get_file_descriptor(c), POLLIN, 0};
    for (;;) {
        xcb_generic_event_t *e = xcb_poll_for_event(c);
        const long long now = wallMicroseconds();
        if (now - pressed > 30000000)
            fail("no frame changed within 30 s of the click");
        if (!e) {
            if (xcb_connection_has_error(c))
                fail("the connection to the X server ended");
            poll(&connection, 1, 100);
            continue;
        }
        if ((e->response_type & 0x7f) == damageEvent) {
            DamageNotify ev;
            std::memcpy(&ev, e, sizeof ev);
            if (verbose)
                std::fprintf(stderr, "%.1f ms: %dx%d at %d,%d\n", (now - pressed) / 1000.0, ev.width, ev.height, ev.x, ev.y);
            if (long(ev.width) * ev.height >= minArea) {
                std::printf("%.1f\n", (now - pressed) / 1000.0);
                free(e);
                return 0;
            }
        }
        free(e);
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3)
        fail("usage: framewatch start TITLE | framewatch click TITLE X Y [MIN_AREA]");
    int screenNumber = 0;
    xcb_connection_t *c = xcb_connect(nullptr, &screenNumber);
    // A server busy accepting other clients may refuse one now and then.
    for (int attempt = 0; xcb_connection_has_error(c) && attempt < 100; ++attempt) {
        xcb_disconnect(c);
        const timespec pause = {0, 20000000};
        nanosleep(&pause, nullptr);
        c = xcb_connect(nullptr, &screenNumber);
    }
    if (xcb_connection_has_error(c))
        fail("no X display");
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&it);
    const xcb_window_t root = it.data->root;
    const std::string mode = argv[1];
    if (mode == "start")
        return start(c, root, argv[2]);
    if (mode == "click" && argc >= 5)
        return click(c, root, argv[2], std::atoi(argv[3]), std::atoi(argv[4]),
                     argc > 5 ? std::atol(argv[5]) : 20000);
    fail("usage: framewatch start TITLE | framewatch click TITLE X Y [MIN_AREA]");
}
