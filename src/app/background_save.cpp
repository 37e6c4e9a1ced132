#include "app/background_save.h"

#include <glib.h>

struct CBackgroundSave::SRun {
  SJob job;
  Done done;
  CSafeFileWriter::SResult result;
  // Touched on the main thread only; null once finished or abandoned.
  CBackgroundSave* owner = nullptr;
};

CBackgroundSave::~CBackgroundSave() {
  if (worker.joinable()) worker.join();
  if (running) running->owner = nullptr;
}

void CBackgroundSave::Start(SJob job, Done done) {
  while (Busy()) Finish();  // a `done` may start another write
  auto run = std::make_shared<SRun>();
  run->job = std::move(job);
  run->done = std::move(done);
  run->owner = this;
  running = run;
  worker = std::thread([run] {
    run->result = run->job.writer.Replace(run->job.path, *run->job.bytes, run->job.options);
    // The callback holds its own reference, so it is safe once the owner is gone.
    g_idle_add_full(G_PRIORITY_DEFAULT, &CBackgroundSave::OnDone, new std::shared_ptr<SRun>(run),
                    &CBackgroundSave::Release);
  });
}

void CBackgroundSave::Finish() {
  if (!running) return;
  if (worker.joinable()) worker.join();
  std::shared_ptr<SRun> run = std::move(running);
  running.reset();
  run->owner = nullptr;
  if (run->done) run->done(run->result);
}

int CBackgroundSave::OnDone(void* data) {
  const std::shared_ptr<SRun>& run = *static_cast<std::shared_ptr<SRun>*>(data);
  if (run->owner) run->owner->Finish();
  return G_SOURCE_REMOVE;
}

void CBackgroundSave::Release(void* data) { delete static_cast<std::shared_ptr<SRun>*>(data); }
