/*
 * brantlet.h - the Brantlet SMS gateway control: one GSM modem on one serial port, driven
 * through calls and events.
 *
 * The control keeps the automation surface of its dispatch interface _DBrantlet and its
 * event interface _DBrantletEvents: method and event names, parameter order and types,
 * return values and DISPIDs. This header offers that surface as a C ABI:
 *
 *   automation type   C type here
 *   long              int32_t
 *   short             int16_t
 *   BOOL              int32_t (0 false, anything else true)
 *   BSTR in           const char*, UTF-8, zero-terminated; NULL reads as ""
 *   BSTR out          const char*, UTF-8, owned by the handle (see each function)
 *
 * Threads: none. A handle belongs to the thread that uses it; nothing in the library runs
 * except inside a call on that handle. Timers (the 100 ms engine tick, the 500 ms connect
 * delay, the three-minute message scan) are served by brantlet_dispatch, and every event
 * callback runs synchronously inside it. A host with its own loop watches the descriptor
 * of brantlet_get_fd and calls brantlet_dispatch when it is readable:
 *
 *   GLib:   GIOChannel* ch = g_io_channel_unix_new(brantlet_get_fd(h));
 *           g_io_add_watch(ch, G_IO_IN, on_ready, h);   // on_ready: brantlet_dispatch(h)
 *   Qt:     auto* n = new QSocketNotifier(brantlet_get_fd(h), QSocketNotifier::Read);
 *           QObject::connect(n, &QSocketNotifier::activated, [h] { brantlet_dispatch(h); });
 *   libuv:  uv_poll_init(loop, &poll, brantlet_get_fd(h));
 *           uv_poll_start(&poll, UV_READABLE, on_ready);
 *   poll(): poll on the fd with brantlet_next_timeout_ms(h) as the time-out, then dispatch.
 *
 * A host without a loop calls brantlet_run_for(h, ms) repeatedly.
 *
 * Errors: the methods answer as the automation methods do (1 / 0 / -1 style longs) and
 * never fail otherwise; a NULL handle makes them answer 0, "" or nothing. The functions
 * of the C binding itself answer a brantlet_status. No C++ exception leaves the library.
 */
#ifndef BRANTLET_BRANTLET_H
#define BRANTLET_BRANTLET_H

#include <stddef.h>
#include <stdint.h>

#if defined(BRANTLET_BUILDING_LIBRARY)
#define BRANTLET_EXPORT __attribute__((visibility("default")))
#else
#define BRANTLET_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Version of this header and of the library built from it (the module's version 1.0.0.1). */
#define BRANTLET_VERSION_MAJOR 1
#define BRANTLET_VERSION_MINOR 0
#define BRANTLET_VERSION_BUILD 0
#define BRANTLET_VERSION_REVISION 1

/* The control. Opaque: created by brantlet_create, ended by brantlet_destroy. */
typedef struct brantlet brantlet;

/* Results of the functions of the C binding (not of the automation methods). */
typedef enum brantlet_status {
    BRANTLET_OK = 0,
    BRANTLET_E_INVALID_ARG = 1,      /* a NULL handle or pointer, or a value out of range */
    BRANTLET_E_MEMBER_NOT_FOUND = 2, /* no method with that DISPID */
    BRANTLET_E_BAD_PARAM_COUNT = 3,  /* wrong number of arguments for the method */
    BRANTLET_E_TYPE_MISMATCH = 4,    /* an argument of a type that cannot be converted */
    BRANTLET_E_OVERFLOW = 5,         /* a number too large for the parameter's type */
    BRANTLET_E_NOT_REGISTERED = 6,   /* no class registered under that ProgID */
    BRANTLET_E_SYSTEM = 7,           /* the operating system refused (see errno) */
    BRANTLET_E_NO_MEMORY = 8
} brantlet_status;

/* DISPIDs of _DBrantlet, in dispatch order. */
typedef enum brantlet_dispid {
    BRANTLET_DISPID_DisconnectModem = 1,
    BRANTLET_DISPID_SendSms = 2,
    BRANTLET_DISPID_SetSendFlag = 3,
    BRANTLET_DISPID_SetRecvFlag = 4,
    BRANTLET_DISPID_GetSendFlag = 5,
    BRANTLET_DISPID_GetRecvFlag = 6,
    BRANTLET_DISPID_IsConnected = 7,
    BRANTLET_DISPID_IsFreeStatus = 8,
    BRANTLET_DISPID_ConnectModem = 9,
    BRANTLET_DISPID_IsConnecting = 10,
    BRANTLET_DISPID_SetModemType = 11,
    BRANTLET_DISPID_SetSmsServerNumber = 12,
    BRANTLET_DISPID_SetSendRate = 13,
    BRANTLET_DISPID_GetConnectComName = 14,
    BRANTLET_DISPID_GetTaskCount = 15,
    BRANTLET_DISPID_SendSignifySms = 16,
    BRANTLET_DISPID_AboutBox = -552, /* the standard about-box identifier */
    /* Additions of this library, outside the range above. */
    BRANTLET_DISPID_SendLongSms = 101,
    BRANTLET_DISPID_SetLongSmsTimeout = 102,
    BRANTLET_DISPID_SetResetAfterTimeouts = 103,
    BRANTLET_DISPID_GetSimStatus = 104
} brantlet_dispid;

/* What the modem said of its SIM at the last initialisation (brantlet_GetSimStatus). */
typedef enum brantlet_sim_status {
    BRANTLET_SIM_UNKNOWN = 0, /* not asked yet, or the modem does not know AT+CPIN? */
    BRANTLET_SIM_READY = 1,
    BRANTLET_SIM_PIN_REQUIRED = 2,
    BRANTLET_SIM_PUK_REQUIRED = 3,
    BRANTLET_SIM_NOT_INSERTED = 4,
    BRANTLET_SIM_NOT_READY = 5 /* still starting after ten seconds */
} brantlet_sim_status;

/* DISPIDs of _DBrantletEvents. */
typedef enum brantlet_event_dispid {
    BRANTLET_EVENT_ConnectStatus = 1,
    BRANTLET_EVENT_SendSmsResult = 2,
    BRANTLET_EVENT_Recvsms = 3,
    BRANTLET_EVENT_SendReport = 4
} brantlet_event_dispid;

/* Type tags of brantlet_value; the numbers are those of the automation VARIANT types. */
typedef enum brantlet_value_type {
    BRANTLET_VT_EMPTY = 0, /* no value: the result of a method that returns nothing */
    BRANTLET_VT_I2 = 2,    /* short: u.i2 */
    BRANTLET_VT_I4 = 3,    /* long: u.i4 */
    BRANTLET_VT_BSTR = 8,  /* string: u.str, UTF-8 */
    BRANTLET_VT_BOOL = 11  /* BOOL: u.boolean, 0 or 1 */
} brantlet_value_type;

/*
 * One argument or result of brantlet_invoke, or one event argument. Its layout is fixed
 * for the life of this ABI (16 bytes on LP64): a 32-bit type tag, 32 reserved bits (set
 * them to 0), then the value. Numbers convert among I2, I4 and BOOL as an automation
 * caller would (a value out of range gives BRANTLET_E_OVERFLOW); strings do not convert.
 * A string result points into memory owned by the handle, valid until the next call on it.
 */
typedef struct brantlet_value {
    int32_t type; /* a brantlet_value_type */
    int32_t reserved;
    union {
        int16_t i2;
        int32_t i4;
        int32_t boolean;
        const char* str;
    } u;
} brantlet_value;

/* ---- Creating and ending ------------------------------------------------------------ */

/*
 * Creates the control and makes it ready as in-place activation does: the link, the flags
 * and the message scan timer are set up. NULL when out of memory or out of descriptors.
 */
BRANTLET_EXPORT brantlet* brantlet_create(void);

/*
 * Creates the control through the per-user registry written by DllRegisterServer:
 * "BRANTLET.BrantletCtrl.1" must be registered with a class whose library is this one.
 */
BRANTLET_EXPORT brantlet_status brantlet_create_from_progid(const char* progid, brantlet** out);

/* Stops the timers, closes the port and drops every queued task, then frees the handle.
 * Must not be called from inside an event callback of the same handle. NULL is ignored. */
BRANTLET_EXPORT void brantlet_destroy(brantlet* h);

/* ---- Methods of _DBrantlet -------------------------------------------------------------- */

/* DISPID 1. Closes the port; connected and connecting cleared, the COM name emptied. 1. */
BRANTLET_EXPORT int32_t brantlet_DisconnectModem(brantlet* h);
/* DISPID 2. Queues a message: 1 queued, 0 the number is empty (after trimming). Every
 * queued message gets one SendSmsResult; one still queued when ConnectModem starts over
 * gets 0 there. */
BRANTLET_EXPORT int32_t brantlet_SendSms(brantlet* h, const char* strPhoneNumber, const char* strSmsContent,
                                         int32_t nSmsIndex);
/* DISPID 3. Stores the send flag (not consulted by the engine). Answers 0. */
BRANTLET_EXPORT int32_t brantlet_SetSendFlag(brantlet* h, int32_t bSendFlag);
/* DISPID 4. Stores the receive flag; while connected queues a message scan unless one is
 * queued. Answers 0. */
BRANTLET_EXPORT int32_t brantlet_SetRecvFlag(brantlet* h, int32_t bRecvFlag);
/* DISPID 5, 6. The stored flags, 1 until set. */
BRANTLET_EXPORT int32_t brantlet_GetSendFlag(brantlet* h);
BRANTLET_EXPORT int32_t brantlet_GetRecvFlag(brantlet* h);
/* DISPID 7. 1 from a successful initialisation until a disconnect. */
BRANTLET_EXPORT int32_t brantlet_IsConnected(brantlet* h);
/* DISPID 8. 0 when more than 4 tasks are queued, else 1 when the last send has completed
 * and nothing was queued since. */
BRANTLET_EXPORT int32_t brantlet_IsFreeStatus(brantlet* h);
/* DISPID 9. 1 started (ConnectStatus follows), 0 refused, -1 the port could not be opened.
 * strComName is a device path such as "/dev/ttyUSB0". nSoftID is accepted. */
BRANTLET_EXPORT int32_t brantlet_ConnectModem(brantlet* h, const char* strComName, int32_t nComRate, int32_t nSoftID);
/* DISPID 10. 1 from a ConnectModem that answered 1 until ConnectStatus. */
BRANTLET_EXPORT int32_t brantlet_IsConnecting(brantlet* h);
/* DISPID 11. Modem type for the next ConnectModem (0: 19200 baud only, no handshake). 0. */
BRANTLET_EXPORT int32_t brantlet_SetModemType(brantlet* h, int16_t nType);
/* DISPID 12. Queues the service centre number ("AT+CSCA"); call it after ConnectStatus 1. */
BRANTLET_EXPORT void brantlet_SetSmsServerNumber(brantlet* h, const char* strNumber);
/* DISPID 13. Pause after each send in ticks of 100 ms; 0 or less becomes 1. Default 15. */
BRANTLET_EXPORT void brantlet_SetSendRate(brantlet* h, int16_t nSendFreeTime);
/* DISPID 14. Port name of the last ConnectModem that answered 1; "" after a disconnect.
 * Owned by the handle: valid until the next brantlet_GetConnectComName or the destroy. */
BRANTLET_EXPORT const char* brantlet_GetConnectComName(brantlet* h);
/* DISPID 15. Tasks in the queue, the running one included. */
BRANTLET_EXPORT int32_t brantlet_GetTaskCount(brantlet* h);
/* DISPID 16. As brantlet_SendSms, asking for a delivery report (11-digit numbers only). */
BRANTLET_EXPORT int32_t brantlet_SendSignifySms(brantlet* h, const char* strPhoneNumber, const char* strSmsContent,
                                                int32_t nSmsIndex);
/* DISPID -552. Hands the about text to the host's about handler and returns when it
 * returns; without a handler the text goes to stderr. */
BRANTLET_EXPORT void brantlet_AboutBox(brantlet* h);

/* ---- Additions ------------------------------------------------------------------------ */

/* DISPID 101. A text of any length as one message: linked parts (153 GSM characters or 67
 * UTF-16 units each, at most 255) when it does not fit one. One SendSmsResult for the
 * whole, with the whole text: 1 only when every part was sent; the first part that fails
 * ends the message and the parts after it are not sent. bStatusReport asks for a delivery
 * report on every part (11-digit numbers only). 1 queued, 0 the number is empty, -1 the
 * text needs more than 255 parts. */
BRANTLET_EXPORT int32_t brantlet_SendLongSms(brantlet* h, const char* strPhoneNumber, const char* strSmsContent,
                                             int32_t nSmsIndex, int32_t bStatusReport);
/* DISPID 102. Received long messages come as one Recvsms once every part is in; parts
 * still missing after this many seconds (default 600; 0 or less restores it) are given up
 * and Recvsms brings what arrived. */
BRANTLET_EXPORT void brantlet_SetLongSmsTimeout(brantlet* h, int32_t nSeconds);
/* DISPID 103. After this many commands in a row got no answer at all, the port is closed
 * and opened again and the modem initialised anew, the queue kept (ConnectStatus 0, then
 * 1). 0, the default, switches it off. A port that goes away (unplugged) is always opened
 * again under its name, every second, until ConnectModem or DisconnectModem is called. */
BRANTLET_EXPORT void brantlet_SetResetAfterTimeouts(brantlet* h, int32_t nCount);
/* DISPID 104. A brantlet_sim_status; a SIM that is not ready fails the connection at once
 * with ConnectStatus 0, and this tells why. */
BRANTLET_EXPORT int32_t brantlet_GetSimStatus(brantlet* h);

/*
 * Late binding: calls the method with that DISPID as an IDispatch caller would. args are
 * in declaration order (not reversed), nargs their count; result (may be NULL) receives the
 * return value, BRANTLET_VT_EMPTY for methods that return nothing. A wrong DISPID, count
 * or type answers an error and calls nothing.
 */
BRANTLET_EXPORT brantlet_status brantlet_invoke(brantlet* h, int32_t dispid, const brantlet_value* args, size_t nargs,
                                                brantlet_value* result);

/* ---- Events of _DBrantletEvents ----------------------------------------------------------
 * A callback runs inside brantlet_dispatch or brantlet_run_for, on the host's thread; it
 * may call methods of the handle (but not brantlet_destroy). Strings are valid during the
 * call only. Registering NULL removes a callback; registering again replaces it. */

/* 1: the modem accepted the initialisation; 0: it failed, or five sends in a row got no prompt. */
typedef void (*brantlet_ConnectStatus_fn)(void* user, int32_t nStatus);
/* nResult 1 sent, -1 no prompt, 0 error answer or time-out; nIndex as given to the send. */
typedef void (*brantlet_SendSmsResult_fn)(void* user, int16_t nResult, int32_t nIndex, const char* strPhoneNumber,
                                          const char* strSmsContent);
/* A received message, read and deleted in the modem; the service centre time stamp. */
typedef void (*brantlet_Recvsms_fn)(void* user, const char* strPhoneNumber, const char* strSmsContent, int16_t nYear,
                                    int16_t nMonth, int16_t nDay, int16_t nHour, int16_t nMinute, int16_t nSecond);
/* A delivery report; times as "20YYMMDDhhmmss" or "". */
typedef void (*brantlet_SendReport_fn)(void* user, const char* strSendNumber, const char* strSendTime,
                                       const char* strRecvTime);
/* Any event, late-bound: its DISPID and its arguments in declaration order. */
typedef void (*brantlet_event_fn)(void* user, int32_t dispid, const brantlet_value* args, size_t nargs);

BRANTLET_EXPORT brantlet_status brantlet_on_ConnectStatus(brantlet* h, brantlet_ConnectStatus_fn fn, void* user);
BRANTLET_EXPORT brantlet_status brantlet_on_SendSmsResult(brantlet* h, brantlet_SendSmsResult_fn fn, void* user);
BRANTLET_EXPORT brantlet_status brantlet_on_Recvsms(brantlet* h, brantlet_Recvsms_fn fn, void* user);
BRANTLET_EXPORT brantlet_status brantlet_on_SendReport(brantlet* h, brantlet_SendReport_fn fn, void* user);
/* Called for every event after its typed callback, if any. */
BRANTLET_EXPORT brantlet_status brantlet_on_event(brantlet* h, brantlet_event_fn fn, void* user);

/* ---- Event loop ----------------------------------------------------------------------- */

/* One descriptor that becomes readable when a timer is due; -1 for a NULL handle. It stays
 * the same for the handle's life; do not read or close it. */
BRANTLET_EXPORT int brantlet_get_fd(brantlet* h);
/* Milliseconds until the next timer is due: 0 when one is due now, -1 when none runs. */
BRANTLET_EXPORT int32_t brantlet_next_timeout_ms(brantlet* h);
/* Runs every due timer and, inside them, the events. Never blocks. */
BRANTLET_EXPORT brantlet_status brantlet_dispatch(brantlet* h);
/* Waits for and dispatches timers for ms milliseconds, then returns. */
BRANTLET_EXPORT brantlet_status brantlet_run_for(brantlet* h, int32_t ms);

/* ---- About box, version data, property page ------------------------------------------- */

/* Receives the about box: title ("About Brantlet") and text (name, version, notice). */
typedef void (*brantlet_about_fn)(void* user, const char* title, const char* text);
BRANTLET_EXPORT brantlet_status brantlet_set_about_handler(brantlet* h, brantlet_about_fn fn, void* user);

typedef enum brantlet_version_field {
    BRANTLET_VERSION_FILE_VERSION = 1,     /* "1.0.0.1" */
    BRANTLET_VERSION_PRODUCT_VERSION = 2,  /* "1.0.0.1" */
    BRANTLET_VERSION_FILE_DESCRIPTION = 3, /* "Brantlet ActiveX Control Module" */
    BRANTLET_VERSION_PRODUCT_NAME = 4,     /* "Brantlet ActiveX Control Module" */
    BRANTLET_VERSION_INTERNAL_NAME = 5,    /* "Brantlet" */
    BRANTLET_VERSION_ORIGINAL_FILENAME = 6 /* "Brantlet.OCX" */
} brantlet_version_field;

/* A static string of the module's version data; NULL for an unknown field. */
BRANTLET_EXPORT const char* brantlet_version_info(int32_t field);
/* The file version as four numbers (1, 0, 0, 1). */
BRANTLET_EXPORT void brantlet_file_version(uint16_t* major, uint16_t* minor, uint16_t* build, uint16_t* revision);

typedef enum brantlet_property_page_field {
    BRANTLET_PROPPAGE_CAPTION = 1,     /* "General" */
    BRANTLET_PROPPAGE_STATIC_TEXT = 2, /* the page's one static text */
    BRANTLET_PROPPAGE_PROGID = 3       /* "BRANTLET.BrantletPropPage.1" */
} brantlet_property_page_field;

/* The property page's description (it has no controls and exchanges no data). */
BRANTLET_EXPORT const char* brantlet_property_page_info(int32_t field);

/* ---- Registration --------------------------------------------------------------------
 * The registry is a per-user file, $BRANTLET_REGISTRY if set, else
 * $XDG_DATA_HOME/brantlet/registry.reg (XDG_DATA_HOME defaulting to ~/.local/share). */

#define BRANTLET_S_OK ((int32_t)0)
#define BRANTLET_SELFREG_E_TYPELIB ((int32_t)0x80040200) /* type library not registered */
#define BRANTLET_SELFREG_E_CLASS ((int32_t)0x80040201)   /* a class not registered */

/* Registers the type library, then the control and the property page classes. */
BRANTLET_EXPORT int32_t DllRegisterServer(void);
/* Removes the type library (1.0), then both classes and their ProgIDs. */
BRANTLET_EXPORT int32_t DllUnregisterServer(void);

#ifdef __cplusplus
}
#endif

#endif /* BRANTLET_BRANTLET_H */
