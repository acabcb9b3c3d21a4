// A pointer device for the Wayland session tests, run as a program of its own on the session's
// compositor: a headless sway has no input device, so its seat offers no pointer and clients never bind
// one; while this program runs, the seat has a pointer (a virtual one), and sway's own cursor commands
// reach the windows. It also moves and clicks that pointer itself, with one command per line on standard
// input:
//   move X Y        to X,Y in the output layout of size W H given as arguments
//   press / release the left button
// "ready" on standard output once the device exists, "ok" after each command the compositor has taken;
// exit status 1 with a message when the compositor offers no virtual pointers.
#include "virtual-pointer-unstable-v1-client.h"

#include <wayland-client.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

namespace {

constexpr unsigned leftButton = 0x110; // BTN_LEFT

struct Globals {
    wl_seat* seat = nullptr;
    zwlr_virtual_pointer_manager_v1* manager = nullptr;
};

void global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t)
{
    auto* globals = static_cast<Globals*>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && !globals->seat)
        globals->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    else if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
        globals->manager = static_cast<zwlr_virtual_pointer_manager_v1*>(
            wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
}

void globalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener registryListener{global, globalRemove};

uint32_t now()
{
    timespec time{};
    clock_gettime(CLOCK_MONOTONIC, &time);
    return uint32_t(time.tv_sec * 1000 + time.tv_nsec / 1000000);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s LAYOUT_WIDTH LAYOUT_HEIGHT\n", argv[0]);
        return 2;
    }
    const uint32_t width = uint32_t(std::atoi(argv[1])), height = uint32_t(std::atoi(argv[2]));
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        std::fprintf(stderr, "waylandpointer: cannot connect to the Wayland display\n");
        return 1;
    }
    Globals globals;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, &globals);
    wl_display_roundtrip(display);
    if (!globals.seat || !globals.manager) {
        std::fprintf(stderr, "waylandpointer: the compositor offers no %s\n",
                     globals.seat ? "virtual pointers" : "seat");
        return 1;
    }
    zwlr_virtual_pointer_v1* pointer =
        zwlr_virtual_pointer_manager_v1_create_virtual_pointer(globals.manager, globals.seat);
    wl_display_roundtrip(display);
    std::puts("ready");
    std::fflush(stdout);

    char buffer[128];
    while (std::fgets(buffer, sizeof buffer, stdin)) {
        const std::string line(buffer);
        unsigned x = 0, y = 0;
        if (std::sscanf(buffer, "move %u %u", &x, &y) == 2)
            zwlr_virtual_pointer_v1_motion_absolute(pointer, now(), x, y, width, height);
        else if (line.rfind("press", 0) == 0)
            zwlr_virtual_pointer_v1_button(pointer, now(), leftButton, WL_POINTER_BUTTON_STATE_PRESSED);
        else if (line.rfind("release", 0) == 0)
            zwlr_virtual_pointer_v1_button(pointer, now(), leftButton, WL_POINTER_BUTTON_STATE_RELEASED);
        else
            continue;
        zwlr_virtual_pointer_v1_frame(pointer);
        if (wl_display_roundtrip(display) < 0)
            return 1;
        std::puts("ok");
        std::fflush(stdout);
    }
    wl_display_disconnect(display);
    return 0;
}
