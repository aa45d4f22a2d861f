/*
 * Public interface of the drive link library VQ_Communication.so.
 *
 * The library owns the drive's service port and talks Modbus RTU to one drive.
 * It keeps a single link instance per process; every register operation runs
 * under one process-wide lock together with all its retries.
 *
 * Reads hand back the reply's data bytes in wire order (high byte first per
 * register); writes take host-order 16-bit words. Every register operation
 * reports a status byte: 0 accepted, 1 nothing attempted, 3 node mismatch,
 * 9 no reply or too short, 58 failed read or cut-off reply, any other value
 * the drive's Modbus exception code.
 *
 * The activity event is an eventfd created by the caller (VQ_NO_EVENT for
 * none). The library adds 1 to it at the start of every send and every
 * receive; the caller reads it back as an auto-reset heartbeat.
 */
#ifndef VQ_COMMUNICATION_H
#define VQ_COMMUNICATION_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define VQ_COMM_EXPORT __attribute__((visibility("default")))
#else
#define VQ_COMM_EXPORT
#endif

/* An eventfd file descriptor; VQ_NO_EVENT (any negative value) means none. */
typedef int32_t VQEventHandle;
#define VQ_NO_EVENT (-1)

/* Status values of a register operation. */
enum {
    VQ_STATUS_OK = 0,
    VQ_STATUS_NOT_ATTEMPTED = 1,
    VQ_STATUS_NODE_MISMATCH = 3,
    VQ_STATUS_NO_REPLY = 9,
    VQ_STATUS_FAILED_READ = 58
};

/* Exchange profiles of CommSetExchangeProfile. The specified profile keeps
 * the fixed waits of every exchange; the fast one waits on the port and ends
 * a receive as soon as the expected frame (or an exception frame) is in,
 * with the Modbus silence of 3.5 characters before each request. Both
 * validate, retry and report alike and run under the same lock. */
enum {
    VQ_PROFILE_SPECIFIED = 0,
    VQ_PROFILE_FAST = 1
};

/* Argument of CommRdEachRegister, passed by value (258 bytes). */
typedef struct ScatteredRequest {
    uint8_t byteCount;       /* twice the number of addresses that follow, at most 252 */
    uint8_t alignment;       /* not sent */
    uint16_t addresses[128]; /* register addresses, host byte order */
} ScatteredRequest;

VQ_COMM_EXPORT int32_t CommCreate(void);
VQ_COMM_EXPORT int32_t CommDestroy(void);
VQ_COMM_EXPORT int32_t CommInit(int32_t node, uint32_t port, uint32_t baud, VQEventHandle event);
/* As CommInit, but names any serial device path (USB adapter, pseudo-terminal). */
VQ_COMM_EXPORT int32_t CommInitDevice(int32_t node, const char *device, uint32_t baud,
                                      VQEventHandle event);
VQ_COMM_EXPORT int32_t CommConnect(VQEventHandle event);
VQ_COMM_EXPORT int32_t CommDisConnect(void);
VQ_COMM_EXPORT int32_t CommIsConnect(void);
VQ_COMM_EXPORT int32_t CommRdSgRegister(uint16_t address, uint8_t *destination, uint8_t *status,
                                        int32_t attemptMode);
VQ_COMM_EXPORT int32_t CommRdMtRegister(uint16_t address, int32_t count, uint8_t *destination,
                                        uint8_t *status);
VQ_COMM_EXPORT int32_t CommRdTraceData(int32_t blocks, uint8_t *destination, uint8_t *status,
                                       uint8_t mode);
VQ_COMM_EXPORT int32_t CommRdEachRegister(ScatteredRequest request, uint8_t *destination,
                                          uint8_t *status);
VQ_COMM_EXPORT int32_t CommWrSgRegister(uint16_t address, int32_t value, uint8_t *status);
VQ_COMM_EXPORT int32_t CommWrMtRegister(uint16_t address, int32_t count, const uint16_t *source,
                                        uint8_t *status);
VQ_COMM_EXPORT int32_t CommExchangeBoot(void);
/* errno of the last failed open (0 after a successful one); lets the program explain
 * a refused device, for example missing membership of the dialout group. */
VQ_COMM_EXPORT int32_t CommLastOpenError(void);
/* Chooses the exchange profile for the following exchanges (kept across
 * CommCreate and CommDestroy). 1 on success, 0 for an unknown profile (the
 * profile in use stays). */
VQ_COMM_EXPORT int32_t CommSetExchangeProfile(int32_t profile);

/* The link's statistics since the port was last opened (CommConnect), read
 * with CommGetStatistics. Every attempt of a register operation is one
 * exchange; each ends accepted, answered "not ready" (exception 5 to a trace
 * read), as an answered marker or in one failure kind. A late reply is counted besides the failure
 * of the attempt it was meant for, once for each pause between attempts in
 * which bytes came that no attempt waited for. Round-trip times (from the
 * request leaving to the whole reply being in) cover the last
 * VQ_RTT_WINDOW exchanges that got a whole frame back. */
#define VQ_RTT_WINDOW 1000
#define VQ_EXCEPTION_CODES 16

typedef struct VQLinkStatistics {
    uint32_t size;              /* set by the caller to sizeof(VQLinkStatistics) */
    uint32_t rttCount;          /* round trips in the window, at most VQ_RTT_WINDOW */
    uint64_t operations;        /* register operations that ran an exchange */
    uint64_t exchanges;         /* requests sent, every attempt */
    uint64_t retries;           /* attempts after an operation's first */
    uint64_t accepted;
    uint64_t notReady;          /* a trace read answered exception 5 */
    uint64_t noReply;           /* nothing, or too little to be a reply */
    uint64_t badCrc;
    uint64_t otherNode;         /* a reply from another node address */
    uint64_t foreignReply;      /* a whole frame that answers another request */
    uint64_t lateReply;
    uint64_t exceptionReply;    /* the drive refused: exception code 1 to 255 */
    uint64_t cutShort;          /* a reply that stopped before its end */
    uint64_t lineError;         /* the port could not be read or is closed */
    uint64_t markers;           /* the link's own requests that tell where replies still owed end */
    uint64_t exceptionByCode[VQ_EXCEPTION_CODES]; /* index = code; codes above 15 only in the total */
    uint32_t rttMinUs;
    uint32_t rttMedianUs;
    uint32_t rttP99Us;
    uint32_t rttMaxUs;
} VQLinkStatistics;

/* What became of one exchange, in the frame log. */
enum {
    VQ_VERDICT_ACCEPTED = 0,
    VQ_VERDICT_NOT_READY = 1,
    VQ_VERDICT_NO_REPLY = 2,
    VQ_VERDICT_BAD_CRC = 3,
    VQ_VERDICT_OTHER_NODE = 4,
    VQ_VERDICT_FOREIGN_REPLY = 5,
    VQ_VERDICT_LATE_REPLY = 6, /* bytes no attempt waited for; no request of its own */
    VQ_VERDICT_EXCEPTION = 7,
    VQ_VERDICT_CUT_SHORT = 8,
    VQ_VERDICT_LINE_ERROR = 9,
    VQ_VERDICT_MARKER = 10 /* the link's own request, answered; the attempt then asks again */
};

#define VQ_FRAME_LOG_ENTRIES 2000
#define VQ_FRAME_BYTES 257

/* One exchange of the frame log: the request and what came back. */
typedef struct VQFrameLogEntry {
    uint64_t sequence;        /* 1, 2, 3 ... in the order the exchanges ended */
    int64_t requestTimeUs;    /* wall clock, microseconds since 1970; 0: no request */
    int64_t replyTimeUs;      /* when the receive ended */
    uint8_t verdict;          /* VQ_VERDICT_* */
    uint8_t status;           /* the attempt's status byte */
    uint16_t requestLength;
    uint16_t replyLength;     /* bytes kept, at most VQ_FRAME_BYTES */
    uint8_t request[VQ_FRAME_BYTES];
    uint8_t reply[VQ_FRAME_BYTES];
} VQFrameLogEntry;

/* Copies the statistics into `out` (as much of it as out->size asks for).
 * 1 on success, 0 without `out` or with a size below 8 bytes.
 * Never waits for an exchange in progress. */
VQ_COMM_EXPORT int32_t CommGetStatistics(VQLinkStatistics *out);
/* Starts the statistics afresh (the frame log stays). Always 1. */
VQ_COMM_EXPORT int32_t CommResetStatistics(void);
/* Copies up to `capacity` frame log entries whose sequence is above `after`,
 * oldest first, and returns how many. The log keeps the last
 * VQ_FRAME_LOG_ENTRIES exchanges across connections. Never waits for an
 * exchange in progress. */
VQ_COMM_EXPORT int32_t CommReadFrameLog(uint64_t after, VQFrameLogEntry *entries, int32_t capacity);

/* Function pointer types for binding the library by name at run time. */
typedef int32_t (*CommCreateFn)(void);
typedef int32_t (*CommDestroyFn)(void);
typedef int32_t (*CommInitFn)(int32_t, uint32_t, uint32_t, VQEventHandle);
typedef int32_t (*CommInitDeviceFn)(int32_t, const char *, uint32_t, VQEventHandle);
typedef int32_t (*CommConnectFn)(VQEventHandle);
typedef int32_t (*CommDisConnectFn)(void);
typedef int32_t (*CommIsConnectFn)(void);
typedef int32_t (*CommRdSgRegisterFn)(uint16_t, uint8_t *, uint8_t *, int32_t);
typedef int32_t (*CommRdMtRegisterFn)(uint16_t, int32_t, uint8_t *, uint8_t *);
typedef int32_t (*CommRdTraceDataFn)(int32_t, uint8_t *, uint8_t *, uint8_t);
typedef int32_t (*CommRdEachRegisterFn)(ScatteredRequest, uint8_t *, uint8_t *);
typedef int32_t (*CommWrSgRegisterFn)(uint16_t, int32_t, uint8_t *);
typedef int32_t (*CommWrMtRegisterFn)(uint16_t, int32_t, const uint16_t *, uint8_t *);
typedef int32_t (*CommExchangeBootFn)(void);
typedef int32_t (*CommLastOpenErrorFn)(void);
typedef int32_t (*CommSetExchangeProfileFn)(int32_t);
typedef int32_t (*CommGetStatisticsFn)(VQLinkStatistics *);
typedef int32_t (*CommResetStatisticsFn)(void);
typedef int32_t (*CommReadFrameLogFn)(uint64_t, VQFrameLogEntry *, int32_t);

#ifdef __cplusplus
}
static_assert(sizeof(ScatteredRequest) == 258, "ScatteredRequest is 258 bytes");
#endif

#endif
