#pragma once

#include <json/json.h>

#include <string>

// Reading and writing config.json; the window holds the value itself.
namespace config_file {

// Reads a whole file; false on any file error.
bool ReadAll(const std::string& path, std::string& out);

// config.json from `configDir`, else default_config.json from the resource
// directory. False when neither can be read. A "base_path" that is not a
// non-empty string becomes `defaultNotes`.
bool Load(const std::string& configDir, const std::string& resourceDir, const std::string& defaultNotes,
          Json::Value& config);

// The stream-writer form: tab indentation, keys sorted.
std::string Format(const Json::Value& config);

}  // namespace config_file
