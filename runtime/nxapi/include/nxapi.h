/*
 * nxapi.dll: gateway buffers (UBlock*) and the client side of the gateway
 * connection (Gateway*). Every function is __stdcall. The library imports
 * them through the import library `nxapi_import`: by ordinal, except
 * UBlockTotalSize, which is imported by name. The DLL also exports every
 * function by name.
 */
#ifndef NXAPI_H
#define NXAPI_H

#include <windows.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---------------------------------------------------------------- buffers
 * A buffer is a list of byte pieces, one per UBlockAppend. Its handle points
 * at a record whose 32-bit field at byte offset 8 is the data length: the sum
 * of all piece lengths. The other fields are the library's own.
 *
 * Limits: at most NXAPI_MAX_PIECES pieces (an append beyond that joins the
 * last piece, so a writer that writes in many small steps is never refused)
 * and at most NXAPI_MAX_DATA_LENGTH bytes in all.
 */
typedef struct NxUBlockRecord {
    uint32_t reserved[2];
    uint32_t data_length;
} NxUBlockRecord;
typedef NxUBlockRecord* NXUBLOCK;

#define NXAPI_MAX_PIECES 65536
#define NXAPI_MAX_DATA_LENGTH (256 * 1024 * 1024)

/* A new empty buffer, or NULL when no memory is left. */
NXUBLOCK WINAPI UBlockCreate(void);
/* Appends `length` bytes as a new piece. 0 on success; non-zero (nothing
 * appended) for a null buffer, a negative length, null bytes with a non-zero
 * length, or a buffer that would exceed its limits. */
int WINAPI UBlockAppend(NXUBLOCK buffer, int length, const void* bytes);
/* Bytes needed to hold all pieces (the data length); 0 for a null buffer. */
int WINAPI UBlockTotalSize(NXUBLOCK buffer);
/* Reading restarts at the first piece. 0 on success, non-zero for a null buffer. */
int WINAPI UBlockRewind(NXUBLOCK buffer);
/* Bytes left in the next piece; 0 when none is left, negative for a null
 * buffer. Reading passes over empty pieces: they carry no bytes. */
int WINAPI UBlockNextSize(NXUBLOCK buffer);
/* Copies the next piece to `destination`, at most *length bytes, and sets
 * *length to the bytes copied. A piece longer than *length is handed out in
 * parts: its rest is the next piece. Returns 0 when a piece (or part) was
 * read; non-zero, with *length 0, when none is left, when the arguments are
 * bad, or when *length is 0 while the next piece has bytes (so a caller's
 * loop always ends). */
int WINAPI UBlockRead(NXUBLOCK buffer, int* length, void* destination);
/* Replaces the buffer's pieces with those of a serialized buffer (the
 * gateway's payload form: data length, piece count, then each piece's length
 * and bytes). The form carries its own extent; the lengths are checked
 * against each other before any piece is read, and at most NXAPI_MAX_PIECES
 * pieces and NXAPI_MAX_DATA_LENGTH bytes are accepted. A malformed form
 * leaves the buffer empty. Reading restarts at the first piece. */
void WINAPI UBlockLoad(NXUBLOCK buffer, const void* serialized);
/* Frees the buffer; NULL is ignored. */
void WINAPI UBlockRelease(NXUBLOCK buffer);

/* ------------------------------------------------------------ connections
 * Behind the connection handles each thread keeps one persistent TCP
 * connection to the gateway named by the environment variable NXCOMM_GATEWAY
 * ("host:port", "[v6-address]:port"; default 127.0.0.1:7575), read whenever a
 * connection is made. GatewayClose ends the handle, not the TCP connection:
 * the next GatewayOpen on the thread reuses it, and an answer that arrives
 * after its caller stopped waiting stays with the connection, to be told
 * apart by its request id. A connection that broke, or that the gateway (or a
 * balancer in front of it) closed between exchanges, is made anew by the next
 * send; a request is sent once more only when it did not go out whole.
 */
typedef struct NxGatewayConnection* NXCONNECTION;
/* A Winsock SOCKET (declared so that this header needs no winsock2.h). */
typedef UINT_PTR NXAPI_SOCKET;

#define NXAPI_OPEN_REQUEST_ANSWER 8194 /* the mode GatewayOpen is called with */
#define NXAPI_HTTP_RELAY_SERVICE 2048
#define NXAPI_REQUEST_ANSWER_MODE 2
/* Capacity that holds any answer the gateway sends with its default limits. */
#define NXAPI_RECEIVE_AREA_SIZE 2097152
/* Smallest capacity GatewayReceive accepts: a header and an empty buffer. */
#define NXAPI_MIN_RECEIVE_CAPACITY 24

/* Negative results of GatewaySend and GatewayReceive. */
#define NXAPI_E_CONNECTION_LOST (-1) /* the gateway closed the connection or it broke */
#define NXAPI_E_MESSAGE_TOO_LARGE                                                                                      \
    (-2) /* the message exceeds the area; it is consumed
                                          and dropped, the connection stays usable */
#define NXAPI_E_MALFORMED_FRAME                                                                                        \
    (-3)                           /* the gateway broke the frame format; the
                                          connection is dropped */
#define NXAPI_E_NOT_CONNECTED (-4) /* no connection: none was made, or it was dropped */
#define NXAPI_E_BAD_ARGUMENTS (-5)
#define NXAPI_E_GATEWAY_ADDRESS (-6) /* NXCOMM_GATEWAY is not host:port */
#define NXAPI_E_CONNECT_FAILED                                                                                         \
    (-7)                         /* the gateway cannot be resolved or reached
                                          (connecting gives up after 5 s) */
#define NXAPI_E_SEND_FAILED (-8) /* the frame could not be sent, even on a new connection */
#define NXAPI_E_OUT_OF_MEMORY (-9)

/* A handle for one exchange on this thread's connection; NULL when no memory
 * is left or Winsock cannot be started. The argument is not examined. */
NXCONNECTION WINAPI GatewayOpen(int mode);
/* Sends the buffer as one frame (service 1..65535, mode 0..65535, time-out
 * in milliseconds for the gateway, 0 or less = the gateway's default),
 * connecting first when needed. A connection found broken is made anew and
 * the frame sent once more. Returns the request id (> 0, increasing on the
 * thread's connection) or a negative NXAPI_E_ code. */
int WINAPI GatewaySend(NXCONNECTION connection, int service, int mode, int timeout_ms, NXUBLOCK buffer);
/* The connection's socket, for select(); INVALID_SOCKET when not connected.
 * A receive GatewayReceiveWait left posted is called off first, so that
 * select() sees what arrives. */
NXAPI_SOCKET WINAPI GatewaySocket(NXCONNECTION connection);
/* Never blocks. Returns 0 when no whole message waits; the message kind
 * (the answer's service field, > 0) when one was copied to `area`: the whole
 * frame, bytes 0-3 the request id, 4-15 the rest of its header, 16 on the
 * serialized buffer as UBlockLoad takes it; or a negative NXAPI_E_ code.
 *
 * The socket is read no further than the end of the message at hand. So
 * select() tells the truth: the library holds at most the beginning of a
 * message, whose rest has yet to come, and anything after it is still in the
 * socket and shows it readable. A caller may take one message per readable
 * report or drain until 0; a 0 after a readable report only means that the
 * bytes that came did not complete a message. (After GatewayReceiveWait on
 * the connection, messages may be held by the library: drain until 0 before
 * waiting with select() again.) */
int WINAPI GatewayReceive(NXCONNECTION connection, void* area, int capacity);
/* Blocks until a whole message is in, for at most `timeout_ms` milliseconds
 * (0 or less: only takes what has already arrived), and returns as
 * GatewayReceive does; 0 when no message came in time. The connection is read
 * as its bytes come, in as few receives as they allow: what belongs to a
 * later message is kept for the next call. Between calls a receive stays
 * posted on the connection, so that the look for a closed connection before
 * the next send needs no system call. NXAPI_E_CONNECTION_LOST: the gateway
 * closed the connection, or it broke, while the message was awaited. */
int WINAPI GatewayReceiveWait(NXCONNECTION connection, void* area, int capacity, int timeout_ms);
/* Ends the handle; NULL is ignored. */
void WINAPI GatewayClose(NXCONNECTION connection);

#ifdef __cplusplus
}
#endif

#endif /* NXAPI_H */
