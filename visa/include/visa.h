/* VISA C API: the published types, attribute ids, status codes and
 * functions, as laid out for 64-bit Linux. */
#ifndef VISA_H
#define VISA_H

#include <stdarg.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define VI_SPEC_VERSION (0x00500800UL)

typedef uint32_t ViUInt32;
typedef int32_t ViInt32;
typedef uint16_t ViUInt16;
typedef int16_t ViInt16;
typedef uint8_t ViUInt8;
typedef int8_t ViInt8;
typedef uint64_t ViUInt64;
typedef int64_t ViInt64;
typedef char ViChar;
typedef unsigned char ViByte;
typedef void* ViAddr;
typedef ViUInt16 ViBoolean;
typedef float ViReal32;
typedef double ViReal64;

typedef ViUInt32* ViPUInt32;
typedef ViInt32* ViPInt32;
typedef ViUInt16* ViPUInt16;
typedef ViInt16* ViPInt16;
typedef ViBoolean* ViPBoolean;
typedef ViReal64* ViPReal64;
typedef ViByte* ViPByte;
typedef ViByte* ViBuf;
typedef const ViByte* ViConstBuf;
typedef ViChar* ViString;
typedef const ViChar* ViConstString;
typedef ViString ViRsrc;
typedef ViConstString ViConstRsrc;
typedef ViChar* ViPChar;

typedef ViInt32 ViStatus;
typedef ViUInt32 ViObject;
typedef ViObject ViSession;
typedef ViSession* ViPSession;
typedef ViObject ViFindList;
typedef ViFindList* ViPFindList;
typedef ViUInt32 ViAttr;
typedef ViUInt64 ViAttrState;
typedef ViUInt32 ViAccessMode;
typedef ViUInt32 ViEventType;
typedef ViEventType* ViPEventType;
typedef ViObject ViEvent;
typedef ViEvent* ViPEvent;
typedef ViUInt32 ViJobId;
typedef ViUInt64 ViBusAddress;
typedef ViUInt64 ViBusSize;
typedef void* ViPAttrState;
typedef ViChar* ViVAList;
typedef ViUInt16 ViEventFilter;
typedef ViUInt32 ViKeyId;
typedef ViKeyId* ViPKeyId;
typedef ViJobId* ViPJobId;
typedef ViAddr* ViPAddr;
typedef ViUInt8* ViPUInt8;
typedef ViInt8* ViPInt8;
typedef ViUInt64* ViPUInt64;
typedef ViInt64* ViPInt64;
typedef ViBusAddress* ViPBusAddress;
typedef ViUInt64 ViBusAddress64;
typedef ViBusAddress64* ViPBusAddress64;
typedef const ViChar* ViConstKeyId;
typedef ViByte* ViPBuf;
typedef ViStatus (*ViHndlr)(ViSession vi, ViEventType eventType, ViEvent event,
                            ViAddr userHandle);

#define VI_NULL 0
#define VI_TRUE 1
#define VI_FALSE 0
#define VI_SUCCESS 0L

#define VI_FIND_BUFLEN 256

/* Completion codes */
#define VI_SUCCESS_EVENT_EN 0x3FFF0002L
#define VI_SUCCESS_EVENT_DIS 0x3FFF0003L
#define VI_SUCCESS_QUEUE_EMPTY 0x3FFF0004L
#define VI_SUCCESS_TERM_CHAR 0x3FFF0005L
#define VI_SUCCESS_MAX_CNT 0x3FFF0006L
#define VI_WARN_QUEUE_OVERFLOW 0x3FFF000CL
#define VI_WARN_CONFIG_NLOADED 0x3FFF0077L
#define VI_SUCCESS_DEV_NPRESENT 0x3FFF007DL
#define VI_SUCCESS_TRIG_MAPPED 0x3FFF007EL
#define VI_SUCCESS_QUEUE_NEMPTY 0x3FFF0080L
#define VI_WARN_NULL_OBJECT 0x3FFF0082L
#define VI_WARN_NSUP_ATTR_STATE 0x3FFF0084L
#define VI_WARN_UNKNOWN_STATUS 0x3FFF0085L
#define VI_WARN_NSUP_BUF 0x3FFF0088L
#define VI_SUCCESS_NCHAIN 0x3FFF0098L
#define VI_SUCCESS_NESTED_SHARED 0x3FFF0099L
#define VI_SUCCESS_NESTED_EXCLUSIVE 0x3FFF009AL
#define VI_SUCCESS_SYNC 0x3FFF009BL

/* Error codes (negative as ViStatus) */
#define VI_ERROR_SYSTEM_ERROR ((ViStatus)0xBFFF0000)
#define VI_ERROR_INV_OBJECT ((ViStatus)0xBFFF000E)
#define VI_ERROR_RSRC_LOCKED ((ViStatus)0xBFFF000F)
#define VI_ERROR_INV_EXPR ((ViStatus)0xBFFF0010)
#define VI_ERROR_RSRC_NFOUND ((ViStatus)0xBFFF0011)
#define VI_ERROR_INV_RSRC_NAME ((ViStatus)0xBFFF0012)
#define VI_ERROR_INV_ACC_MODE ((ViStatus)0xBFFF0013)
#define VI_ERROR_TMO ((ViStatus)0xBFFF0015)
#define VI_ERROR_CLOSING_FAILED ((ViStatus)0xBFFF0016)
#define VI_ERROR_INV_DEGREE ((ViStatus)0xBFFF001B)
#define VI_ERROR_INV_JOB_ID ((ViStatus)0xBFFF001C)
#define VI_ERROR_NSUP_ATTR ((ViStatus)0xBFFF001D)
#define VI_ERROR_NSUP_ATTR_STATE ((ViStatus)0xBFFF001E)
#define VI_ERROR_ATTR_READONLY ((ViStatus)0xBFFF001F)
#define VI_ERROR_INV_LOCK_TYPE ((ViStatus)0xBFFF0020)
#define VI_ERROR_INV_ACCESS_KEY ((ViStatus)0xBFFF0021)
#define VI_ERROR_INV_EVENT ((ViStatus)0xBFFF0026)
#define VI_ERROR_INV_MECH ((ViStatus)0xBFFF0027)
#define VI_ERROR_HNDLR_NINSTALLED ((ViStatus)0xBFFF0028)
#define VI_ERROR_INV_HNDLR_REF ((ViStatus)0xBFFF0029)
#define VI_ERROR_INV_CONTEXT ((ViStatus)0xBFFF002A)
#define VI_ERROR_QUEUE_OVERFLOW ((ViStatus)0xBFFF002D)
#define VI_ERROR_NENABLED ((ViStatus)0xBFFF002F)
#define VI_ERROR_ABORT ((ViStatus)0xBFFF0030)
#define VI_ERROR_RAW_WR_PROT_VIOL ((ViStatus)0xBFFF0034)
#define VI_ERROR_RAW_RD_PROT_VIOL ((ViStatus)0xBFFF0035)
#define VI_ERROR_OUTP_PROT_VIOL ((ViStatus)0xBFFF0036)
#define VI_ERROR_INP_PROT_VIOL ((ViStatus)0xBFFF0037)
#define VI_ERROR_BERR ((ViStatus)0xBFFF0038)
#define VI_ERROR_IN_PROGRESS ((ViStatus)0xBFFF0039)
#define VI_ERROR_INV_SETUP ((ViStatus)0xBFFF003A)
#define VI_ERROR_QUEUE_ERROR ((ViStatus)0xBFFF003B)
#define VI_ERROR_ALLOC ((ViStatus)0xBFFF003C)
#define VI_ERROR_INV_MASK ((ViStatus)0xBFFF003D)
#define VI_ERROR_IO ((ViStatus)0xBFFF003E)
#define VI_ERROR_INV_FMT ((ViStatus)0xBFFF003F)
#define VI_ERROR_NSUP_FMT ((ViStatus)0xBFFF0041)
#define VI_ERROR_LINE_IN_USE ((ViStatus)0xBFFF0042)
#define VI_ERROR_NSUP_MODE ((ViStatus)0xBFFF0046)
#define VI_ERROR_SRQ_NOCCURRED ((ViStatus)0xBFFF004A)
#define VI_ERROR_INV_SPACE ((ViStatus)0xBFFF004E)
#define VI_ERROR_INV_OFFSET ((ViStatus)0xBFFF0051)
#define VI_ERROR_INV_WIDTH ((ViStatus)0xBFFF0052)
#define VI_ERROR_NSUP_OFFSET ((ViStatus)0xBFFF0054)
#define VI_ERROR_NSUP_VAR_WIDTH ((ViStatus)0xBFFF0055)
#define VI_ERROR_WINDOW_NMAPPED ((ViStatus)0xBFFF0057)
#define VI_ERROR_RESP_PENDING ((ViStatus)0xBFFF0059)
#define VI_ERROR_NLISTENERS ((ViStatus)0xBFFF005F)
#define VI_ERROR_NCIC ((ViStatus)0xBFFF0060)
#define VI_ERROR_NSYS_CNTLR ((ViStatus)0xBFFF0061)
#define VI_ERROR_NSUP_OPER ((ViStatus)0xBFFF0067)
#define VI_ERROR_INTR_PENDING ((ViStatus)0xBFFF0068)
#define VI_ERROR_ASRL_PARITY ((ViStatus)0xBFFF006A)
#define VI_ERROR_ASRL_FRAMING ((ViStatus)0xBFFF006B)
#define VI_ERROR_ASRL_OVERRUN ((ViStatus)0xBFFF006C)
#define VI_ERROR_TRIG_NMAPPED ((ViStatus)0xBFFF006E)
#define VI_ERROR_NSUP_ALIGN_OFFSET ((ViStatus)0xBFFF0070)
#define VI_ERROR_USER_BUF ((ViStatus)0xBFFF0071)
#define VI_ERROR_RSRC_BUSY ((ViStatus)0xBFFF0072)
#define VI_ERROR_NSUP_WIDTH ((ViStatus)0xBFFF0076)
#define VI_ERROR_INV_PARAMETER ((ViStatus)0xBFFF0078)
#define VI_ERROR_INV_PROT ((ViStatus)0xBFFF0079)
#define VI_ERROR_INV_SIZE ((ViStatus)0xBFFF007B)
#define VI_ERROR_WINDOW_MAPPED ((ViStatus)0xBFFF0080)
#define VI_ERROR_NIMPL_OPER ((ViStatus)0xBFFF0081)
#define VI_ERROR_INV_LENGTH ((ViStatus)0xBFFF0083)
#define VI_ERROR_INV_MODE ((ViStatus)0xBFFF0091)
#define VI_ERROR_SESN_NLOCKED ((ViStatus)0xBFFF009C)
#define VI_ERROR_MEM_NSHARED ((ViStatus)0xBFFF009D)
#define VI_ERROR_LIBRARY_NFOUND ((ViStatus)0xBFFF009E)
#define VI_ERROR_NSUP_INTR ((ViStatus)0xBFFF009F)
#define VI_ERROR_INV_LINE ((ViStatus)0xBFFF00A0)
#define VI_ERROR_FILE_ACCESS ((ViStatus)0xBFFF00A1)
#define VI_ERROR_FILE_IO ((ViStatus)0xBFFF00A2)
#define VI_ERROR_NSUP_LINE ((ViStatus)0xBFFF00A3)
#define VI_ERROR_NSUP_MECH ((ViStatus)0xBFFF00A4)
#define VI_ERROR_INTF_NUM_NCONFIG ((ViStatus)0xBFFF00A5)
#define VI_ERROR_CONN_LOST ((ViStatus)0xBFFF00A6)
#define VI_ERROR_INV_SETUP_STATE ((ViStatus)0xBFFF003A)
#define VI_ERROR_NSUP_MODE_STATE ((ViStatus)0xBFFF0046)

/* Attributes */
#define VI_ATTR_RSRC_CLASS (0xBFFF0001UL)
#define VI_ATTR_RSRC_NAME (0xBFFF0002UL)
#define VI_ATTR_RSRC_IMPL_VERSION (0x3FFF0003UL)
#define VI_ATTR_RSRC_LOCK_STATE (0x3FFF0004UL)
#define VI_ATTR_MAX_QUEUE_LENGTH (0x3FFF0005UL)
#define VI_ATTR_USER_DATA_32 (0x3FFF0007UL)
#define VI_ATTR_USER_DATA_64 (0x3FFF000AUL)
#define VI_ATTR_USER_DATA VI_ATTR_USER_DATA_64
#define VI_ATTR_TERMCHAR (0x3FFF0018UL)
#define VI_ATTR_TMO_VALUE (0x3FFF001AUL)
#define VI_ATTR_GPIB_PRIMARY_ADDR (0x3FFF0172UL)
#define VI_ATTR_GPIB_SECONDARY_ADDR (0x3FFF0173UL)
#define VI_ATTR_INTF_NUM (0x3FFF0176UL)
#define VI_ATTR_INTF_TYPE (0x3FFF0171UL)
#define VI_ATTR_RSRC_SPEC_VERSION (0x3FFF0170UL)
#define VI_ATTR_RSRC_MANF_NAME (0xBFFF0174UL)
#define VI_ATTR_RSRC_MANF_ID (0x3FFF0175UL)
#define VI_ATTR_INTF_INST_NAME (0xBFFF00E9UL)
#define VI_ATTR_SEND_END_EN (0x3FFF0016UL)
#define VI_ATTR_TERMCHAR_EN (0x3FFF0038UL)
#define VI_ATTR_IO_PROT (0x3FFF001CUL)
#define VI_ATTR_SUPPRESS_END_EN (0x3FFF0036UL)
#define VI_ATTR_FILE_APPEND_EN (0x3FFF0192UL)
#define VI_ATTR_RD_BUF_OPER_MODE (0x3FFF002AUL)
#define VI_ATTR_WR_BUF_OPER_MODE (0x3FFF002DUL)
#define VI_ATTR_VXI_LA (0x3FFF00D5UL)
#define VI_ATTR_SLOT (0x3FFF00E8UL)
#define VI_ATTR_MAINFRAME_LA (0x3FFF0070UL)
#define VI_ATTR_MANF_ID (0x3FFF00D9UL)
#define VI_ATTR_MODEL_CODE (0x3FFF00DFUL)
#define VI_ATTR_MANF_NAME (0xBFFF0072UL)
#define VI_ATTR_MODEL_NAME (0xBFFF0077UL)
#define VI_ATTR_TRIG_ID (0x3FFF0177UL)
#define VI_ATTR_4882_COMPLIANT (0x3FFF019FUL)
#define VI_ATTR_TCPIP_ADDR (0xBFFF0195UL)
#define VI_ATTR_TCPIP_HOSTNAME (0xBFFF0196UL)
#define VI_ATTR_TCPIP_PORT (0x3FFF0197UL)
#define VI_ATTR_TCPIP_DEVICE_NAME (0xBFFF0199UL)
#define VI_ATTR_TCPIP_NODELAY (0x3FFF019AUL)
#define VI_ATTR_TCPIP_KEEPALIVE (0x3FFF019BUL)
#define VI_ATTR_TCPIP_HISLIP_OVERLAP_EN (0x3FFF0300UL)
#define VI_ATTR_TCPIP_HISLIP_VERSION (0x3FFF0301UL)
#define VI_ATTR_TCPIP_HISLIP_MAX_MESSAGE_KB (0x3FFF0302UL)
#define VI_ATTR_TCPIP_IS_HISLIP (0x3FFF0303UL)
#define VI_ATTR_RD_BUF_SIZE (0x3FFF002BUL)
#define VI_ATTR_WR_BUF_SIZE (0x3FFF002EUL)
#define VI_ATTR_DMA_ALLOW_EN (0x3FFF001EUL)
#define VI_ATTR_GPIB_REN_STATE (0x3FFF0181UL)
#define VI_ATTR_GPIB_UNADDR_EN (0x3FFF0184UL)
#define VI_ATTR_GPIB_READDR_EN (0x3FFF019BUL)
#define VI_ATTR_VXI_DEV_CLASS (0x3FFF006CUL)
#define VI_ATTR_CMDR_LA (0x3FFF006BUL)
#define VI_ATTR_IMMEDIATE_SERV (0x3FFF0100UL)
#define VI_ATTR_MEM_SPACE (0x3FFF00DEUL)
#define VI_ATTR_MEM_BASE_32 (0x3FFF00ADUL)
#define VI_ATTR_MEM_SIZE_32 (0x3FFF00DDUL)
#define VI_ATTR_MEM_BASE_64 (0x3FFF00D0UL)
#define VI_ATTR_MEM_SIZE_64 (0x3FFF00D1UL)
#define VI_ATTR_MEM_BASE VI_ATTR_MEM_BASE_64
#define VI_ATTR_MEM_SIZE VI_ATTR_MEM_SIZE_64
#define VI_ATTR_SRC_INCREMENT (0x3FFF0040UL)
#define VI_ATTR_DEST_INCREMENT (0x3FFF0041UL)
#define VI_ATTR_WIN_ACCESS (0x3FFF00C3UL)
#define VI_ATTR_WIN_BASE_ADDR_32 (0x3FFF0098UL)
#define VI_ATTR_WIN_SIZE_32 (0x3FFF009AUL)
#define VI_ATTR_WIN_BASE_ADDR_64 (0x3FFF009BUL)
#define VI_ATTR_WIN_SIZE_64 (0x3FFF009CUL)
#define VI_ATTR_WIN_BASE_ADDR VI_ATTR_WIN_BASE_ADDR_64
#define VI_ATTR_WIN_SIZE VI_ATTR_WIN_SIZE_64
#define VI_ATTR_SRC_BYTE_ORDER (0x3FFF003DUL)
#define VI_ATTR_DEST_BYTE_ORDER (0x3FFF003AUL)
#define VI_ATTR_WIN_BYTE_ORDER (0x3FFF0047UL)
#define VI_ATTR_SRC_ACCESS_PRIV (0x3FFF003CUL)
#define VI_ATTR_DEST_ACCESS_PRIV (0x3FFF0039UL)
#define VI_ATTR_WIN_ACCESS_PRIV (0x3FFF0045UL)
#define VI_ATTR_VXI_TRIG_SUPPORT (0x3FFF0194UL)

/* Event attributes */
#define VI_ATTR_JOB_ID (0x3FFF4006UL)
#define VI_ATTR_EVENT_TYPE (0x3FFF4010UL)
#define VI_ATTR_SIGP_STATUS_ID (0x3FFF4011UL)
#define VI_ATTR_RECV_TRIG_ID (0x3FFF4012UL)
#define VI_ATTR_STATUS (0x3FFF4025UL)
#define VI_ATTR_RET_COUNT_32 (0x3FFF4026UL)
#define VI_ATTR_RET_COUNT_64 (0x3FFF4028UL)
#define VI_ATTR_RET_COUNT VI_ATTR_RET_COUNT_64
#define VI_ATTR_BUFFER (0x3FFF4027UL)
#define VI_ATTR_OPER_NAME (0xBFFF4042UL)

/* Events */
#define VI_EVENT_IO_COMPLETION (0x3FFF2009UL)
#define VI_EVENT_TRIG (0xBFFF200AUL)
#define VI_EVENT_SERVICE_REQ (0x3FFF200BUL)
#define VI_EVENT_CLEAR (0x3FFF200DUL)
#define VI_EVENT_EXCEPTION (0xBFFF200EUL)
#define VI_EVENT_VXI_SIGP (0x3FFF2020UL)
#define VI_EVENT_VXI_VME_INTR (0xBFFF2021UL)
#define VI_ALL_ENABLED_EVENTS (0x3FFF7FFFUL)

#define VI_QUEUE 1
#define VI_HNDLR 2
#define VI_SUSPEND_HNDLR 4
#define VI_ALL_MECH 0xFFFF
#define VI_ANY_HNDLR 0

/* Attribute values */
#define VI_INTF_GPIB 1
#define VI_INTF_VXI 2
#define VI_INTF_GPIB_VXI 3
#define VI_INTF_ASRL 4
#define VI_INTF_PXI 5
#define VI_INTF_TCPIP 6
#define VI_INTF_USB 7

#define VI_PROT_NORMAL 1
#define VI_PROT_FDC 2
#define VI_PROT_HS488 3
#define VI_PROT_4882_STRS 4

#define VI_TMO_IMMEDIATE 0L
#define VI_TMO_INFINITE 0xFFFFFFFFUL

#define VI_NO_LOCK 0
#define VI_EXCLUSIVE_LOCK 1
#define VI_SHARED_LOCK 2
#define VI_LOAD_CONFIG 4

#define VI_TRIG_SW (-1)
#define VI_TRIG_TTL0 0
#define VI_TRIG_TTL1 1
#define VI_TRIG_TTL2 2
#define VI_TRIG_TTL3 3
#define VI_TRIG_TTL4 4
#define VI_TRIG_TTL5 5
#define VI_TRIG_TTL6 6
#define VI_TRIG_TTL7 7
#define VI_TRIG_ECL0 8
#define VI_TRIG_ECL1 9
#define VI_TRIG_PROT_DEFAULT 0
#define VI_TRIG_PROT_ON 1
#define VI_TRIG_PROT_OFF 2
#define VI_TRIG_PROT_SYNC 5

#define VI_READ_BUF 1
#define VI_WRITE_BUF 2
#define VI_READ_BUF_DISCARD 4
#define VI_WRITE_BUF_DISCARD 8
#define VI_IO_IN_BUF 16
#define VI_IO_OUT_BUF 32
#define VI_IO_IN_BUF_DISCARD 64
#define VI_IO_OUT_BUF_DISCARD 128

#define VI_FLUSH_ON_ACCESS 1
#define VI_FLUSH_WHEN_FULL 2
#define VI_FLUSH_DISABLE 3

#define VI_NO_SEC_ADDR 0xFFFF

#define VI_STATE_ASSERTED 1
#define VI_STATE_UNASSERTED 0
#define VI_STATE_UNKNOWN (-1)

#define VI_GPIB_REN_DEASSERT 0
#define VI_GPIB_REN_ASSERT 1
#define VI_GPIB_REN_DEASSERT_GTL 2
#define VI_GPIB_REN_ASSERT_ADDRESS 3
#define VI_GPIB_REN_ASSERT_LLO 4
#define VI_GPIB_REN_ASSERT_ADDRESS_LLO 5
#define VI_GPIB_REN_ADDRESS_GTL 6

#define VI_LOCAL_SPACE 0
#define VI_A16_SPACE 1
#define VI_A24_SPACE 2
#define VI_A32_SPACE 3
#define VI_A64_SPACE 4
#define VI_OPAQUE_SPACE 0xFFFF

#define VI_UNKNOWN_LA (-1)
#define VI_UNKNOWN_SLOT (-1)
#define VI_UNKNOWN_LEVEL (-1)

#define VI_VXI_CLASS_MEMORY 0
#define VI_VXI_CLASS_EXTENDED 1
#define VI_VXI_CLASS_MESSAGE 2
#define VI_VXI_CLASS_REGISTER 3
#define VI_VXI_CLASS_OTHER 4

#define VI_DATA_PRIV 0
#define VI_DATA_NPRIV 1
#define VI_PROG_PRIV 2
#define VI_PROG_NPRIV 3
#define VI_BLCK_PRIV 4
#define VI_BLCK_NPRIV 5
#define VI_D64_PRIV 6
#define VI_D64_NPRIV 7

#define VI_WIDTH_8 1
#define VI_WIDTH_16 2
#define VI_WIDTH_32 4

#define VI_BIG_ENDIAN 0
#define VI_LITTLE_ENDIAN 1

#define VI_NMAPPED 1
#define VI_USE_OPERS 2
#define VI_DEREF_ADDR 3

#define VI_VXI_CMD16 0x0200
#define VI_VXI_CMD16_RESP16 0x0202
#define VI_VXI_RESP16 0x0002
#define VI_VXI_CMD32 0x0400
#define VI_VXI_CMD32_RESP16 0x0402
#define VI_VXI_CMD32_RESP32 0x0404
#define VI_VXI_RESP32 0x0004

/* Functions */
ViStatus viOpenDefaultRM(ViPSession vi);
ViStatus viFindRsrc(ViSession sesn, ViConstString expr, ViPFindList vi, ViPUInt32 retCnt,
                    ViChar desc[]);
ViStatus viFindNext(ViFindList vi, ViChar desc[]);
ViStatus viParseRsrc(ViSession rmSesn, ViConstRsrc rsrcName, ViPUInt16 intfType,
                     ViPUInt16 intfNum);
ViStatus viParseRsrcEx(ViSession rmSesn, ViConstRsrc rsrcName, ViPUInt16 intfType,
                       ViPUInt16 intfNum, ViChar rsrcClass[], ViChar expandedUnaliasedName[],
                       ViChar aliasIfExists[]);
ViStatus viOpen(ViSession sesn, ViConstRsrc name, ViAccessMode mode, ViUInt32 timeout,
                ViPSession vi);
ViStatus viClose(ViObject vi);
ViStatus viSetAttribute(ViObject vi, ViAttr attrName, ViAttrState attrValue);
ViStatus viGetAttribute(ViObject vi, ViAttr attrName, void* attrValue);
ViStatus viStatusDesc(ViObject vi, ViStatus status, ViChar desc[]);
ViStatus viRead(ViSession vi, ViBuf buf, ViUInt32 cnt, ViPUInt32 retCnt);
ViStatus viWrite(ViSession vi, ViConstBuf buf, ViUInt32 cnt, ViPUInt32 retCnt);
ViStatus viAssertTrigger(ViSession vi, ViUInt16 protocol);
ViStatus viReadSTB(ViSession vi, ViPUInt16 status);
ViStatus viClear(ViSession vi);
ViStatus viFlush(ViSession vi, ViUInt16 mask);
ViStatus viPrintf(ViSession vi, ViConstString writeFmt, ...);
ViStatus viVPrintf(ViSession vi, ViConstString writeFmt, va_list params);
ViStatus viScanf(ViSession vi, ViConstString readFmt, ...);
ViStatus viVScanf(ViSession vi, ViConstString readFmt, va_list params);
ViStatus viQueryf(ViSession vi, ViConstString writeFmt, ViConstString readFmt, ...);
ViStatus viVQueryf(ViSession vi, ViConstString writeFmt, ViConstString readFmt,
                   va_list params);
ViStatus viSPrintf(ViSession vi, ViPBuf buf, ViConstString writeFmt, ...);
ViStatus viVSPrintf(ViSession vi, ViPBuf buf, ViConstString writeFmt, va_list parms);
ViStatus viSScanf(ViSession vi, ViConstBuf buf, ViConstString readFmt, ...);
ViStatus viVSScanf(ViSession vi, ViConstBuf buf, ViConstString readFmt, va_list arglist);
ViStatus viSetBuf(ViSession vi, ViUInt16 mask, ViUInt32 size);
ViStatus viBufRead(ViSession vi, ViPBuf buf, ViUInt32 cnt, ViPUInt32 retCnt);
ViStatus viBufWrite(ViSession vi, ViConstBuf buf, ViUInt32 cnt, ViPUInt32 retCnt);
ViStatus viReadAsync(ViSession vi, ViPBuf buf, ViUInt32 cnt, ViPJobId jobId);
ViStatus viWriteAsync(ViSession vi, ViConstBuf buf, ViUInt32 cnt, ViPJobId jobId);
ViStatus viReadToFile(ViSession vi, ViConstString filename, ViUInt32 cnt, ViPUInt32 retCnt);
ViStatus viWriteFromFile(ViSession vi, ViConstString filename, ViUInt32 cnt, ViPUInt32 retCnt);
ViStatus viTerminate(ViObject vi, ViUInt16 degree, ViJobId jobId);
ViStatus viLock(ViSession vi, ViAccessMode lockType, ViUInt32 timeout,
                ViConstKeyId requestedKey, ViChar accessKey[]);
ViStatus viUnlock(ViSession vi);
ViStatus viEnableEvent(ViSession vi, ViEventType eventType, ViUInt16 mechanism,
                       ViEventFilter context);
ViStatus viDisableEvent(ViSession vi, ViEventType eventType, ViUInt16 mechanism);
ViStatus viDiscardEvents(ViSession vi, ViEventType eventType, ViUInt16 mechanism);
ViStatus viWaitOnEvent(ViSession vi, ViEventType inEventType, ViUInt32 timeout,
                       ViPEventType outEventType, ViPEvent outContext);
ViStatus viInstallHandler(ViSession vi, ViEventType eventType, ViHndlr handler,
                          ViAddr userHandle);
ViStatus viUninstallHandler(ViSession vi, ViEventType eventType, ViHndlr handler,
                            ViAddr userHandle);
ViStatus viGpibControlREN(ViSession vi, ViUInt16 mode);
ViStatus viVxiCommandQuery(ViSession vi, ViUInt16 mode, ViUInt32 cmd, ViPUInt32 response);
ViStatus viIn8(ViSession vi, ViUInt16 space, ViBusAddress offset, ViPUInt8 val8);
ViStatus viIn16(ViSession vi, ViUInt16 space, ViBusAddress offset, ViPUInt16 val16);
ViStatus viIn32(ViSession vi, ViUInt16 space, ViBusAddress offset, ViPUInt32 val32);
ViStatus viOut8(ViSession vi, ViUInt16 space, ViBusAddress offset, ViUInt8 val8);
ViStatus viOut16(ViSession vi, ViUInt16 space, ViBusAddress offset, ViUInt16 val16);
ViStatus viOut32(ViSession vi, ViUInt16 space, ViBusAddress offset, ViUInt32 val32);
ViStatus viMoveIn8(ViSession vi, ViUInt16 space, ViBusAddress offset, ViBusSize length,
                   ViUInt8* buf8);
ViStatus viMoveIn16(ViSession vi, ViUInt16 space, ViBusAddress offset, ViBusSize length,
                    ViUInt16* buf16);
ViStatus viMoveIn32(ViSession vi, ViUInt16 space, ViBusAddress offset, ViBusSize length,
                    ViUInt32* buf32);
ViStatus viMoveOut8(ViSession vi, ViUInt16 space, ViBusAddress offset, ViBusSize length,
                    const ViUInt8* buf8);
ViStatus viMoveOut16(ViSession vi, ViUInt16 space, ViBusAddress offset, ViBusSize length,
                     const ViUInt16* buf16);
ViStatus viMoveOut32(ViSession vi, ViUInt16 space, ViBusAddress offset, ViBusSize length,
                     const ViUInt32* buf32);
ViStatus viMapAddress(ViSession vi, ViUInt16 mapSpace, ViBusAddress mapOffset,
                      ViBusSize mapSize, ViBoolean access, ViAddr suggested, ViPAddr address);
ViStatus viUnmapAddress(ViSession vi);
void viPeek8(ViSession vi, ViAddr address, ViPUInt8 val8);
void viPeek16(ViSession vi, ViAddr address, ViPUInt16 val16);
void viPeek32(ViSession vi, ViAddr address, ViPUInt32 val32);
void viPoke8(ViSession vi, ViAddr address, ViUInt8 val8);
void viPoke16(ViSession vi, ViAddr address, ViUInt16 val16);
void viPoke32(ViSession vi, ViAddr address, ViUInt32 val32);

#ifdef __cplusplus
}
#endif

#endif
