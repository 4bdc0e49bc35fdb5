// The installed tree, as `cmake --install` lays it out under a temporary
// prefix: every file where a Linux desktop looks for it, the freedesktop
// validators accepting ours, the man pages rendering, the installed vnk
// running, and the man page and the bash completion knowing exactly the
// commands and options vnk has.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <sstream>

#include "tests/support/fixtures.h"

namespace vornak {
namespace {

namespace fs = std::filesystem;
using test::CommandResult;

using Words = std::set<std::string>;

// The sizes of the program's icon in the hicolor theme.
constexpr int kIconSizes[] = {16, 32, 48, 64, 128, 256};

std::string ReadText(const std::string& path) { return test::TextOf(test::ReadBytes(path)); }

// Every piece of `text` that follows `open` and ends before the next `close`.
Words Between(const std::string& text, const std::string& open, const std::string& close) {
  Words found;
  for (std::size_t at = text.find(open); at != std::string::npos; at = text.find(open, at)) {
    at += open.size();
    const std::size_t end = text.find(close, at);
    if (end == std::string::npos) break;
    found.insert(text.substr(at, end - at));
  }
  return found;
}

// The one piece of `text` between `open` and `close`, or "" when there is
// not exactly one.
std::string OneBetween(const std::string& text, const std::string& open, const std::string& close) {
  const Words found = Between(text, open, close);
  return found.size() == 1 ? *found.begin() : "";
}

// The value of `key` in the desktop entry `text`.
std::string DesktopKey(const std::string& text, const std::string& key) {
  return OneBetween("\n" + text, "\n" + key + "=", "\n");
}

// `text` with every run of blanks made one blank.
std::string Squeezed(const std::string& text) {
  std::string squeezed;
  for (char c : text) {
    if (c != ' ' || squeezed.empty() || squeezed.back() != ' ') squeezed += c;
  }
  return squeezed;
}

// The width and height in the header of a PNG file, or {0, 0}.
std::pair<int, int> PngSize(const std::string& path) {
  if (!fs::is_regular_file(path)) return {0, 0};
  const test::Bytes bytes = test::ReadBytes(path);
  const test::Bytes signature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  if (bytes.size() < 24 || !std::equal(signature.begin(), signature.end(), bytes.begin())) return {0, 0};
  auto be32 = [&](std::size_t at) {
    return (bytes[at] << 24) | (bytes[at + 1] << 16) | (bytes[at + 2] << 8) | bytes[at + 3];
  };
  return {be32(16), be32(20)};
}

class InstalledTree : public ::testing::Test {
 protected:
  void SetUp() override {
    const CommandResult installed =
        test::Run({VORNAK_CMAKE_COMMAND, "--install", VORNAK_BUILD_DIR, "--prefix", prefix.path()});
    ASSERT_EQ(installed.exitCode, 0) << installed.out << installed.err;
  }

  std::string Path(const std::string& relative) const { return prefix.File(relative); }

  // Runs the installed vnk.
  CommandResult InstalledVnk(const std::vector<std::string>& arguments) const {
    std::vector<std::string> argv{Path("bin/vnk")};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return test::Run(argv);
  }

  // The commands `vnk --help` lists.
  Words VnkCommands() const {
    const CommandResult help = InstalledVnk({"--help"});
    EXPECT_EQ(help.exitCode, 0) << help.err;
    const std::string list = help.out.substr(help.out.find("Commands:\n"));
    Words commands = Between(list.substr(0, list.find("\n\n")), "\n  ", " ");
    commands.erase("");  // the line that carries on a long usage
    return commands;
  }

  // The usage line of `vnk help COMMAND`, after "vnk ".
  std::string VnkUsage(const std::string& command) const {
    const CommandResult help = InstalledVnk({"help", command});
    EXPECT_EQ(help.exitCode, 0) << help.err;
    return help.out.substr(0, help.out.find('\n')).substr(std::string("usage: vnk ").size());
  }

  // What the installed bash completion offers for `words` (the last one being
  // completed), run in `folder`.
  Words Complete(const std::vector<std::string>& words, const std::string& folder = "/") const {
    std::string array;
    for (const std::string& word : words) array += " '" + word + "'";
    const std::string script = "cd '" + folder + "' && source '" +
                               Path("share/bash-completion/completions/vnk") +
                               "' && COMP_WORDS=(" + array + ") && COMP_CWORD=" +
                               std::to_string(words.size() - 1) +
                               " && _vnk && printf '%s\\n' \"${COMPREPLY[@]}\"";
    const CommandResult completed = test::Run({"bash", "-c", script});
    EXPECT_EQ(completed.exitCode, 0) << completed.err;
    EXPECT_EQ(completed.err, "");
    Words offered;
    std::istringstream lines(completed.out);
    for (std::string line; std::getline(lines, line);) {
      if (!line.empty()) offered.insert(line);
    }
    return offered;
  }

  test::TempDir prefix;
};

TEST_F(InstalledTree, PutsEveryFileWhereTheDesktopLooksForIt) {
  struct Expected {
    std::string path;
    bool program;
    bool window;  // installed only with the window program
  };
  std::vector<Expected> expected = {
      {"bin/vnk", true, false},
      {"bin/vornak", true, true},
      {"share/applications/vornak.desktop", false, true},
      {"share/metainfo/org.vornak.Vornak.metainfo.xml", false, true},
      {"share/mime/packages/vornak.xml", false, false},
      {"share/man/man1/vnk.1", false, false},
      {"share/man/man1/vornak.1", false, true},
      {"share/bash-completion/completions/vnk", false, false},
  };
  for (const Expected& file : expected) {
    SCOPED_TRACE(file.path);
    if (file.window && !VORNAK_WITH_WINDOW) {
      EXPECT_FALSE(fs::exists(Path(file.path)));
      continue;
    }
    ASSERT_TRUE(fs::is_regular_file(Path(file.path)));
    const fs::perms perms = fs::status(Path(file.path)).permissions();
    EXPECT_EQ((perms & fs::perms::others_exec) != fs::perms::none, file.program);
    EXPECT_NE(perms & fs::perms::others_read, fs::perms::none);
  }
}

TEST_F(InstalledTree, TheValidatorsAcceptTheDesktopEntryAndTheMetainfo) {
  if (!VORNAK_WITH_WINDOW) GTEST_SKIP() << "built without the window program";
  const CommandResult desktop =
      test::Run({"desktop-file-validate", Path("share/applications/vornak.desktop")});
  EXPECT_EQ(desktop.exitCode, 0) << desktop.out << desktop.err;
  // Hints are advice; a warning or an error is a fault of ours.
  EXPECT_EQ(desktop.out.find("error:"), std::string::npos) << desktop.out;
  EXPECT_EQ(desktop.out.find("warning:"), std::string::npos) << desktop.out;

  const CommandResult metainfo = test::Run({"appstreamcli", "validate", "--no-net", "--explain",
                                      Path("share/metainfo/org.vornak.Vornak.metainfo.xml")});
  EXPECT_EQ(metainfo.exitCode, 0) << metainfo.out << metainfo.err;
}

TEST_F(InstalledTree, DesktopEntryMetainfoIconsAndMimeTypeNameEachOther) {
  if (!VORNAK_WITH_WINDOW) GTEST_SKIP() << "built without the window program";
  const std::string entry = ReadText(Path("share/applications/vornak.desktop"));
  EXPECT_EQ(DesktopKey(entry, "GenericName"), "Floppy Disk Imager");
  EXPECT_EQ(DesktopKey(entry, "Categories"), "Utility;System;");
  EXPECT_TRUE(fs::is_regular_file(Path("bin/" + DesktopKey(entry, "Exec"))))
      << DesktopKey(entry, "Exec");

  const std::string icon = DesktopKey(entry, "Icon");
  for (int size : kIconSizes) {
    const std::string dimension = std::to_string(size) + "x" + std::to_string(size);
    SCOPED_TRACE(dimension);
    EXPECT_EQ(PngSize(Path("share/icons/hicolor/" + dimension + "/apps/" + icon + ".png")),
              std::make_pair(size, size));
  }

  const std::string mime = ReadText(Path("share/mime/packages/vornak.xml"));
  const Words types = Between(mime, "<mime-type type=\"", "\"");
  ASSERT_EQ(types.size(), 1u);
  EXPECT_EQ(DesktopKey(entry, "MimeType"), *types.begin() + ";");

  const std::string metainfo = ReadText(Path("share/metainfo/org.vornak.Vornak.metainfo.xml"));
  EXPECT_EQ(OneBetween(metainfo, "<id>", "</id>"), "org.vornak.Vornak");
  EXPECT_EQ(OneBetween(metainfo, "<launchable type=\"desktop-id\">", "</launchable>"), "vornak.desktop");
  EXPECT_EQ(OneBetween(metainfo, "<mediatype>", "</mediatype>"), *types.begin());
  EXPECT_EQ(Between(metainfo, "<release version=\"", "\""), Words{VORNAK_VERSION});
  EXPECT_EQ(Between(metainfo, "<image>", "</image>").size(), 1u);
}

TEST_F(InstalledTree, TheMimeDatabaseKnowsImageFilesByTheirExtension) {
  // update-mime-database parses our file as the desktop's would and writes the
  // tables the desktop reads; it works on a copy of the installed folder.
  const std::string mime = prefix.File("mime-database");
  fs::create_directories(mime + "/packages");
  fs::copy_file(Path("share/mime/packages/vornak.xml"), mime + "/packages/vornak.xml");
  const CommandResult updated = test::Run({"update-mime-database", "-V", mime});
  ASSERT_EQ(updated.exitCode, 0) << updated.out << updated.err;
  EXPECT_EQ(updated.err.find("rror"), std::string::npos) << updated.err;
  // Lines of weight:type:glob.
  Words vnkTypes;
  for (const std::string& line : Between(ReadText(mime + "/globs2"), "\n", "\n")) {
    const std::size_t type = line.find(':') + 1, glob = line.find(':', type);
    if (line.substr(glob + 1) == "*.vnk") vnkTypes.insert(line.substr(type, glob - type));
  }
  EXPECT_EQ(vnkTypes, Words{"application/x-vornak-image"});
  EXPECT_TRUE(fs::is_regular_file(mime + "/application/x-vornak-image.xml"));
}

TEST_F(InstalledTree, TheManPagesRenderWithoutWarnings) {
  std::vector<std::string> pages{"vnk"};
  if (VORNAK_WITH_WINDOW) pages.push_back("vornak");
  for (const std::string& page : pages) {
    SCOPED_TRACE(page);
    const CommandResult shown = test::Run({"env", "MANWIDTH=80", "LC_ALL=C.UTF-8", "man", "--warnings", "-l",
                                     Path("share/man/man1/" + page + ".1")});
    EXPECT_EQ(shown.exitCode, 0) << shown.err;
    EXPECT_EQ(shown.err, "");
    EXPECT_NE(Squeezed(shown.out).find("NAME\n " + page + " - "), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("Vornak " VORNAK_VERSION), std::string::npos) << shown.out;
  }
  const CommandResult vnk =
      test::Run({"env", "MANWIDTH=80", "man", "-l", Path("share/man/man1/vnk.1")});
  for (const char* section : {"COMMANDS", "DRIVES", "ENVIRONMENT", "EXIT STATUS", "EXAMPLES"}) {
    EXPECT_NE(vnk.out.find(std::string("\n") + section + "\n"), std::string::npos) << section;
  }
}

TEST_F(InstalledTree, TheInstalledVnkRuns) {
  const CommandResult version = InstalledVnk({"--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out, "vnk " VORNAK_VERSION "\n");

  test::TempDir dir;
  test::MakeFatDisk(dir.File("raw.img"), 720, "LETTERS");
  test::PutFile(dir.File("raw.img"), "::BANK.TXT", test::BytesOf("Dear Sir"));
  const CommandResult imported = InstalledVnk(
      {"import", dir.File("raw.img"), dir.File("letters.vnk"), "--description", "Letters"});
  ASSERT_EQ(imported.exitCode, 0) << imported.err;
  const CommandResult listed = InstalledVnk({"list", dir.File("letters.vnk")});
  EXPECT_EQ(listed.exitCode, 0) << listed.err;
  EXPECT_NE(listed.out.find("BANK.TXT"), std::string::npos) << listed.out;
  EXPECT_NE(listed.out.find("Letters"), std::string::npos) << listed.out;
}

// vnk's command table is the truth; the man page and the completion are kept
// in step with it by hand, and this is where a difference shows.
TEST_F(InstalledTree, ManPageAndCompletionKnowExactlyVnksCommandsAndOptions) {
  const Words commands = VnkCommands();
  ASSERT_GE(commands.size(), 5u);

  Words manUsages;
  for (std::string usage : Between(ReadText(Path("share/man/man1/vnk.1")), "\n.SS \"vnk ", "\"")) {
    for (std::size_t dash; (dash = usage.find("\\-")) != std::string::npos;) usage.erase(dash, 1);
    manUsages.insert(usage);
  }
  Words usages;
  for (const std::string& command : commands) usages.insert(VnkUsage(command));
  EXPECT_EQ(manUsages, usages) << "each command's .SS heading in vnk.1 is its usage line";

  Words firstWords = commands;
  firstWords.insert({"help", "--help", "--version"});
  EXPECT_EQ(Complete({"vnk", ""}), firstWords);
  EXPECT_EQ(Complete({"vnk", "help", ""}), commands);
  EXPECT_EQ(Complete({"vnk", "ex"}), Words{"export"});

  for (const std::string& command : commands) {
    SCOPED_TRACE(command);
    Words options;
    std::istringstream words(VnkUsage(command));
    for (std::string word; words >> word;) {
      std::erase_if(word, [](char c) { return c == '[' || c == ']'; });
      if (word.starts_with("--")) options.insert(word);
    }
    options.insert("--help");
    EXPECT_EQ(Complete({"vnk", command, "--"}), options);
  }
}

TEST_F(InstalledTree, CompletionOffersDrivesSizesAndTheRightFiles) {
  test::TempDir dir;
  test::WriteBytes(dir.File("letters.vnk"), {});
  test::WriteBytes(dir.File("LETTERS2.VNK"), {});
  test::WriteBytes(dir.File("game.img"), {});
  fs::create_directory(dir.File("floppies"));

  struct Case {
    std::vector<std::string> words;
    Words offered;
  };
  const Case cases[] = {
      {{"vnk", "save", ""}, {"A:", "B:", "letters.vnk", "LETTERS2.VNK", "floppies"}},
      {{"vnk", "save", "A:", ""}, {"letters.vnk", "LETTERS2.VNK", "floppies"}},
      {{"vnk", "list", "l"}, {"letters.vnk"}},
      {{"vnk", "import", ""}, {"letters.vnk", "LETTERS2.VNK", "game.img", "floppies"}},
      {{"vnk", "dir", ""}, {"A:", "B:"}},
      {{"vnk", "drives", ""}, {}},
      {{"vnk", "format", "--size", ""}, {"1440", "1200", "720", "360"}},
      {{"vnk", "describe", "x.vnk", "--set", ""}, {}},
      {{"vnk", "nonsense", ""}, {}},
  };
  for (const Case& c : cases) {
    std::string line;
    for (const std::string& word : c.words) line += word + " ";
    SCOPED_TRACE(line);
    EXPECT_EQ(Complete(c.words, dir.path()), c.offered);
  }
  // The sizes are those vnk format takes.
  EXPECT_NE(VnkUsage("format").find("--size 1440|1200|720|360"), std::string::npos);
}

}  // namespace
}  // namespace vornak
