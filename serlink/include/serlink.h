/*
 * serlink: the one serial port of the process.
 *
 * Opens and configures the port from a port text ("COM1:", "/dev/ttyUSB0:")
 * and a baud rate, and moves single bytes with a time limit. All state (the
 * handle and the wait time) is module state, once per process. Every call
 * reports through an integer status code; nothing is shown, nothing thrown.
 *
 * Trace: when the environment variable SERLINK_TRACE names a file ("-" for
 * standard error) at the moment Init_Serlink opens the port, the library
 * appends a line for every event of that connection to it: the open (or why
 * it failed), the bytes sent and received per burst, time-outs, line errors
 * and the close, each with the milliseconds since the open.
 */
#ifndef SERLINK_H
#define SERLINK_H

#include <stdint.h>

#if defined(_WIN32)
#  if defined(SERLINK_BUILDING)
#    define SERLINK_API __declspec(dllexport)
#  else
#    define SERLINK_API __declspec(dllimport)
#  endif
/* The port handle is the system's HANDLE there. */
typedef void* serlink_handle_t;
#  define SERLINK_INVALID_HANDLE ((serlink_handle_t)(intptr_t)-1)
#else
#  define SERLINK_API __attribute__((visibility("default")))
/* A file descriptor widened to a pointer-sized integer; -1 is invalid. */
typedef intptr_t serlink_handle_t;
#  define SERLINK_INVALID_HANDLE ((serlink_handle_t)-1)
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Status codes ------------------------------------------------------
 * 0 is success; failures are negative. The block -1173 .. -1153 is shared
 * with the protocol library, which passes these codes through unchanged.
 */
enum {
    SERLINK_OK = 0,
    SERLINK_E_WRITE_TIMEOUT = -1153,  /* no byte could be sent within the wait time */
    SERLINK_E_READ_TIMEOUT = -1154,   /* no byte was received within the wait time */
    SERLINK_E_READ_EMPTY = -1155,     /* the system read delivered no byte */
    SERLINK_E_BAD_MODE = -1156,       /* invalid port parameters in the mode text, or
                                         a port text without ":" or too long for it */
    SERLINK_E_NO_ERRNO = -1157,       /* a system call failed without an error number */
    SERLINK_E_MODE_FLAG = -1158,      /* flag bit 15 (mode / parameter not supported) */
    SERLINK_E_UNMAPPED = -1159,       /* no mapped flag bit set */
    /* -1161 - i: lowest set flag bit i of the communication error word */
    SERLINK_E_RX_OVERFLOW = -1161,    /* bit 0; also Windows error 5 (port held/denied) */
    SERLINK_E_OVERRUN = -1162,        /* bit 1; also Windows error 2 (no such port) */
    SERLINK_E_PARITY = -1163,         /* bit 2 */
    SERLINK_E_FRAME = -1164,          /* bit 3 */
    SERLINK_E_BREAK = -1165,          /* bit 4 */
    SERLINK_E_CTS_TIMEOUT = -1166,    /* bit 5 */
    SERLINK_E_DSR_TIMEOUT = -1167,    /* bit 6 */
    SERLINK_E_CD_TIMEOUT = -1168,     /* bit 7 */
    SERLINK_E_TX_FULL = -1169,        /* bit 8 */
    SERLINK_E_PAR_TIMEOUT = -1170,    /* bit 9 */
    SERLINK_E_PAR_IO = -1171,         /* bit 10 */
    SERLINK_E_PAR_NOT_SELECTED = -1172 /* bit 11 */
};

/* Opens and configures the port. A port that is already open makes this
 * return 0 at once without touching anything. */
SERLINK_API int32_t Init_Serlink(const char* port, int32_t baud);
/* Closes the port (if open) and forgets the handle. */
SERLINK_API int32_t Exit_Serlink(void);
/* The current handle, SERLINK_INVALID_HANDLE while closed. */
SERLINK_API serlink_handle_t Get_COM_Handle(void);
/* Replaces the stored handle without opening or closing anything. */
SERLINK_API serlink_handle_t Set_COM_Handle(serlink_handle_t handle);
/* Longest wait of ReadByte/WriteByte in ms (2000 initially); returns it. */
SERLINK_API uint32_t Set_Wait_Time(uint32_t ms);
/* Negative status, 0 for an empty input queue, 1 when a byte waits. */
SERLINK_API int32_t IsDataAvailable(void);
/* Negative status, 1 when the output queue is empty, else 0. */
SERLINK_API int32_t IsBufferEmpty(void);
/* Reads one byte, waiting at most the wait time. */
SERLINK_API int32_t ReadByte(uint8_t* dest);
/* Writes one byte once the output queue is empty, waiting at most the wait time. */
SERLINK_API int32_t WriteByte(uint8_t b);

#ifdef __cplusplus
}
#endif

#endif /* SERLINK_H */
