#include <gtest/gtest.h>

#include "app/config_file.h"
#include "support/test_util.h"

namespace {

struct ConfigDirs : ::testing::Test {
  TempDir config, resources;
  void SetUp() override {
    std::string data = resources / "data";
    ASSERT_EQ(system(("mkdir -p '" + data + "'").c_str()), 0);
  }
  bool Load(Json::Value& value) { return config_file::Load(config.path(), resources.path(), "/default/notes", value); }
};

TEST_F(ConfigDirs, UserFileWinsOverDefault) {
  WriteFileText(config / "config.json", R"({"base_path": "/mine", "use_headerbar": true})");
  WriteFileText(resources / "data/default_config.json", R"({"base_path": "/theirs"})");
  Json::Value value;
  ASSERT_TRUE(Load(value));
  EXPECT_EQ(value["base_path"].asString(), "/mine");
  EXPECT_TRUE(value["use_headerbar"].asBool());
}

TEST_F(ConfigDirs, FallsBackToDefaultThenFails) {
  Json::Value value;
  EXPECT_FALSE(Load(value));
  WriteFileText(resources / "data/default_config.json", R"({"base_path": "/theirs", "colors": []})");
  ASSERT_TRUE(Load(value));
  EXPECT_EQ(value["base_path"].asString(), "/theirs");
  // Loading the default never writes the user's file.
  EXPECT_FALSE(PathExists(config / "config.json"));
}

TEST_F(ConfigDirs, BasePathThatIsNotANonEmptyStringBecomesTheDefault) {
  const char* texts[] = {R"({"base_path": ""})", R"({"base_path": 42})", R"({"base_path": null})", R"({})",
                         R"([1, 2])",            "not json at all",      ""};
  for (const char* text : texts) {
    WriteFileText(config / "config.json", text);
    Json::Value value;
    ASSERT_TRUE(Load(value)) << text;
    EXPECT_EQ(value["base_path"].asString(), "/default/notes") << text;
  }
}

TEST_F(ConfigDirs, TextEndsAtTheFirstNul) {
  WriteFileText(config / "config.json", std::string("{\"base_path\": \"/x\"}\0garbage", 27));
  Json::Value value;
  ASSERT_TRUE(Load(value));
  EXPECT_EQ(value["base_path"].asString(), "/x");
}

TEST(ConfigFormat, StreamWriterFormKeepsUnknownKeysAndNulls) {
  Json::Value value;
  Json::CharReaderBuilder builder;
  std::string text = R"({"zeta": {"nested": [1, "two"]}, "base_path": "/n", "active_document": "/a.md"})";
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  ASSERT_TRUE(reader->parse(text.data(), text.data() + text.size(), &value, nullptr));
  value["use_headerbar"];  // looked up once: written back as null
  EXPECT_EQ(config_file::Format(value),
            "{\n\t\"active_document\" : \"/a.md\",\n\t\"base_path\" : \"/n\",\n\t\"use_headerbar\" : null,\n"
            "\t\"zeta\" : \n\t{\n\t\t\"nested\" : \n\t\t[\n\t\t\t1,\n\t\t\t\"two\"\n\t\t]\n\t}\n}");
}

}  // namespace
