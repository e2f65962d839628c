// A cabinet reader host for unit tests: cabinet files live in memory, output files are collected
// by name, and every notification is recorded as one line of text, so a test can assert on what
// the reader told its host and in which order.
//
// Header-only, so that the test programs need no extra source.
//
// A memory file may have a far part: bytes placed at a large offset with zeros before them, so a
// cabinet whose data lies beyond 2 or 4 GiB can be read without allocating gigabytes.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <cstdlib>
#include <cstring>

#include "cabinet/cabinet_reader.h"

namespace vorlax {
namespace testing_host {

struct MemoryFile {
  std::string near;       // bytes from offset 0
  uint64_t farOffset = 0;  // with far bytes: where they begin (zeros between)
  std::string far;
  uint64_t Size() const { return far.empty() ? near.size() : farOffset + far.size(); }
};

struct Output {
  std::string name;
  std::string data;
  bool closed = false;
};

struct MemoryHost {
  std::map<std::string, MemoryFile> files;  // by full path
  std::map<CabinetFile, Output> outputs;    // by handle
  std::vector<std::string> events;
  std::map<CabinetFile, uint64_t> positions;  // open cabinet handles
  std::map<CabinetFile, std::string> openPaths;
  CabinetFile nextHandle = 10;
  int allocationsLeft = -1;       // >= 0: allocation fails once this many succeeded
  int64_t writeLimit = -1;        // >= 0: writes are cut to this many bytes in total
  int nextCabinetAttempts = 0;    // fdintNEXT_CABINET answers of 0 before -1
  std::string nextCabinetRename;  // non-empty: the name written into text1 on a request
  // Decides the answer to fdintFILE_START: default extracts every file.
  std::function<bool(const CabinetNotification&)> extract = [](const CabinetNotification&) {
    return true;
  };
  intptr_t fileDoneAnswer = 1;
  intptr_t openedAnswer = 0;      // the answer to fdintCABINET_OPENED
  int listLeftOverride = -1;      // >= 0: the files-left count set at the first fdintLIST_POSITION
  intptr_t fileStartAnswerOverride = 0;  // non-zero: answered instead (e.g. -1)
  int openCabinetHandles = 0;

  // Data written for a file name, concatenated over every output of that name.
  std::string Written(const std::string& name) const {
    std::string data;
    for (const auto& output : outputs) {
      if (output.second.name == name) data += output.second.data;
    }
    return data;
  }
  int OutputCount() const { return static_cast<int>(outputs.size()); }
};


inline MemoryHost& Host() {
  static MemoryHost host;
  return host;
}

inline std::string Text(const char* text) { return text ? text : "(null)"; }

inline void* Alloc(uint32_t size) {
  MemoryHost& host = Host();
  if (host.allocationsLeft == 0) return nullptr;
  if (host.allocationsLeft > 0) --host.allocationsLeft;
  return std::malloc(size == 0 ? 1 : size);
}

inline void Free(void* block) { std::free(block); }

inline CabinetFile Open(const char* path, int flags, int mode) {
  MemoryHost& host = Host();
  host.events.push_back("open " + Text(path) + " " + std::to_string(flags) + " " + std::to_string(mode));
  if (!host.files.count(path)) return kNoCabinetFile;
  CabinetFile handle = host.nextHandle++;
  host.positions[handle] = 0;
  host.openPaths[handle] = path;
  ++host.openCabinetHandles;
  return handle;
}

inline int32_t Read(CabinetFile file, void* buffer, uint32_t count) {
  MemoryHost& host = Host();
  auto position = host.positions.find(file);
  if (position == host.positions.end()) return -1;
  const MemoryFile& data = host.files[host.openPaths[file]];
  uint64_t size = data.Size();
  uint32_t done = 0;
  auto* out = static_cast<char*>(buffer);
  while (done < count && position->second < size) {
    uint64_t at = position->second;
    if (at < data.near.size()) {
      out[done] = data.near[at];
    } else if (!data.far.empty() && at >= data.farOffset) {
      out[done] = data.far[at - data.farOffset];
    } else {
      out[done] = 0;
    }
    ++done;
    ++position->second;
  }
  return static_cast<int32_t>(done);
}

inline int32_t Write(CabinetFile file, const void* buffer, uint32_t count) {
  MemoryHost& host = Host();
  auto output = host.outputs.find(file);
  if (output == host.outputs.end() || output->second.closed) return -1;
  uint32_t accepted = count;
  if (host.writeLimit >= 0) {
    if (static_cast<int64_t>(count) > host.writeLimit) accepted = static_cast<uint32_t>(host.writeLimit);
    host.writeLimit -= accepted;
  }
  output->second.data.append(static_cast<const char*>(buffer), accepted);
  return static_cast<int32_t>(accepted);
}

inline int Close(CabinetFile file) {
  MemoryHost& host = Host();
  auto output = host.outputs.find(file);
  if (output != host.outputs.end()) {
    if (output->second.closed) return -1;
    output->second.closed = true;
    return 0;
  }
  if (!host.positions.erase(file)) return -1;
  host.openPaths.erase(file);
  --host.openCabinetHandles;
  return 0;
}

inline int64_t Seek(CabinetFile file, int64_t offset, int origin) {
  MemoryHost& host = Host();
  auto position = host.positions.find(file);
  if (position == host.positions.end()) return -1;
  int64_t base = origin == kCabSeekCurrent ? static_cast<int64_t>(position->second) : 0;
  if (base + offset < 0) return -1;
  position->second = static_cast<uint64_t>(base + offset);
  return base + offset;
}

inline intptr_t OnFileStart(MemoryHost& host, const CabinetNotification& note) {
  if (host.fileStartAnswerOverride != 0) return host.fileStartAnswerOverride;
  if (!host.extract(note)) return 0;
  CabinetFile handle = host.nextHandle++;
  host.outputs[handle] = Output{note.text1, std::string(), false};
  return handle;
}


inline void ResetHost() { Host() = MemoryHost(); }

inline CabinetCallbacks Callbacks() { return {Alloc, Free, Open, Read, Write, Close, Seek}; }

inline intptr_t Notify(CabinetNotificationKind kind, CabinetNotification* note) {
  MemoryHost& host = Host();
  switch (kind) {
    case fdintCABINET_OPENED:
      host.events.push_back("opened next=" + Text(note->text1) + " disk=" + Text(note->text2) +
                            " dir=" + Text(note->text3) + " set=" + std::to_string(note->setId) +
                            " index=" + std::to_string(note->cabinetIndex));
      return host.openedAnswer;
    case fdintPARTIAL_ENTRY:
      host.events.push_back("partial " + Text(note->text1) + " prev=" + Text(note->text2) +
                            " size=" + std::to_string(note->size));
      return 0;
    case fdintFILE_START:
      host.events.push_back("start " + Text(note->text1) + " size=" + std::to_string(note->size) +
                            " folder=" + std::to_string(note->folderIndex));
      return OnFileStart(host, *note);
    case fdintFILE_DONE:
      host.events.push_back("done " + Text(note->text1) + " attr=" + std::to_string(note->attributes) +
                            " run=" + std::to_string(note->size) + " date=" + std::to_string(note->date) +
                            " time=" + std::to_string(note->time));
      Close(note->fileHandle);
      return host.fileDoneAnswer;
    case fdintNEXT_CABINET:
      host.events.push_back("next " + Text(note->text1) + " index=" + std::to_string(note->cabinetIndex) +
                            " error=" + std::to_string(note->lastError));
      if (!host.nextCabinetRename.empty()) {
        std::strncpy(note->text1, host.nextCabinetRename.c_str(), 255);
        note->text1[255] = '\0';
      }
      if (host.nextCabinetAttempts-- <= 0) return -1;
      return 0;
    case fdintLIST_POSITION:
      host.events.push_back("list left=" + std::to_string(note->folderIndex));
      if (host.listLeftOverride >= 0) {
        note->folderIndex = static_cast<uint16_t>(host.listLeftOverride);
        host.listLeftOverride = -1;
      }
      return 0;
  }
  return 0;
}

inline bool CopyOnce(const std::string& cabinetName, const std::string& directory, CabinetError* error) {
  CabinetReader* reader = CabinetReader::Create(Callbacks(), 1, error);
  if (!reader) return false;
  bool ok = CabinetReader::Copy(reader, cabinetName.c_str(), directory.c_str(), 0, Notify, nullptr,
                                nullptr);
  CabinetReader::Destroy(reader);
  return ok;
}

}  // namespace testing_host
}  // namespace vorlax
