/*
 * wlpointer: a pointer for a Wayland desktop that has no input device (a
 * headless compositor), through the wlroots virtual-pointer protocol, so the
 * desktop tests can move, press and release as a hand on a mouse would.
 *
 *   wlpointer WIDTH HEIGHT COMMAND...
 *
 *   move X Y     puts the pointer at X,Y of the WIDTHxHEIGHT layout
 *   press [B]    presses button B (1 left, 2 middle, 3 right; 1 by default)
 *   release [B]  releases it
 *   click X Y    move, press and release the left button there
 *   wait MS      lets MS milliseconds pass between steps
 *
 * Exit status: 0 done, 2 bad arguments, 3 no compositor or no virtual pointer.
 */
#define _POSIX_C_SOURCE 200809L

#include "virtual-pointer-wlr-client-protocol.h"

#include <wayland-client.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static struct zwlr_virtual_pointer_manager_v1* manager;
static struct wl_seat* seat;

static void global(void* data, struct wl_registry* registry, uint32_t name, const char* interface, uint32_t version)
{
    (void)data;
    (void)version;
    if (!strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name))
        manager = wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1);
    else if (!strcmp(interface, wl_seat_interface.name) && !seat)
        seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
}

static void globalRemove(void* data, struct wl_registry* registry, uint32_t name)
{
    (void)data;
    (void)registry;
    (void)name;
}

static const struct wl_registry_listener registryListener = {global, globalRemove};

static uint32_t now(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (uint32_t)(ts.tv_sec * 1000 + ts.tv_nsec / 1000000);
}

/* Linux input codes of the left, middle and right buttons. */
static uint32_t buttonCode(int button)
{
    return button == 3 ? 0x111 : button == 2 ? 0x112 : 0x110;
}

static int number(const char* text, long* out)
{
    char* end;
    *out = strtol(text, &end, 10);
    return *text && !*end;
}

int main(int argc, char** argv)
{
    long width, height;
    if (argc < 4 || !number(argv[1], &width) || !number(argv[2], &height) || width <= 0 || height <= 0) {
        fprintf(stderr, "usage: wlpointer WIDTH HEIGHT move X Y | press [B] | release [B] | click X Y | wait MS ...\n");
        return 2;
    }
    struct wl_display* display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "wlpointer: no Wayland display\n");
        return 3;
    }
    struct wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, NULL);
    wl_display_roundtrip(display);
    if (!manager) {
        fprintf(stderr, "wlpointer: the compositor offers no virtual pointer\n");
        return 3;
    }
    struct zwlr_virtual_pointer_v1* pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, seat);
    int status = 0;
    for (int i = 3; i < argc && !status; ++i) {
        const char* command = argv[i];
        long a = 0, b = 0;
        if ((!strcmp(command, "move") || !strcmp(command, "click")) && i + 2 < argc && number(argv[i + 1], &a)
            && number(argv[i + 2], &b) && a >= 0 && b >= 0 && a < width && b < height) {
            i += 2;
            zwlr_virtual_pointer_v1_motion_absolute(pointer, now(), (uint32_t)a, (uint32_t)b, (uint32_t)width,
                                                    (uint32_t)height);
            zwlr_virtual_pointer_v1_frame(pointer);
            if (!strcmp(command, "click")) {
                /* A hand rests a moment before it presses: the program sees the pointer arrive first. */
                wl_display_roundtrip(display);
                struct timespec rest = {0, 50 * 1000000L};
                nanosleep(&rest, NULL);
                for (uint32_t state = 1;; state = 0) {
                    zwlr_virtual_pointer_v1_button(pointer, now(), buttonCode(1), state);
                    zwlr_virtual_pointer_v1_frame(pointer);
                    wl_display_roundtrip(display);
                    if (!state)
                        break;
                }
            }
        } else if (!strcmp(command, "press") || !strcmp(command, "release")) {
            if (i + 1 < argc && number(argv[i + 1], &a))
                ++i;
            else
                a = 1;
            zwlr_virtual_pointer_v1_button(pointer, now(), buttonCode((int)a), !strcmp(command, "press"));
            zwlr_virtual_pointer_v1_frame(pointer);
        } else if (!strcmp(command, "wait") && i + 1 < argc && number(argv[i + 1], &a) && a >= 0) {
            ++i;
            wl_display_roundtrip(display);
            struct timespec pause = {a / 1000, (a % 1000) * 1000000L};
            nanosleep(&pause, NULL);
        } else {
            fprintf(stderr, "wlpointer: cannot understand \"%s\"\n", command);
            status = 2;
        }
        wl_display_roundtrip(display);
    }
    zwlr_virtual_pointer_v1_destroy(pointer);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return status;
}
