#include <cstdio>
#include <cstdlib>

#include "app/build_info.h"
#include "app/config_file.h"
#include "app/main_window.h"
#include "app/path_probe.h"
#include "app/safe_file_writer.h"

void CMainWindow::DetectPaths() {
  SPaths paths = CPathProbe::System().Detect();
  config_path = paths.config;
  default_notes_path = paths.notes;
  resource_path = paths.resource;
  std::printf("== This is quillon, built at %s. ==\n", BuildTimeText().c_str());
  std::printf("Detected paths:\n");
  std::printf("Config: %s\n", config_path.c_str());
  std::printf("Default notes path: %s\n", default_notes_path.c_str());
  std::printf("Resource path: %s\n", resource_path.c_str());
  std::fflush(stdout);
}

void CMainWindow::LoadConfig() {
  if (!config_file::Load(config_path, resource_path, default_notes_path, config)) {
    std::fputs("FATAL: config.json not found in note tree, and default_config.json not found in data tree!\n",
               stderr);
    std::exit(-1);
  }
}

void CMainWindow::SaveConfig() {
  // Through a temporary file, so a crash or a full disk never leaves a
  // truncated configuration behind.
  std::string error;
  if (!CSafeFileWriter::System().Write(config_path + "/config.json", config_file::Format(config), error))
    std::fprintf(stderr, "Error: Failed to save configuration: %s\n", error.c_str());
}
