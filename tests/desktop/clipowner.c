/*
 * clipowner: takes an X selection (CLIPBOARD by default) and offers any set
 * of targets, like a program that has just copied something.  Unlike xclip it
 * can offer several types at once, log every request it receives, answer
 * slowly or never, and hand out large data with the INCR protocol, so the
 * desktop tests can act as well-behaved and as hostile clipboard owners.
 *
 *   clipowner [-s SELECTION] -t TARGET=VALUE|TARGET=@FILE ... [-l LOG]
 *             [-d MS] [-n TARGET]... [-r TARGET]... [-i BYTES] [-x SECONDS]
 *
 *   -n TARGET  never answer requests for TARGET (the requestor has to time out)
 *   -r TARGET  list TARGET but refuse to convert it (answer with property None)
 *   -d MS      wait MS milliseconds before each answer
 *   -i BYTES   send data larger than BYTES with INCR (default: one request's worth)
 *   -x SECONDS give up owning after SECONDS
 *   clipowner -w SELECTION [-x SECONDS]
 *
 * Prints "ready <CLOCK_MONOTONIC ns>" on stdout once it owns the selection.
 * Exit status: 0 lost the selection (or -w found an owner), 1 timed out,
 * 2 bad arguments, 3 no display or could not take the selection.
 */
#define _POSIX_C_SOURCE 200809L

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <errno.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/select.h>
#include <time.h>
#include <unistd.h>

enum { MAX_OFFERS = 32, MAX_TRANSFERS = 16 };

typedef struct
{
    char* name;
    Atom atom;
    unsigned char* data;
    size_t size;
    int neverAnswer;
    int refuse;
} Offer;

typedef struct
{
    int active;
    Window requestor;
    Atom property;
    Atom type;
    const unsigned char* data;
    size_t size;
    size_t offset;
    int finalSent; /* the closing zero-length chunk is out */
    double lastProgress;
} Transfer;

static Display* dpy;
static Window ownWindow;
static Atom selection;
static Time ownedSince;
static Offer offers[MAX_OFFERS];
static int offerCount;
static char* neverNames[MAX_OFFERS];
static int neverCount;
static char* refusedNames[MAX_OFFERS];
static int refusedCount;
static Transfer transfers[MAX_TRANSFERS];
static FILE* logFile;
static long delayMs;
static size_t incrThreshold;
static size_t chunkSize;
static Atom atomTargets, atomTimestamp, atomIncr, atomUtf8;

static double now(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (double)ts.tv_sec + (double)ts.tv_nsec / 1e9;
}

static void fail(int status, const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    fputs("clipowner: ", stderr);
    vfprintf(stderr, fmt, ap);
    fputc('\n', stderr);
    va_end(ap);
    exit(status);
}

static void usage(void)
{
    fputs("usage: clipowner [-s SELECTION] -t TARGET=VALUE|TARGET=@FILE ... [-l LOG]\n"
          "                 [-d MS] [-n TARGET]... [-r TARGET]... [-i BYTES] [-x SECONDS]\n"
          "       clipowner -w SELECTION [-x SECONDS]\n",
          stderr);
    exit(2);
}

static void logRequest(const char* target, const char* outcome)
{
    if (!logFile)
        return;
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    fprintf(logFile, "%s %s %lld\n", target, outcome, (long long)ts.tv_sec * 1000000000LL + ts.tv_nsec);
    fflush(logFile);
}

static unsigned char* readWholeFile(const char* path, size_t* size)
{
    FILE* f = fopen(path, "rb");
    if (!f)
        fail(2, "cannot open %s: %s", path, strerror(errno));
    size_t cap = 1 << 16, len = 0;
    unsigned char* buf = malloc(cap);
    if (!buf)
        fail(3, "out of memory");
    for (;;) {
        if (len == cap) {
            cap *= 2;
            unsigned char* grown = realloc(buf, cap);
            if (!grown)
                fail(3, "out of memory");
            buf = grown;
        }
        size_t n = fread(buf + len, 1, cap - len, f);
        len += n;
        if (n == 0)
            break;
    }
    if (ferror(f))
        fail(2, "cannot read %s", path);
    fclose(f);
    *size = len;
    return buf;
}

/*
 * Mime targets carry parameters ("text/plain;charset=utf-8"), so the '=' that
 * separates target and value is the first one that does not belong to a
 * ";name=value" parameter.
 */
static char* findValueSeparator(char* offer)
{
    int parameterPending = 0;
    for (char* p = offer; *p; ++p) {
        if (*p == ';')
            parameterPending = 1;
        else if (*p == '=') {
            if (!parameterPending)
                return p;
            parameterPending = 0;
        }
    }
    return NULL;
}

static void addOffer(char* offer)
{
    if (offerCount == MAX_OFFERS)
        fail(2, "too many targets");
    char* sep = findValueSeparator(offer);
    if (!sep || sep == offer)
        fail(2, "target must be given as TARGET=VALUE or TARGET=@FILE: %s", offer);
    *sep = '\0';
    Offer* o = &offers[offerCount++];
    o->name = offer;
    const char* value = sep + 1;
    if (value[0] == '@') {
        o->data = readWholeFile(value + 1, &o->size);
    } else {
        o->size = strlen(value);
        o->data = (unsigned char*)strdup(value);
    }
}

static Transfer* findTransfer(Window requestor, Atom property)
{
    for (int i = 0; i < MAX_TRANSFERS; ++i)
        if (transfers[i].active && transfers[i].requestor == requestor && transfers[i].property == property)
            return &transfers[i];
    return NULL;
}

static int requestorHasOtherTransfers(const Transfer* t)
{
    for (int i = 0; i < MAX_TRANSFERS; ++i)
        if (&transfers[i] != t && transfers[i].active && transfers[i].requestor == t->requestor)
            return 1;
    return 0;
}

static void endTransfer(Transfer* t)
{
    if (!requestorHasOtherTransfers(t))
        XSelectInput(dpy, t->requestor, NoEventMask);
    t->active = 0;
}

static int startTransfer(Window requestor, Atom property, const Offer* o)
{
    Transfer* slot = NULL;
    for (int i = 0; i < MAX_TRANSFERS && !slot; ++i)
        if (!transfers[i].active)
            slot = &transfers[i];
    if (!slot)
        return 0;
    *slot = (Transfer){1, requestor, property, o->atom == atomUtf8 ? atomUtf8 : o->atom, o->data, o->size, 0, 0, now()};
    /* The requestor deleting the property is our cue for the next chunk. */
    XSelectInput(dpy, requestor, PropertyChangeMask);
    long announced = (long)o->size;
    XChangeProperty(dpy, requestor, property, atomIncr, 32, PropModeReplace, (unsigned char*)&announced, 1);
    return 1;
}

static void continueTransfer(Transfer* t)
{
    size_t left = t->size - t->offset;
    size_t n = left < chunkSize ? left : chunkSize;
    if (n == 0) {
        if (t->finalSent) {
            endTransfer(t);
            return;
        }
        XChangeProperty(dpy, t->requestor, t->property, t->type, 8, PropModeReplace, (const unsigned char*)"", 0);
        t->finalSent = 1;
    } else {
        XChangeProperty(dpy, t->requestor, t->property, t->type, 8, PropModeReplace, t->data + t->offset, (int)n);
        t->offset += n;
    }
    t->lastProgress = now();
}

static const Offer* findOffer(Atom target)
{
    for (int i = 0; i < offerCount; ++i)
        if (offers[i].atom == target)
            return &offers[i];
    return NULL;
}

static void answer(const XSelectionRequestEvent* req)
{
    char* targetName = XGetAtomName(dpy, req->target);
    const char* name = targetName ? targetName : "?";
    /* Clients older than ICCCM 2 leave the property out. */
    Atom property = req->property != None ? req->property : req->target;
    const Offer* o = findOffer(req->target);

    if (o && o->neverAnswer) {
        logRequest(name, "ignored");
        if (targetName)
            XFree(targetName);
        return;
    }
    if (delayMs > 0) {
        struct timespec d = {delayMs / 1000, (delayMs % 1000) * 1000000L};
        nanosleep(&d, NULL);
    }

    const char* outcome = "answered";
    if (req->target == atomTargets) {
        Atom list[MAX_OFFERS + 2];
        int n = 0;
        list[n++] = atomTargets;
        list[n++] = atomTimestamp;
        for (int i = 0; i < offerCount; ++i)
            list[n++] = offers[i].atom;
        XChangeProperty(dpy, req->requestor, property, XA_ATOM, 32, PropModeReplace, (unsigned char*)list, n);
    } else if (req->target == atomTimestamp) {
        long stamp = (long)ownedSince;
        XChangeProperty(dpy, req->requestor, property, XA_INTEGER, 32, PropModeReplace, (unsigned char*)&stamp, 1);
    } else if (o && o->refuse) {
        outcome = "refused";
        property = None;
    } else if (o && o->size > incrThreshold) {
        if (startTransfer(req->requestor, property, o)) {
            outcome = "incr";
        } else {
            outcome = "refused";
            property = None;
        }
    } else if (o) {
        Atom type = o->atom == atomUtf8 ? atomUtf8 : o->atom;
        XChangeProperty(dpy, req->requestor, property, type, 8, PropModeReplace, o->data, (int)o->size);
    } else {
        outcome = "refused";
        property = None;
    }
    logRequest(name, outcome);

    XEvent reply;
    memset(&reply, 0, sizeof reply);
    reply.xselection.type = SelectionNotify;
    reply.xselection.display = dpy;
    reply.xselection.requestor = req->requestor;
    reply.xselection.selection = req->selection;
    reply.xselection.target = req->target;
    reply.xselection.property = property;
    reply.xselection.time = req->time;
    XSendEvent(dpy, req->requestor, False, NoEventMask, &reply);
    XFlush(dpy);
    if (targetName)
        XFree(targetName);
}

static Time serverTime(void)
{
    /* A zero-length append still produces a PropertyNotify carrying the server time. */
    Atom stampAtom = XInternAtom(dpy, "CLIPOWNER_TIMESTAMP", False);
    XChangeProperty(dpy, ownWindow, stampAtom, XA_STRING, 8, PropModeAppend, (const unsigned char*)"", 0);
    XEvent ev;
    for (;;) {
        XWindowEvent(dpy, ownWindow, PropertyChangeMask, &ev);
        if (ev.xproperty.atom == stampAtom)
            return ev.xproperty.time;
    }
}

static int waitForOwner(const char* name, double timeoutSeconds)
{
    Atom sel = XInternAtom(dpy, name, False);
    double deadline = now() + timeoutSeconds;
    while (XGetSelectionOwner(dpy, sel) == None) {
        if (now() >= deadline)
            return 1;
        struct timespec d = {0, 20 * 1000000L};
        nanosleep(&d, NULL);
    }
    return 0;
}

int main(int argc, char** argv)
{
    const char* selectionName = "CLIPBOARD";
    const char* waitName = NULL;
    const char* logPath = NULL;
    double timeoutSeconds = 0;
    long threshold = -1;
    int opt;
    while ((opt = getopt(argc, argv, "s:t:l:d:n:r:i:x:w:h")) != -1) {
        switch (opt) {
        case 's': selectionName = optarg; break;
        case 't': addOffer(optarg); break;
        case 'l': logPath = optarg; break;
        case 'd': delayMs = atol(optarg); break;
        case 'n':
            if (neverCount == MAX_OFFERS)
                fail(2, "too many -n targets");
            neverNames[neverCount++] = optarg;
            break;
        case 'r':
            if (refusedCount == MAX_OFFERS)
                fail(2, "too many -r targets");
            refusedNames[refusedCount++] = optarg;
            break;
        case 'i': threshold = atol(optarg); break;
        case 'x': timeoutSeconds = atof(optarg); break;
        case 'w': waitName = optarg; break;
        default: usage();
        }
    }
    if (optind != argc || (!waitName && offerCount == 0))
        usage();

    dpy = XOpenDisplay(NULL);
    if (!dpy)
        fail(3, "cannot open display");

    if (waitName)
        return waitForOwner(waitName, timeoutSeconds > 0 ? timeoutSeconds : 10);

    if (logPath) {
        logFile = fopen(logPath, "a");
        if (!logFile)
            fail(2, "cannot open log %s: %s", logPath, strerror(errno));
    }

    atomTargets = XInternAtom(dpy, "TARGETS", False);
    atomTimestamp = XInternAtom(dpy, "TIMESTAMP", False);
    atomIncr = XInternAtom(dpy, "INCR", False);
    atomUtf8 = XInternAtom(dpy, "UTF8_STRING", False);
    selection = XInternAtom(dpy, selectionName, False);
    for (int i = 0; i < offerCount; ++i) {
        offers[i].atom = XInternAtom(dpy, offers[i].name, False);
        for (int k = 0; k < neverCount; ++k)
            if (strcmp(neverNames[k], offers[i].name) == 0)
                offers[i].neverAnswer = 1;
        for (int k = 0; k < refusedCount; ++k)
            if (strcmp(refusedNames[k], offers[i].name) == 0)
                offers[i].refuse = 1;
    }

    /* Stay well below the server's request limit; anything larger goes by INCR. */
    long maxRequest = XExtendedMaxRequestSize(dpy);
    if (maxRequest == 0)
        maxRequest = XMaxRequestSize(dpy);
    chunkSize = (size_t)maxRequest * 4 - 1024;
    if (chunkSize > 256 * 1024)
        chunkSize = 256 * 1024;
    incrThreshold = threshold >= 0 ? (size_t)threshold : chunkSize;
    if (incrThreshold > 0 && chunkSize > incrThreshold)
        chunkSize = incrThreshold;

    ownWindow = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 1, 1, 0, 0, 0);
    XSelectInput(dpy, ownWindow, PropertyChangeMask);
    ownedSince = serverTime();
    XSetSelectionOwner(dpy, selection, ownWindow, ownedSince);
    if (XGetSelectionOwner(dpy, selection) != ownWindow)
        fail(3, "could not take the selection %s", selectionName);

    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    printf("ready %lld\n", (long long)ts.tv_sec * 1000000000LL + ts.tv_nsec);
    fflush(stdout);

    double deadline = timeoutSeconds > 0 ? now() + timeoutSeconds : 0;
    int fd = ConnectionNumber(dpy);
    for (;;) {
        while (XPending(dpy)) {
            XEvent ev;
            XNextEvent(dpy, &ev);
            switch (ev.type) {
            case SelectionRequest:
                if (ev.xselectionrequest.selection == selection)
                    answer(&ev.xselectionrequest);
                break;
            case SelectionClear:
                if (ev.xselectionclear.selection == selection)
                    return 0;
                break;
            case PropertyNotify:
                if (ev.xproperty.state == PropertyDelete) {
                    Transfer* t = findTransfer(ev.xproperty.window, ev.xproperty.atom);
                    if (t) {
                        continueTransfer(t);
                        XFlush(dpy);
                    }
                }
                break;
            default: break;
            }
        }
        double current = now();
        if (deadline > 0 && current >= deadline)
            return 1;
        /* A requestor that stopped reading must not pin memory forever. */
        for (int i = 0; i < MAX_TRANSFERS; ++i)
            if (transfers[i].active && current - transfers[i].lastProgress > 30)
                endTransfer(&transfers[i]);
        double wait = 1.0;
        if (deadline > 0 && deadline - current < wait)
            wait = deadline - current;
        struct timeval tv = {(time_t)wait, (suseconds_t)((wait - (long)wait) * 1e6)};
        fd_set fds;
        FD_ZERO(&fds);
        FD_SET(fd, &fds);
        if (select(fd + 1, &fds, NULL, NULL, &tv) < 0 && errno != EINTR)
            fail(3, "select: %s", strerror(errno));
    }
}
