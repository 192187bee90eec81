/*
 * The plug-in host library the engine loads at run time to run filter
 * plug-ins: libapih.so (apih.dll on Windows). Hosts that want plug-ins on
 * Linux supply one, for instance a helper that runs them in a separate
 * process under a Windows compatibility layer. It exports one function,
 * InvokePSPlugin, with the arguments below. Plain C, so that such a library
 * can be built against this header alone.
 */
#ifndef MUR_APIH_H
#define MUR_APIH_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* An image the plug-in reads or writes: width x height pixels of four
 * bytes B, G, R, A, rows of rowPixels pixels. */
typedef struct ApihImage {
    int32_t width;
    int32_t height;
    uint8_t* pixels;
    int32_t rowPixels;
} ApihImage;

/* Asked now and then while the plug-in works; non-zero asks it to stop. */
typedef int32_t (*ApihProgressProc)(int32_t done, int32_t total);
/* Called while the plug-in waits. */
typedef void (*ApihIdleProc)(void);

/* Run modes. */
#define APIH_RUN_WITH_DIALOG 2 /* the plug-in asks for its settings */
#define APIH_RUN_REPEAT 0      /* the plug-in's other mode: its last settings, no dialog */

/*
 * Runs the filter named by path (a .8bf file, followed by '#' and the
 * resource's number or name when the file holds several filters) from
 * source into destination, both of the same size. `window` is the host's
 * window for the plug-in's dialog. The four values after it are 0, -1, 0,
 * 0; the packed words and the final word are 0. Returns 0 on success.
 */
typedef int32_t (*InvokePSPluginProc)(const ApihImage* source, ApihImage* destination, const char* path,
                                      ApihProgressProc progress, ApihIdleProc idle, void* window, int32_t value0,
                                      int32_t value1, int32_t value2, int32_t value3, int32_t runMode,
                                      uint32_t packed0, uint32_t packed1, uint32_t packed2, uint32_t packed3,
                                      uint32_t final);

#ifdef __cplusplus
}
#endif

#endif /* MUR_APIH_H */
