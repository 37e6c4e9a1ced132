#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>
#include <set>

#include "app/path_probe.h"
#include "support/test_util.h"

namespace {

struct FakeSystem {
  std::map<std::string, std::string> env;
  std::set<std::string> existing;
  std::set<std::string> uncreatable;
  std::vector<std::string> ensured;
  std::string messages;

  CPathProbe Probe() {
    CPathProbe probe;
    probe.getenv = [this](const std::string& name) -> std::optional<std::string> {
      auto found = env.find(name);
      if (found == env.end()) return std::nullopt;
      return found->second;
    };
    probe.exists = [this](const std::string& path) { return existing.count(path) > 0; };
    probe.ensure_directory = [this](const std::string& path) {
      ensured.push_back(path);
      return uncreatable.count(path) == 0;
    };
    probe.warn = [this](const std::string& line) { messages += line; };
    return probe;
  }
};

struct Case {
  const char* name;
  std::map<std::string, std::string> env;
  std::set<std::string> existing;
  std::set<std::string> uncreatable;
  SPaths expected;
  const char* messages;
};

TEST(DetectPaths, Cases) {
  const Case cases[] = {
      {"devel mode ignores home and XDG",
       {{"QL_DEVEL", "/src/q"}, {"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "/c"}},
       {},
       {},
       {"/src/q/notesbase", "/src/q/notesbase", "/src/q"},
       "INFO: Debug mode set! Will operate in /src/q.\n"},
      {"devel mode set but empty", {{"QL_DEVEL", ""}}, {}, {}, {"/notesbase", "/notesbase", ""},
       "INFO: Debug mode set! Will operate in .\n"},
      {"no home", {}, {}, {}, {"notesbase", "notesbase", "."},
       "WARNING: Could not determine user's home directory! Will operate in current working directory.\n"},
      {"empty home", {{"HOME", ""}}, {}, {}, {"notesbase", "notesbase", "."},
       "WARNING: Could not determine user's home directory! Will operate in current working directory.\n"},
      {"defaults under home",
       {{"HOME", "/home/u"}},
       {"/usr/share/quillon"},
       {},
       {"/home/u/.config/quillon", "/home/u/.local/share/quillon", "/usr/share/quillon"},
       ""},
      {"empty XDG variables behave as unset",
       {{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", ""}, {"XDG_DATA_HOME", ""}, {"XDG_DATA_DIRS", ""}},
       {"/usr/local/share/quillon", "/usr/share/quillon"},
       {},
       {"/home/u/.config/quillon", "/home/u/.local/share/quillon", "/usr/local/share/quillon"},
       ""},
      {"XDG homes",
       {{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "/cfg"}, {"XDG_DATA_HOME", "/data"}},
       {"/data/quillon"},
       {},
       {"/cfg/quillon", "/data/quillon", "."},
       ""},
      {"config directory cannot be created",
       {{"HOME", "/home/u"}},
       {},
       {"/home/u/.config/quillon"},
       {"notesbase", "/home/u/.local/share/quillon", "."},
       "WARNING: Could not create config path '/home/u/.config/quillon'. Falling back to current working "
       "directory.\n"},
      {"notes directory cannot be created",
       {{"HOME", "/home/u"}},
       {},
       {"/home/u/.local/share/quillon"},
       {"/home/u/.config/quillon", "notesbase", "."},
       "WARNING: Could not create default base path '/home/u/.local/share/quillon'. Falling back to current "
       "working directory.\n"},
      {"only the second data directory has quillon",
       {{"HOME", "/h"}, {"XDG_DATA_DIRS", "/a::/b"}},
       {"/b/quillon"},
       {},
       {"/h/.config/quillon", "/h/.local/share/quillon", "/b/quillon"},
       ""},
      {"the first data directory wins",
       {{"HOME", "/h"}, {"XDG_DATA_DIRS", "/a:/b"}},
       {"/a/quillon", "/b/quillon"},
       {},
       {"/h/.config/quillon", "/h/.local/share/quillon", "/a/quillon"},
       ""},
      {"XDG_DATA_HOME is not searched for resources",
       {{"HOME", "/h"}, {"XDG_DATA_HOME", "/dh"}, {"XDG_DATA_DIRS", "/a"}},
       {"/dh/quillon"},
       {},
       {"/h/.config/quillon", "/dh/quillon", "."},
       ""},
  };
  for (const auto& c : cases) {
    FakeSystem system;
    system.env = c.env;
    system.existing = c.existing;
    system.uncreatable = c.uncreatable;
    SPaths paths = system.Probe().Detect();
    EXPECT_EQ(paths.config, c.expected.config) << c.name;
    EXPECT_EQ(paths.notes, c.expected.notes) << c.name;
    EXPECT_EQ(paths.resource, c.expected.resource) << c.name;
    EXPECT_EQ(system.messages, c.messages) << c.name;
  }
}

TEST(DetectPaths, DevelModeCreatesNothing) {
  FakeSystem system;
  system.env = {{"QL_DEVEL", "/src/q"}};
  system.Probe().Detect();
  EXPECT_TRUE(system.ensured.empty());
}

TEST(DetectPaths, FreshHomeCreatesBothDirectoriesWithParents) {
  TempDir home;
  FakeSystem fake;
  CPathProbe probe = fake.Probe();
  probe.getenv = [&](const std::string& name) -> std::optional<std::string> {
    if (name == "HOME") return home.path();
    return std::nullopt;
  };
  probe.ensure_directory = EnsureDirectory;
  SPaths paths = probe.Detect();
  EXPECT_EQ(paths.config, home / ".config/quillon");
  EXPECT_TRUE(PathExists(home / ".config/quillon"));
  EXPECT_TRUE(PathExists(home / ".local/share/quillon"));
  EXPECT_EQ(fake.messages, "");
}

TEST(EnsureDirectory, ExistingMissingAndImpossible) {
  TempDir dir;
  EXPECT_TRUE(EnsureDirectory(dir.path()));
  EXPECT_TRUE(EnsureDirectory(dir / "a/b/c"));
  EXPECT_TRUE(PathExists(dir / "a/b/c"));
  WriteFileText(dir / "file", "x");
  EXPECT_FALSE(EnsureDirectory(dir / "file"));
  EXPECT_FALSE(EnsureDirectory(dir / "file/sub"));
  EXPECT_FALSE(EnsureDirectory(""));
}

TEST(DetectPaths, PlainFileNamedQuillonIsAcceptedAsResources) {
  TempDir data;
  WriteFileText(data / "quillon", "not a directory");
  CPathProbe probe = CPathProbe::System();
  auto real = probe.getenv;
  TempDir home;
  probe.getenv = [&](const std::string& name) -> std::optional<std::string> {
    if (name == "HOME") return home.path();
    if (name == "XDG_DATA_DIRS") return data.path();
    return std::nullopt;
  };
  probe.warn = [](const std::string&) {};
  EXPECT_EQ(probe.Detect().resource, data / "quillon");
}

}  // namespace
