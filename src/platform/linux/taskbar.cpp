#include "platform/taskbar.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

// The window manager learns from the window's _NET_WM_STATE: the property
// itself before the window is mapped, a client message to the root window
// once it is mapped. Both are sent, as the window's map state can change
// while we ask. A connection of our own is used, so no toolkit is needed.

namespace qv::platform {
namespace {

constexpr std::uint32_t kNetWmStateAdd = 1;
constexpr std::uint32_t kSourceApplication = 1;

struct ConnectionCloser {
    void operator()(xcb_connection_t* c) const { xcb_disconnect(c); }
};
using Connection = std::unique_ptr<xcb_connection_t, ConnectionCloser>;

xcb_atom_t internAtom(xcb_connection_t* c, const char* name) {
    const auto cookie = xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(c, cookie, nullptr), &std::free);
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

std::vector<xcb_atom_t> currentStates(xcb_connection_t* c, xcb_window_t window, xcb_atom_t state) {
    const auto cookie = xcb_get_property(c, 0, window, state, XCB_ATOM_ATOM, 0, 1024);
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(c, cookie, nullptr), &std::free);
    if (!reply || reply->format != 32 || reply->type != XCB_ATOM_ATOM) return {};
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
    return {atoms, atoms + xcb_get_property_value_length(reply.get()) / sizeof(xcb_atom_t)};
}

void addToProperty(xcb_connection_t* c, xcb_window_t window, xcb_atom_t state, xcb_atom_t skip) {
    std::vector<xcb_atom_t> states = currentStates(c, window, state);
    for (xcb_atom_t s : states)
        if (s == skip) return;
    states.push_back(skip);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, state, XCB_ATOM_ATOM, 32,
                        static_cast<std::uint32_t>(states.size()), states.data());
}

void askWindowManager(xcb_connection_t* c, xcb_window_t window, xcb_atom_t state, xcb_atom_t skip) {
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (!screen) return;
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = state;
    message.data.data32[0] = kNetWmStateAdd;
    message.data.data32[1] = skip;
    message.data.data32[3] = kSourceApplication;
    xcb_send_event(c, 0, screen->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
}

}  // namespace

bool keepOffTaskbar(std::uint64_t nativeWindow) {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display || nativeWindow == 0) return false;
    Connection connection(xcb_connect(nullptr, nullptr));
    xcb_connection_t* c = connection.get();
    if (xcb_connection_has_error(c)) return false;
    const xcb_atom_t state = internAtom(c, "_NET_WM_STATE");
    const xcb_atom_t skip = internAtom(c, "_NET_WM_STATE_SKIP_TASKBAR");
    if (state == XCB_ATOM_NONE || skip == XCB_ATOM_NONE) return false;
    const auto window = static_cast<xcb_window_t>(nativeWindow);
    addToProperty(c, window, state, skip);
    askWindowManager(c, window, state, skip);
    // A round trip, so that the server has applied both before the toolkit's
    // own connection maps the window.
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    return true;
}

}  // namespace qv::platform
