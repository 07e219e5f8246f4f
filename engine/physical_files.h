#pragma once
// Open-file descriptors and the engine's table of open files.

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "base/keyed_collection.h"
#include "host/host.h"

namespace tervalo {

// An open physical file: handle number, the path it was opened under, and the offset where a
// write without a position goes.
struct cOpenFile {
  int32_t vbFileNumber = 0;
  std::string Path;
  int32_t Position = 0;
};

// The table of open files, keyed by path. It owns the host files behind the handle numbers and
// closes every one of them when it ends.
class cOpenFiles : public KeyedCollection<cOpenFile> {
 public:
  std::shared_ptr<cOpenFile> Add(int32_t vbFileNumber, const std::string& Path, int32_t Position,
                                 std::string_view sKey = {});

  // Takes over an open host file and returns its new handle number (the lowest free one).
  int32_t AttachHandle(std::unique_ptr<HostFile> file);
  // The host file behind a handle number; null when the handle is not open.
  HostFile* Handle(int32_t vbFileNumber) const;
  void CloseHandle(int32_t vbFileNumber);

 private:
  std::map<int32_t, std::unique_ptr<HostFile>> handles_;
};

}  // namespace tervalo
