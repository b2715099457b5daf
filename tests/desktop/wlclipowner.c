/*
 * wlclipowner: sets the Wayland selection through data-control and offers any
 * set of types, like a program that has just copied something.  Unlike wl-copy
 * it offers several types at once, logs every request it receives, and answers
 * slowly or never when told to, so the desktop tests can act as well-behaved
 * and as hostile owners in a Wayland session.  The same arguments, log and
 * "ready" line as clipowner (the X11 owner), as far as they apply:
 *
 *   wlclipowner -t TYPE=VALUE|TYPE=@FILE ... [-l LOG] [-d MS] [-n TYPE]... [-x SECONDS]
 *
 *   -n TYPE    never answer requests for TYPE (the reader has to give up)
 *   -d MS      wait MS milliseconds before each answer
 *   -x SECONDS give up owning after SECONDS
 *
 * Prints "ready <CLOCK_MONOTONIC ns>" on stdout once it owns the selection.
 * Exit status: 0 lost the selection, 1 timed out, 2 bad arguments, 3 no
 * compositor or no data-control there.
 */
#define _POSIX_C_SOURCE 200809L

#include "data-control-wlr-client-protocol.h"

#include <wayland-client.h>

#include <errno.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

enum { MAX_OFFERS = 32, MAX_PENDING = 64 };

typedef struct
{
    char* type;
    char* data;
    size_t size;
    int neverAnswer;
} Offer;

typedef struct
{
    int fd;
    const Offer* offer;
    double due;
} Pending;

static Offer offers[MAX_OFFERS];
static int offerCount;
static Pending pending[MAX_PENDING];
static int pendingCount;
static FILE* logFile;
static int delayMs;
static int cancelled;
static struct zwlr_data_control_manager_v1* manager;
static struct wl_seat* seat;

static double seconds(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (double)ts.tv_sec + ts.tv_nsec / 1e9;
}

static long long nanoseconds(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (long long)ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

static void logRequest(const char* type, const char* outcome)
{
    if (!logFile)
        return;
    fprintf(logFile, "%s %s %lld\n", type, outcome, nanoseconds());
    fflush(logFile);
}

static int readFile(const char* path, char** data, size_t* size)
{
    FILE* f = fopen(path, "rb");
    if (!f)
        return 0;
    size_t capacity = 4096, used = 0;
    char* buffer = malloc(capacity);
    size_t n;
    while (buffer && (n = fread(buffer + used, 1, capacity - used, f)) > 0) {
        used += n;
        if (used == capacity)
            buffer = realloc(buffer, capacity *= 2);
    }
    fclose(f);
    *data = buffer;
    *size = used;
    return buffer != NULL;
}

static void answer(Pending* p)
{
    size_t done = 0;
    while (done < p->offer->size) {
        const ssize_t n = write(p->fd, p->offer->data + done, p->offer->size - done);
        if (n <= 0 && errno != EINTR)
            break;
        if (n > 0)
            done += (size_t)n;
    }
    close(p->fd);
    logRequest(p->offer->type, "answered");
}

static void send(void* data, struct zwlr_data_control_source_v1* source, const char* type, int32_t fd)
{
    (void)data;
    (void)source;
    for (int i = 0; i < offerCount; ++i) {
        if (strcmp(offers[i].type, type))
            continue;
        if (offers[i].neverAnswer) {
            logRequest(type, "ignored"); /* the descriptor stays open: the reader waits */
            return;
        }
        if (pendingCount == MAX_PENDING)
            break;
        pending[pendingCount++] = (Pending){fd, &offers[i], seconds() + delayMs / 1000.0};
        return;
    }
    logRequest(type, "refused");
    close(fd);
}

static void sourceCancelled(void* data, struct zwlr_data_control_source_v1* source)
{
    (void)data;
    (void)source;
    cancelled = 1;
}

static const struct zwlr_data_control_source_v1_listener sourceListener = {send, sourceCancelled};

static void global(void* data, struct wl_registry* registry, uint32_t name, const char* interface, uint32_t version)
{
    (void)data;
    (void)version;
    if (!strcmp(interface, zwlr_data_control_manager_v1_interface.name))
        manager = wl_registry_bind(registry, name, &zwlr_data_control_manager_v1_interface, 1);
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

int main(int argc, char** argv)
{
    double giveUpAfter = 0;
    int opt;
    while ((opt = getopt(argc, argv, "t:l:d:n:x:")) != -1) {
        switch (opt) {
        case 't': {
            char* eq = strchr(optarg, '=');
            if (!eq || offerCount == MAX_OFFERS)
                return 2;
            *eq = 0;
            Offer* o = &offers[offerCount++];
            o->type = optarg;
            if (eq[1] == '@') {
                if (!readFile(eq + 2, &o->data, &o->size)) {
                    fprintf(stderr, "wlclipowner: cannot read %s\n", eq + 2);
                    return 2;
                }
            } else {
                o->data = eq + 1;
                o->size = strlen(eq + 1);
            }
            break;
        }
        case 'l': logFile = fopen(optarg, "a"); break;
        case 'd': delayMs = atoi(optarg); break;
        case 'n':
            for (int i = 0; i < offerCount; ++i)
                if (!strcmp(offers[i].type, optarg))
                    offers[i].neverAnswer = 1;
            break;
        case 'x': giveUpAfter = atof(optarg); break;
        default: return 2;
        }
    }
    if (!offerCount)
        return 2;

    struct wl_display* display = wl_display_connect(NULL);
    if (!display)
        return 3;
    struct wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, NULL);
    wl_display_roundtrip(display);
    if (!manager || !seat)
        return 3;
    struct zwlr_data_control_device_v1* device = zwlr_data_control_manager_v1_get_data_device(manager, seat);
    struct zwlr_data_control_source_v1* source = zwlr_data_control_manager_v1_create_data_source(manager);
    zwlr_data_control_source_v1_add_listener(source, &sourceListener, NULL);
    for (int i = 0; i < offerCount; ++i)
        zwlr_data_control_source_v1_offer(source, offers[i].type);
    zwlr_data_control_device_v1_set_selection(device, source);
    if (wl_display_roundtrip(display) < 0)
        return 3;
    printf("ready %lld\n", nanoseconds());
    fflush(stdout);

    const double start = seconds();
    while (!cancelled) {
        if (giveUpAfter > 0 && seconds() - start > giveUpAfter)
            return 1;
        int timeoutMs = 1000;
        for (int i = 0; i < pendingCount; ++i) {
            const int left = (int)((pending[i].due - seconds()) * 1000);
            timeoutMs = left < timeoutMs ? (left < 0 ? 0 : left) : timeoutMs;
        }
        while (wl_display_prepare_read(display) != 0)
            wl_display_dispatch_pending(display);
        wl_display_flush(display);
        struct pollfd fd = {wl_display_get_fd(display), POLLIN, 0};
        if (poll(&fd, 1, timeoutMs) > 0)
            wl_display_read_events(display);
        else
            wl_display_cancel_read(display);
        if (wl_display_dispatch_pending(display) < 0)
            return 3;
        for (int i = 0; i < pendingCount;) {
            if (pending[i].due <= seconds()) {
                answer(&pending[i]);
                pending[i] = pending[--pendingCount];
            } else {
                ++i;
            }
        }
    }
    return 0;
}
