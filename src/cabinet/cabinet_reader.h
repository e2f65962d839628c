// The cabinet reader: reads Microsoft Cabinet archives (version 1.3, "MSCF") and whole cabinet
// sets, and hands every stored file to its host through notifications, writing the file's bytes
// through the host's callbacks as they are decoded.
//
// The reader knows nothing of the disk: all file access and all memory come from the seven
// CabinetCallbacks given at creation, and every decision (extract or skip a file, where it goes,
// where the next cabinet of a set is) comes back as the host's answer to a notification. Data is
// decoded one block (at most 32,768 bytes) at a time into buffers that live as long as the
// decoder: nothing is allocated per file or per block.
//
// Traps:
// - File positions and sizes are 64-bit in the callbacks and notifications, so a cabinet or a file
//   between 2 and 4 GiB is read correctly (the format's own fields are unsigned 32-bit).
// - Only one reader may decode at a time in the process (the decoders share process-wide state).
// - A cabinet set is walked as the format's authors intended: Copy of one cabinet extracts the
//   files that begin in it, following a file that spans into later cabinets; the files that
//   begin in a later cabinet belong to a Copy of that cabinet.
// - A data block may be cut over any number of cabinets: every piece but the last says 0
//   uncompressed bytes, and the pieces are joined before decoding. The installer itself reads
//   one attached cabinet and never meets a set; the rule matters to the `vorlax` tool, whose set
//   walk uses this same reader (so what it extracts is what the installer's reader would), and it
//   costs the installer nothing.
#pragma once

#include <cstdint>

#include "cabinet/decoder.h"

namespace vorlax {

// A host file handle; kNoCabinetFile when none.
using CabinetFile = intptr_t;
constexpr CabinetFile kNoCabinetFile = -1;

// Flag bits of the open callback.
enum CabinetOpenFlag : int {
  kCabOpenReadOnly = 0x0000,
  kCabOpenWriteOnly = 0x0001,
  kCabOpenReadWrite = 0x0002,
  kCabOpenSequential = 0x0020,
  kCabOpenCreate = 0x0100,
  kCabOpenTruncate = 0x0200,
  kCabOpenBinary = 0x8000,
};
// Mode of the open callback: readable and writable.
constexpr int kCabOpenModeReadWrite = 0x180;

enum CabinetSeekOrigin : int {
  kCabSeekBegin = 0,
  kCabSeekCurrent = 1,
};

struct CabinetCallbacks {
  void* (*alloc)(uint32_t size);                      // a block of at least size bytes, or null
  void (*free)(void* block);
  CabinetFile (*open)(const char* path, int flags, int mode);  // handle or -1
  int32_t (*read)(CabinetFile file, void* buffer, uint32_t count);         // bytes read or -1
  int32_t (*write)(CabinetFile file, const void* buffer, uint32_t count);  // bytes written
  int (*close)(CabinetFile file);                                          // 0 on success
  int64_t (*seek)(CabinetFile file, int64_t offset, int origin);  // new position or -1
};

enum CabinetErrorCode : int {
  kCabErrorNone = 0,
  kCabErrorCabinetNotFound = 1,
  kCabErrorNotACabinet = 2,
  kCabErrorUnknownVersion = 3,
  kCabErrorCorrupt = 4,
  kCabErrorNoMemory = 5,
  kCabErrorUnknownCompression = 6,
  kCabErrorDecompress = 7,
  kCabErrorTargetFile = 8,
  kCabErrorReserveMismatch = 9,
  kCabErrorWrongCabinet = 10,
  kCabErrorUserAbort = 11,
};

// The host's error record; the reader stores into it on every failure.
struct CabinetError {
  int code = kCabErrorNone;
  int extra = 0;    // always 0
  int present = 0;  // set to 1 whenever a code is stored
};

// The message text of an error code ("Unknown error" for codes outside the table).
const char* CabinetErrorText(int code);

enum CabinetNotificationKind : int {
  fdintCABINET_OPENED = 0,
  fdintPARTIAL_ENTRY = 1,
  fdintFILE_START = 2,
  fdintFILE_DONE = 3,
  fdintNEXT_CABINET = 4,
  fdintLIST_POSITION = 5,
};

// The host's answers.
constexpr intptr_t kCabAnswerAbort = -1;
constexpr intptr_t kCabAnswerSkip = 0;      // fdintFILE_START: skip the file
constexpr intptr_t kCabAnswerContinue = 0;  // everything else: continue, skip or retry

// One record reused for every notification. What each kind sets:
//   fdintCABINET_OPENED  text1 next cabinet name, text2 next disk name, text3 cabinet directory,
//                        setId, cabinetIndex
//   fdintPARTIAL_ENTRY,  size, text1 file name, text2 previous cabinet name, text3 previous disk
//   fdintFILE_START      name, date, time, attributes, folderIndex
//   fdintFILE_DONE       text1 file name, fileHandle (the host closes it), date, time,
//                        attributes without 0x40, size = 1 when 0x40 was set else 0, folderIndex
//   fdintNEXT_CABINET    text1 next cabinet name and text3 cabinet directory (256-byte buffers
//                        the host may rewrite), text2 next disk name, setId, cabinetIndex of the
//                        wanted cabinet, lastError (0 on the first request, else the failed
//                        attempt's code)
//   fdintLIST_POSITION   size = position of the next file entry, setId, folderIndex = files
//                        left; the host may change both (folderIndex 0 ends the list)
// userValue is the host's value given to Copy, in every notification.
struct CabinetNotification {
  int64_t size = 0;  // 64-bit: a 32-bit signed field would turn sizes above 2 GiB negative
  char* text1 = nullptr;
  char* text2 = nullptr;
  char* text3 = nullptr;
  void* userValue = nullptr;
  CabinetFile fileHandle = kNoCabinetFile;
  uint16_t date = 0;
  uint16_t time = 0;
  uint16_t attributes = 0;
  uint16_t setId = 0;
  uint16_t cabinetIndex = 0;
  uint16_t folderIndex = 0;
  int lastError = 0;
};

using CabinetNotify = intptr_t (*)(CabinetNotificationKind kind, CabinetNotification* notification);

// The optional hook for encrypted cabinets. It is called once per opened cabinet (kind
// kCabDecryptNewCabinet, data and size zero) and once per data block read (kind
// kCabDecryptDataBlock, the block's compressed bytes, which it may rewrite in place). Answering
// -1 aborts with code 11. Without a hook no such calls are made.
enum CabinetDecryptKind : int {
  kCabDecryptNewCabinet = 0,
  kCabDecryptDataBlock = 1,
};
using CabinetDecryptHook = int (*)(CabinetDecryptKind kind, uint8_t* data, uint32_t size,
                                   void* userValue);

// The reader's state lives in cabinet_reader.cpp, in a class derived from this one.
class CabinetReader {
 public:
  // Allocates a reader through callbacks.alloc; null (code 5 stored) when that fails.
  // processorType is handed on to the Quantum and LZX decoders.
  static CabinetReader* Create(const CabinetCallbacks& callbacks, int processorType,
                               CabinetError* error);

  // Walks one cabinet (and the continuation of its last folder into later cabinets of its set).
  // cabinetName is the file name alone; cabinetDirectory is empty or ends with a separator, and
  // the full path is their concatenation (at most 255 characters). flags is not examined.
  // True when the walk ended without a stored error.
  static bool Copy(CabinetReader* reader, const char* cabinetName, const char* cabinetDirectory,
                   int flags, CabinetNotify notify, CabinetDecryptHook decryptHook,
                   void* userValue);

  // Releases the decoder, every buffer and any open cabinet handle, then the reader. True.
  static bool Destroy(CabinetReader* reader);

 protected:
  CabinetReader() = default;
};

}  // namespace vorlax
