// The description block: finding it from the end of a file, appending,
// reading (and the editor's box with it), removing and replacing.

#include <gtest/gtest.h>

#include "description/description.h"
#include "tests/support/fixtures.h"

namespace vornak {
namespace {

using test::Bytes;

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// A block with the given text and a TextLength that may lie.
Bytes Block(const Bytes& text, std::size_t textLength) {
  Bytes block = text;
  block.push_back(static_cast<uint8_t>(textLength));
  block.push_back(static_cast<uint8_t>(textLength >> 8));
  return Concat(block, test::BytesOf(kDescriptionMarker));
}
Bytes Block(std::string_view text) { return Block(test::BytesOf(text), text.size()); }

std::optional<std::string> Find(const Bytes& file) {
  const std::size_t tail = std::min(file.size(), kDescriptionTailSize);
  std::optional<DescriptionBlock> block =
      FindDescription(std::span(file).last(tail), file.size());
  if (!block) return std::nullopt;
  return block->text;
}

TEST(Description, IsFoundFromTheEndOfTheFile) {
  const Bytes payload = test::RandomBytes(4000, 5);
  const std::string longest(259, 'x');
  struct Case {
    const char* name;
    Bytes file;
    std::optional<std::string> text;
  };
  const Case cases[] = {
      {"no block", payload, std::nullopt},
      {"ten characters", Concat(payload, Block("0123456789")), "0123456789"},
      {"256 characters", Concat(payload, Block(std::string(256, 'd'))), std::string(256, 'd')},
      {"259 characters, the most a reader takes", Concat(payload, Block(longest)), longest},
      {"TextLength 260", Concat(payload, Block(Bytes(260, 'y'), 260)), std::nullopt},
      {"TextLength 65535", Concat(payload, Block(Bytes(10, 'y'), 65535)), std::nullopt},
      {"text cut at its first zero byte", Concat(payload, Block(test::BytesOf(std::string("ab\0cd", 5)), 5)), "ab"},
      {"marker in another case", Concat(payload, test::BytesOf("01DesCriptIonText ")), std::nullopt},
      {"marker alone, 16 bytes", test::BytesOf(kDescriptionMarker), std::nullopt},
      {"TextLength reaching in front of the file", Block(Bytes(3, 'z'), 4), std::nullopt},
      {"a whole file that is one block", Block("only"), "only"},
      {"shorter than the marker", test::BytesOf("TexT "), std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Find(c.file), c.text);
  }
}

class DescriptionFile : public ::testing::Test {
 protected:
  void SetUp() override {
    payload_ = test::RandomBytes(3000, 9);
    test::WriteBytes(path_, payload_);
    SetDescriptionBoxHook([this](const std::string& text) { box_.push_back(text); });
  }
  void TearDown() override { SetDescriptionBoxHook(nullptr); }

  test::TempDir dir_;
  std::string path_ = dir_.File("image.vnk");
  Bytes payload_;
  std::vector<std::string> box_;  // what the editor's box was set to, in order
};

TEST_F(DescriptionFile, ReadingShowsTheTextInTheEditorsBox) {
  EXPECT_FALSE(HasDescription(path_));
  EXPECT_EQ(ReadDescription(path_), "");
  ASSERT_TRUE(ReplaceDescription(path_, "A 1987 tax disk"));
  EXPECT_TRUE(HasDescription(path_));
  EXPECT_EQ(ReadDescription(path_), "A 1987 tax disk");
  EXPECT_EQ(ReadDescription(dir_.File("missing")), "");
  EXPECT_EQ(box_, (std::vector<std::string>{"", "A 1987 tax disk", ""}));
}

TEST_F(DescriptionFile, ReplacingLeavesOneBlockAndRemovingCutsItOff) {
  ASSERT_TRUE(ReplaceDescription(path_, "first"));
  ASSERT_TRUE(ReplaceDescription(path_, std::string(256, 'w')));
  const Bytes file = test::ReadBytes(path_);
  EXPECT_EQ(file, Concat(payload_, Block(std::string(256, 'w'))));
  EXPECT_EQ(file[file.size() - 18], 0x00);  // 256 is stored as 00 01
  EXPECT_EQ(file[file.size() - 17], 0x01);

  ASSERT_TRUE(RemoveDescription(path_));
  EXPECT_EQ(test::ReadBytes(path_), payload_);
  EXPECT_FALSE(HasDescription(path_));
  // An empty text on a file without a block changes nothing.
  ASSERT_TRUE(ReplaceDescription(path_, ""));
  EXPECT_EQ(test::ReadBytes(path_), payload_);
}

TEST_F(DescriptionFile, ABlockThatCannotBeReadCountsAsNone) {
  const Bytes file = Concat(payload_, Block(Bytes(300, 'q'), 300));
  test::WriteBytes(path_, file);
  EXPECT_FALSE(HasDescription(path_));
  ASSERT_TRUE(RemoveDescription(path_));
  EXPECT_EQ(test::ReadBytes(path_), file);
  ASSERT_TRUE(ReplaceDescription(path_, "new"));
  EXPECT_EQ(test::ReadBytes(path_), Concat(file, Block("new")));
}

TEST_F(DescriptionFile, AStaleScratchFileIsOverwrittenAndMovedAway) {
  test::WriteBytes(dir_.File(std::string(kDescriptionScratchName)), test::RandomBytes(9000, 1));
  ASSERT_TRUE(ReplaceDescription(path_, "kept"));
  EXPECT_EQ(test::ReadBytes(path_), Concat(payload_, Block("kept")));
  EXPECT_FALSE(platform::FileExists(dir_.File(std::string(kDescriptionScratchName))));
}

TEST_F(DescriptionFile, TooLongATextIsRefusedAndTheFileKept) {
  Status refused = ReplaceDescription(path_, std::string(260, 'x'));
  EXPECT_FALSE(refused);
  EXPECT_EQ(test::ReadBytes(path_), payload_);
}

}  // namespace
}  // namespace vornak
