#pragma once

#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "app/safe_file_writer.h"

// Writes one file at a time on a worker thread, so that fsync and rename
// never stall the main loop; the result comes back on the main loop.
class CBackgroundSave {
public:
  struct SJob {
    CSafeFileWriter writer;
    std::string path;
    std::shared_ptr<const std::string> bytes;
    CSafeFileWriter::SOptions options;
  };
  using Done = std::function<void(const CSafeFileWriter::SResult&)>;

  CBackgroundSave() = default;
  CBackgroundSave(const CBackgroundSave&) = delete;
  CBackgroundSave& operator=(const CBackgroundSave&) = delete;
  // Waits for a running write; its `done` is not called any more.
  ~CBackgroundSave();

  // Starts `job`; a write still running is finished first, so two writes
  // never overlap. `done` runs on the main loop.
  void Start(SJob job, Done done);
  bool Busy() const { return bool(running); }
  // Waits for the running write and calls its `done` now.
  void Finish();

private:
  struct SRun;
  static int OnDone(void* data);
  static void Release(void* data);

  std::thread worker;
  std::shared_ptr<SRun> running;
};
