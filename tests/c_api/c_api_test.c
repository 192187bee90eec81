/* The public header compiled as C, driving the shared library as a host
 * written in C would. */
#include "murcore.h"

#include <stdio.h>
#include <string.h>

static int failures = 0;

#define CHECK(cond)                                                   \
    do {                                                              \
        if (!(cond)) {                                                \
            fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #cond); \
            ++failures;                                               \
        }                                                             \
    } while (0)

int main(void)
{
    MUR_CreateImage(NULL, 64, 48, 32, 0);
    CHECK(MUR_CreateLayer(1, 64, 48) == 1);
    CHECK(MUR_CreateLayer(2, 64, 48) == 1);
    MUR_SetLayerOptions(2, 1, 0, 75, "Multiply");
    MUR_SetLayer(2);
    CHECK(MUR_GetLayerNum() == 2);
    CHECK(MUR_GetLayerCount() == 2);
    CHECK(MUR_CreateLayer(272, 8, 8) == 0);
    CHECK(strcmp(MUR_GetLastError(), "") == 0);

    MUR_SetLastError("host note");
    CHECK(strcmp(MUR_GetLastError(), "host note") == 0);

    {
        void* block = MUR_Alloc(256);
        CHECK(block != NULL);
        CHECK(BankAdrs(block) == (intptr_t)block);
        MUR_Free(block);
    }

    MUR_NewSize(NULL, 32, 32, 16, 0);
    CHECK(MUR_GetLayerCount() == 2);
    MUR_DeleteImage();
    CHECK(MUR_GetLayerCount() == 0);

    if (failures) fprintf(stderr, "%d check(s) failed\n", failures);
    return failures ? 1 : 0;
}
