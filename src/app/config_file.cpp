#include "app/config_file.h"

#include <cstdio>
#include <sstream>

namespace config_file {

bool ReadAll(const std::string& path, std::string& out) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  out.clear();
  char chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) out.append(chunk, got);
  bool ok = !std::ferror(file);
  std::fclose(file);
  return ok;
}

bool Load(const std::string& configDir, const std::string& resourceDir, const std::string& defaultNotes,
          Json::Value& config) {
  std::string text;
  if (!ReadAll(configDir + "/config.json", text) && !ReadAll(resourceDir + "/data/default_config.json", text))
    return false;
  text = text.substr(0, text.find('\0'));

  // Syntax errors are not reported: the value holds what the reader made of it.
  Json::CharReaderBuilder builder;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  config = Json::Value();
  std::string errors;
  reader->parse(text.data(), text.data() + text.size(), &config, &errors);
  if (!config.isObject()) config = Json::Value(Json::objectValue);

  Json::Value& base = config["base_path"];
  if (!base.isString() || base.asString().empty()) base = defaultNotes;
  return true;
}

std::string Format(const Json::Value& config) {
  Json::StreamWriterBuilder builder;
  std::ostringstream out;
  std::unique_ptr<Json::StreamWriter> writer(builder.newStreamWriter());
  writer->write(config, &out);
  return out.str();
}

}  // namespace config_file
