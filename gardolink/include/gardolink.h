/*
 * gardolink: the controller's checksummed frame protocol.
 *
 * Every transaction export builds one request frame, drops pending input,
 * sends the frame byte by byte through serlink, reads the answer and turns
 * it into a status code. The library keeps no state: the port, its handle
 * and the per-byte wait time all live in serlink.
 *
 * The library is built in two configurations that differ only in the
 * station address byte: full (0xC1, 25 exports) and reduced (0xB1, 22
 * exports; without Change_Wait_Time, Read_COM_Handle and Write_COM_Handle).
 *
 * Trace: with SERLINK_TRACE set when InitCommunication opens the port, every
 * transaction adds one line to serlink's trace: the command, area, address
 * and count, what became of each request frame, the final status by its name
 * here or in serlink.h, and the time it took.
 */
#ifndef GARDOLINK_H
#define GARDOLINK_H

#include <stdint.h>

#include "serlink.h"

#if defined(_WIN32)
#  if defined(GARDOLINK_BUILDING)
#    define GARDOLINK_API __declspec(dllexport)
#  else
#    define GARDOLINK_API __declspec(dllimport)
#  endif
/* Write_COM_Handle is __stdcall and exported from a .def file under its
 * decorated name _Write_COM_Handle@4, so it carries no dllexport. */
#  if defined(GARDOLINK_BUILDING)
#    define GARDOLINK_STDCALL_API
#  else
#    define GARDOLINK_STDCALL_API __declspec(dllimport)
#  endif
#  define GARDOLINK_STDCALL __stdcall
#else
#  define GARDOLINK_API __attribute__((visibility("default")))
#  define GARDOLINK_STDCALL_API GARDOLINK_API
#  define GARDOLINK_STDCALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Status codes ------------------------------------------------------
 * Every transaction returns one of these, or a negative serlink code
 * (SERLINK_E_*, -1173 .. -1153) passed through unchanged.
 */
enum {
    GARDO_OK = 0,             /* reply 0x60, or a read reply that passed every check */
    GARDO_REJECTED = 1,       /* reply "P" (0x50): command rejected */
    GARDO_FAULTY = 2,         /* reply "0" (0x30): command faulty (NACK) */
    GARDO_UNKNOWN_REPLY = 3,  /* any other reply character or start byte, or a
                                 checksum that still fails on the fourth attempt */
    GARDO_BAD_TYPE = 4,       /* second byte of a read reply is not 0x14 */
    GARDO_BAD_LENGTH = 5,     /* read reply length 0, above 8, or above the count
                                 asked for (nothing is copied then) */
    GARDO_BAD_ARGUMENT = 6    /* refused before sending: read count outside 1..8,
                                 write count outside 0..10, address outside
                                 0..65535, or a null buffer */
};

/* Largest data sizes of one frame. */
enum { GARDO_MAX_READ = 8, GARDO_MAX_WRITE = 10 };

/* ---- Connection ---- */
GARDOLINK_API int32_t InitCommunication(const char* port, int32_t baud);
GARDOLINK_API int32_t CloseCommunication(void);

/* ---- Full configuration only ---- */
#if !defined(GARDOLINK_REDUCED)
GARDOLINK_API int32_t Change_Wait_Time(int32_t ms);
GARDOLINK_API serlink_handle_t Read_COM_Handle(void);
GARDOLINK_STDCALL_API serlink_handle_t GARDOLINK_STDCALL Write_COM_Handle(serlink_handle_t handle);
#endif

/* ---- Short commands ---- */
GARDOLINK_API int32_t Start(void);
GARDOLINK_API int32_t Stop(void);
GARDOLINK_API int32_t Apply_Program(void);
GARDOLINK_API int32_t Activate_Test(void);
GARDOLINK_API int32_t Retention(void);
/* Reads process byte 4; sends command 0xC6 only when it is 18 or more. */
GARDOLINK_API int32_t AutoRun(void);
/* Any non-zero argument means "on". */
GARDOLINK_API int32_t PKeys_State(int32_t on);
GARDOLINK_API int32_t InputDebounds(int32_t on);
GARDOLINK_API int32_t DST(int32_t on);
GARDOLINK_API int32_t RemoteMode(int32_t on);

/* ---- Reads: address 0..65535, count 1..8; dest holds at least count bytes ---- */
GARDOLINK_API int32_t Read_Program(int32_t address, int32_t count, uint8_t* dest);
GARDOLINK_API int32_t Read_ProzessData(int32_t address, int32_t count, uint8_t* dest);
GARDOLINK_API int32_t Read_Clock(int32_t address, int32_t count, uint8_t* dest);
GARDOLINK_API int32_t Read_RemoteDisplay(int32_t address, int32_t count, uint8_t* dest);
/* Reads the 4 remote-value bytes at address 0; dest holds at least 4 bytes. */
GARDOLINK_API int32_t GetRemoteValues(uint8_t* dest);

/* ---- Writes: address 0..65535, count 0..10 ---- */
GARDOLINK_API int32_t Write_Program(int32_t address, int32_t count, const uint8_t* src);
GARDOLINK_API int32_t Write_ProzessData(int32_t address, int32_t count, const uint8_t* src);
GARDOLINK_API int32_t Write_Clock(int32_t address, int32_t count, const uint8_t* src);
GARDOLINK_API int32_t Write_RemoteDisplay(int32_t address, int32_t count, const uint8_t* src);
/* Sends the value's four bytes, least significant first, to address 0. */
GARDOLINK_API int32_t SetRemoteValues(const uint32_t* value);

#ifdef __cplusplus
}
#endif

#endif /* GARDOLINK_H */
