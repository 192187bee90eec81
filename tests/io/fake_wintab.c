/* A tablet driver library for the tests: it reports one device with a
 * normal-pressure axis and a default context, opens contexts, and serves
 * packets the test queued. The fake_ functions let the test script it and
 * read back what the engine asked for.
 *
 * Built with FAKE_WINTAB_WITHOUT_OPEN it lacks WTOpenA, as a broken driver
 * installation would. */
#include "io/wintab.h"

#include <string.h>

#define FAKE_QUEUE_CAPACITY 2048
#define FAKE_CONTEXTS 8

static struct {
    int hasPressureAxis;
    AXIS pressureAxis;
    LOGCONTEXTA defaultContext;
    int failOpen;
    int contextOpen[FAKE_CONTEXTS];
    int opens;
    LOGCONTEXTA lastOpened;
    MUR_Window lastWindow;
    int32_t lastEnable;
    int32_t queueSize;
    int32_t queueSizeResult;
    int32_t lastPacketsRequested;
    int packetsGetOverride; /* when set, WTPacketsGet returns packetsGetResult */
    int32_t packetsGetResult;
    PACKET queue[FAKE_QUEUE_CAPACITY];
    int queued;
} fake;

void fake_reset(void)
{
    memset(&fake, 0, sizeof fake);
    fake.hasPressureAxis = 1;
    fake.pressureAxis.axMin = 0;
    fake.pressureAxis.axMax = 1023;
    strcpy(fake.defaultContext.lcName, "FakeTab default context");
    fake.defaultContext.lcOptions = CXO_MESSAGES | CXO_PEN;
    fake.defaultContext.lcPktData = PK_BUTTONS | PK_X | PK_Y | PK_TIME;
    fake.defaultContext.lcPktMode = PK_BUTTONS;
    fake.defaultContext.lcMoveMask = PK_X;
    fake.defaultContext.lcBtnDnMask = 0x5;
    fake.defaultContext.lcBtnUpMask = 0x1;
    fake.defaultContext.lcInExtX = 15200;
    fake.defaultContext.lcInExtY = 9500;
    fake.defaultContext.lcOutOrgX = 7;
    fake.defaultContext.lcOutOrgY = 9;
    fake.defaultContext.lcOutExtX = 15200;
    fake.defaultContext.lcOutExtY = 9500;
    fake.queueSizeResult = 1;
}

void fake_set_pressure_axis(int32_t minimum, int32_t maximum)
{
    fake.hasPressureAxis = 1;
    fake.pressureAxis.axMin = minimum;
    fake.pressureAxis.axMax = maximum;
}

void fake_remove_pressure_axis(void) { fake.hasPressureAxis = 0; }
void fake_fail_open(int fail) { fake.failOpen = fail; }
void fake_set_queue_size_result(int32_t result) { fake.queueSizeResult = result; }

void fake_override_packets_get(int32_t result)
{
    fake.packetsGetOverride = 1;
    fake.packetsGetResult = result;
}

int fake_queue_packet(uint32_t status, int32_t x, int32_t y, uint32_t pressure)
{
    if (fake.queued >= FAKE_QUEUE_CAPACITY) return 0;
    PACKET* p = &fake.queue[fake.queued++];
    p->pkStatus = status;
    p->pkX = x;
    p->pkY = y;
    p->pkNormalPressure = pressure;
    return 1;
}

int fake_queued(void) { return fake.queued; }
int fake_open_contexts(void)
{
    int open = 0;
    for (int i = 0; i < FAKE_CONTEXTS; ++i) open += fake.contextOpen[i];
    return open;
}
int fake_opens(void) { return fake.opens; }
const LOGCONTEXTA* fake_last_opened(void) { return &fake.lastOpened; }
MUR_Window fake_last_window(void) { return fake.lastWindow; }
int32_t fake_last_enable(void) { return fake.lastEnable; }
int32_t fake_queue_size(void) { return fake.queueSize; }
int32_t fake_last_packets_requested(void) { return fake.lastPacketsRequested; }

/* A context handle is the address of its open flag. */
static int* open_flag(HCTX context)
{
    for (int i = 0; i < FAKE_CONTEXTS; ++i)
        if (context == (HCTX)&fake.contextOpen[i] && fake.contextOpen[i]) return &fake.contextOpen[i];
    return NULL;
}

uint32_t WTInfoA(uint32_t category, uint32_t index, void* output)
{
    if (category == WTI_DEVICES && index == DVC_NPRESSURE) {
        if (!fake.hasPressureAxis) return 0;
        if (output) memcpy(output, &fake.pressureAxis, sizeof fake.pressureAxis);
        return sizeof fake.pressureAxis;
    }
    if (category == WTI_DEFCONTEXT && index == 0) {
        if (output) memcpy(output, &fake.defaultContext, sizeof fake.defaultContext);
        return sizeof fake.defaultContext;
    }
    return 0;
}

#ifndef FAKE_WINTAB_WITHOUT_OPEN
HCTX WTOpenA(MUR_Window window, LOGCONTEXTA* context, int32_t enable)
{
    if (fake.failOpen || !context) return NULL;
    for (int i = 0; i < FAKE_CONTEXTS; ++i) {
        if (fake.contextOpen[i]) continue;
        fake.contextOpen[i] = 1;
        ++fake.opens;
        fake.lastOpened = *context;
        fake.lastWindow = window;
        fake.lastEnable = enable;
        return (HCTX)&fake.contextOpen[i];
    }
    return NULL;
}
#endif

int32_t WTClose(HCTX context)
{
    int* flag = open_flag(context);
    if (!flag) return 0;
    *flag = 0;
    return 1;
}

int32_t WTPacketsGet(HCTX context, int32_t maxPackets, void* packets)
{
    if (!open_flag(context)) return 0;
    fake.lastPacketsRequested = maxPackets;
    if (fake.packetsGetOverride) return fake.packetsGetResult;
    int n = maxPackets < fake.queued ? maxPackets : fake.queued;
    if (n < 0) n = 0;
    if (packets) memcpy(packets, fake.queue, (size_t)n * sizeof(PACKET));
    memmove(fake.queue, fake.queue + n, (size_t)(fake.queued - n) * sizeof(PACKET));
    fake.queued -= n;
    return n;
}

int32_t WTQueueSizeSet(HCTX context, int32_t packets)
{
    if (!open_flag(context)) return 0;
    fake.queueSize = packets;
    return fake.queueSizeResult;
}

/* The exports keep the engine's idea of their types. */
_Static_assert(_Generic(&WTInfoA, WTInfoAProc: 1, default: 0), "WTInfoA");
#ifndef FAKE_WINTAB_WITHOUT_OPEN
_Static_assert(_Generic(&WTOpenA, WTOpenAProc: 1, default: 0), "WTOpenA");
#endif
_Static_assert(_Generic(&WTClose, WTCloseProc: 1, default: 0), "WTClose");
_Static_assert(_Generic(&WTPacketsGet, WTPacketsGetProc: 1, default: 0), "WTPacketsGet");
_Static_assert(_Generic(&WTQueueSizeSet, WTQueueSizeSetProc: 1, default: 0), "WTQueueSizeSet");
