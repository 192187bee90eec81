/* A plug-in host library for the tests: InvokePSPlugin records what the
 * engine passed, copies the source's first pixels, and writes the
 * destination as the source with its first byte (blue) inverted and alpha
 * 128, then returns the result the test chose. The fake_ functions script
 * it and read back the call. */
#include "io/apih.h"

#include <stddef.h>
#include <string.h>

static struct {
    int32_t result;
    int calls;
    ApihImage source, destination;
    char path[4096];
    void* window;
    int32_t values[4];
    int32_t runMode;
    uint32_t packed[5];
    int32_t progressAnswer;
    uint8_t firstPixels[16];
} fake;

void fake_reset(int32_t result)
{
    memset(&fake, 0, sizeof fake);
    fake.result = result;
}
int fake_calls(void) { return fake.calls; }
const ApihImage* fake_source(void) { return &fake.source; }
const ApihImage* fake_destination(void) { return &fake.destination; }
const char* fake_path(void) { return fake.path; }
void* fake_window(void) { return fake.window; }
const int32_t* fake_values(void) { return fake.values; }
int32_t fake_run_mode(void) { return fake.runMode; }
const uint32_t* fake_packed(void) { return fake.packed; }
int32_t fake_progress_answer(void) { return fake.progressAnswer; }
const uint8_t* fake_first_pixels(void) { return fake.firstPixels; }

int32_t InvokePSPlugin(const ApihImage* source, ApihImage* destination, const char* path, ApihProgressProc progress,
                       ApihIdleProc idle, void* window, int32_t value0, int32_t value1, int32_t value2,
                       int32_t value3, int32_t runMode, uint32_t packed0, uint32_t packed1, uint32_t packed2,
                       uint32_t packed3, uint32_t final)
{
    ++fake.calls;
    fake.source = *source;
    fake.destination = *destination;
    strncpy(fake.path, path, sizeof fake.path - 1);
    fake.window = window;
    fake.values[0] = value0;
    fake.values[1] = value1;
    fake.values[2] = value2;
    fake.values[3] = value3;
    fake.runMode = runMode;
    fake.packed[0] = packed0;
    fake.packed[1] = packed1;
    fake.packed[2] = packed2;
    fake.packed[3] = packed3;
    fake.packed[4] = final;
    fake.progressAnswer = progress(1, 2);
    idle();
    memcpy(fake.firstPixels, source->pixels, sizeof fake.firstPixels);
    for (int32_t y = 0; y < source->height; ++y) {
        const uint8_t* in = source->pixels + (size_t)y * (size_t)source->rowPixels * 4;
        uint8_t* out = destination->pixels + (size_t)y * (size_t)destination->rowPixels * 4;
        for (int32_t x = 0; x < source->width; ++x) {
            out[4 * x] = (uint8_t)(255 - in[4 * x]);
            out[4 * x + 1] = in[4 * x + 1];
            out[4 * x + 2] = in[4 * x + 2];
            out[4 * x + 3] = 128;
        }
    }
    return fake.result;
}
