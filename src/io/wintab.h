/*
 * The part of the Wintab tablet interface the engine uses: the five
 * functions it calls, the records they fill and the constants it passes,
 * with Wintab's own numeric values and layouts. The driver library is
 * loaded at run time (io/wintab_loader.h); nothing here is linked.
 *
 * Plain C, so that a tablet library written in C can share it.
 */
#ifndef MUR_IO_WINTAB_H
#define MUR_IO_WINTAB_H

#include <stdint.h>

#include "murcore.h"

/* Information categories and indices (WTInfoA). */
#define WTI_DEFCONTEXT 3u  /* the default digitizing context */
#define WTI_DEFSYSCTX 4u   /* the default system context */
#define WTI_DEVICES 100u   /* the first device; more follow */
#define DVC_NPRESSURE 15u  /* the device's normal-pressure axis (AXIS) */

/* Context options. */
#define CXO_SYSTEM 0x0001u   /* the context also moves the system cursor */
#define CXO_PEN 0x0002u
#define CXO_MESSAGES 0x0004u

/* Packet data bits; the fields of a packet come in the order of the bits. */
#define PK_CONTEXT 0x0001u
#define PK_STATUS 0x0002u
#define PK_TIME 0x0004u
#define PK_CHANGED 0x0008u
#define PK_SERIAL_NUMBER 0x0010u
#define PK_CURSOR 0x0020u
#define PK_BUTTONS 0x0040u
#define PK_X 0x0080u
#define PK_Y 0x0100u
#define PK_Z 0x0200u
#define PK_NORMAL_PRESSURE 0x0400u
#define PK_TANGENT_PRESSURE 0x0800u
#define PK_ORIENTATION 0x1000u
#define PK_ROTATION 0x2000u

/* Packet status bits. */
#define TPS_PROXIMITY 0x0001u
#define TPS_QUEUE_ERR 0x0002u
#define TPS_MARGIN 0x0004u
#define TPS_GRAB 0x0008u
#define TPS_INVERT 0x0010u /* the eraser end of the pen */

#define LCNAMELEN 40

/* An open context, as the driver hands it out. */
typedef void* HCTX;

/* One axis of the device. */
typedef struct AXIS {
    int32_t axMin;
    int32_t axMax;
    uint32_t axUnits;
    uint32_t axResolution; /* 16.16 fixed point */
} AXIS;

/* A context description (the single-byte-name form). */
typedef struct LOGCONTEXTA {
    char lcName[LCNAMELEN];
    uint32_t lcOptions;
    uint32_t lcStatus;
    uint32_t lcLocks;
    uint32_t lcMsgBase;
    uint32_t lcDevice;
    uint32_t lcPktRate;
    uint32_t lcPktData;
    uint32_t lcPktMode;
    uint32_t lcMoveMask;
    uint32_t lcBtnDnMask;
    uint32_t lcBtnUpMask;
    int32_t lcInOrgX;
    int32_t lcInOrgY;
    int32_t lcInOrgZ;
    int32_t lcInExtX;
    int32_t lcInExtY;
    int32_t lcInExtZ;
    int32_t lcOutOrgX;
    int32_t lcOutOrgY;
    int32_t lcOutOrgZ;
    int32_t lcOutExtX;
    int32_t lcOutExtY;
    int32_t lcOutExtZ;
    uint32_t lcSensX;
    uint32_t lcSensY;
    uint32_t lcSensZ;
    int32_t lcSysMode;
    int32_t lcSysOrgX;
    int32_t lcSysOrgY;
    int32_t lcSysExtX;
    int32_t lcSysExtY;
    uint32_t lcSysSensX;
    uint32_t lcSysSensY;
} LOGCONTEXTA;

/* The packet of a context opened with PK_STATUS | PK_X | PK_Y |
 * PK_NORMAL_PRESSURE: 16 bytes. */
#define MUR_TABLET_PACKET_DATA (PK_STATUS | PK_X | PK_Y | PK_NORMAL_PRESSURE)
typedef struct PACKET {
    uint32_t pkStatus;
    int32_t pkX;
    int32_t pkY;
    uint32_t pkNormalPressure;
} PACKET;

/* The five functions, as the driver library exports them. */
typedef uint32_t (*WTInfoAProc)(uint32_t category, uint32_t index, void* output);
typedef HCTX (*WTOpenAProc)(MUR_Window window, LOGCONTEXTA* context, int32_t enable);
typedef int32_t (*WTCloseProc)(HCTX context);
typedef int32_t (*WTPacketsGetProc)(HCTX context, int32_t maxPackets, void* packets);
typedef int32_t (*WTQueueSizeSetProc)(HCTX context, int32_t packets);

#ifdef __cplusplus
static_assert(sizeof(AXIS) == 16, "AXIS is 16 bytes");
static_assert(sizeof(LOGCONTEXTA) == 172, "LOGCONTEXTA is 172 bytes");
static_assert(sizeof(PACKET) == 16, "a packet is 16 bytes");
#else
_Static_assert(sizeof(AXIS) == 16, "AXIS is 16 bytes");
_Static_assert(sizeof(LOGCONTEXTA) == 172, "LOGCONTEXTA is 172 bytes");
_Static_assert(sizeof(PACKET) == 16, "a packet is 16 bytes");
#endif

#endif /* MUR_IO_WINTAB_H */
