// Extraction: unpacks the files of one cabinet whose names begin with a source prefix into a
// destination folder, restoring dates, times and attributes, counting progress into
// State().progress and listing every created file in State().extractedFiles. It is the cabinet
// reader's host: the reader's seven callbacks are implemented here on State().system.
//
// Each call walks the cabinet twice on one reader: a counting pass (sizes, space estimate, and
// every refusal below, so a refused cabinet writes nothing) and the extraction pass.
//
// Refusals (the call fails cleanly and writes nothing): an entry under the prefix whose name
// would leave the destination folder (a ".." component, a leading "\" or "/", a ":" as in a
// drive letter), an empty name, and a destination path longer than 255 characters.
// A next cabinet of a set that cannot be opened is asked for kMaxNextCabinetAttempts times.
#pragma once

#include <string>

#include "cabinet/cabinet_reader.h"

namespace vorlax {

// How often one next-cabinet request may fail before the extraction gives up.
constexpr int kMaxNextCabinetAttempts = 3;

// The processor-type value handed to the reader (and on to the LZX and Quantum decoders).
constexpr int kExtractionProcessorType = 1;

// True when every file under sourcePrefix was extracted. All three texts are 8-bit (each byte
// one character); destinationPrefix ends with a separator or is empty.
bool ExtractCabinet(const std::string& cabinetPath, const std::string& sourcePrefix,
                    const std::string& destinationPrefix);

// Why the last ExtractCabinet call failed, for tools that report it: the reader's error record
// and, when the extraction itself refused an entry, the reason with the entry's name.
struct ExtractionReport {
  CabinetError cabinetError;
  std::string refusal;
  // The refusal is about an entry's name or destination path (found by the counting pass before
  // anything was written), not a file that could not be created: every attempt fails alike.
  bool nameRefused = false;
};
const ExtractionReport& LastExtractionReport();

// The reader's seven callbacks on State().system (the process heap for memory), for tools that
// walk a cabinet through the reader without extracting it.
const CabinetCallbacks& SystemCabinetCallbacks();

// True when a cabinet name, once joined to a destination folder, stays inside it.
bool IsContainedName(const char* name);

}  // namespace vorlax
