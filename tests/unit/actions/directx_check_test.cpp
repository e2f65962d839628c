// The DirectX check against the fake system: the diagnostic provider's answers, the file table
// row by row (each threshold just met and just missed), the grouping of file reads, the packed
// and text forms and the bounded text copy.
#include "actions/directx_check.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/installer_state.h"
#include "support/fake_system.h"

namespace vorlax {
namespace {

constexpr char16_t kSystemFolder[] = u"C:\\windows\\system32";

constexpr uint64_t V(uint16_t a, uint16_t b, uint16_t c, uint16_t d) {
  return static_cast<uint64_t>(a) << 48 | static_cast<uint64_t>(b) << 32 |
         static_cast<uint64_t>(c) << 16 | d;
}

constexpr uint32_t Packed(uint32_t major, uint32_t minor, uint32_t letterNumber) {
  return major * 65536 + minor * 256 + letterNumber;
}

System::DxDiagVersion Provider(uint32_t major, uint32_t minor, char16_t letter) {
  System::DxDiagVersion answer;
  answer.hasMajor = answer.hasMinor = answer.hasLetter = true;
  answer.major = major;
  answer.minor = minor;
  answer.letter = letter;
  return answer;
}

class DirectXCheck : public ::testing::Test {
 protected:
  void SetUp() override { Fresh(); }

  // A fresh fake and installer state, for each case of a table.
  void Fresh() {
    fake = FakeSystem();
    fake.dxDiag = FakeSystem::NoDxDiag();  // each case says what the provider answers
    ResetInstallerState();
    fake.systemFolder = kSystemFolder;
    State().system = &fake;
  }

  void SetFileVersion(const std::u16string& file, uint64_t version) {
    fake.fileVersions[std::u16string(kSystemFolder) + u"\\" + file] = version;
  }

  // The files whose versions were asked for, in order, as names in the system folder.
  std::vector<std::string> FilesRead() const {
    const std::string prefix = "ReadFileVersion C:\\windows\\system32\\";
    std::vector<std::string> files;
    for (const std::string& call : fake.calls) {
      if (call.compare(0, prefix.size(), prefix) == 0) files.push_back(call.substr(prefix.size()));
    }
    return files;
  }

  // GetDirectXVersion's packed value and text (through a roomy buffer).
  void Detect(uint32_t* packed, std::u16string* text) {
    char16_t buffer[32];
    ASSERT_EQ(GetDirectXVersion(packed, buffer, 32), kResultOk);
    *text = buffer;
  }

  FakeSystem fake;
};

TEST_F(DirectXCheck, ProviderAnswerIsPackedAndWritten) {
  struct Case {
    const char* name;
    System::DxDiagVersion answer;
    uint32_t packed;
    std::u16string text;
  };
  const Case cases[] = {
      {"NoLetter", Provider(9, 0, u' '), 0x00090000, u"9.0"},
      {"UpperCaseLetterFolded", Provider(9, 0, u'C'), Packed(9, 0, 3), u"9.0c"},
      {"LowerCaseLetter", Provider(8, 1, u'b'), Packed(8, 1, 2), u"8.1b"},
      {"LetterZ", Provider(9, 0, u'Z'), Packed(9, 0, 26), u"9.0z"},
      {"NonLetterKeptInTextOnly", Provider(9, 0, u'#'), 0x00090000, u"9.0#"},
      {"NonAsciiLetterKeptInTextOnly", Provider(9, 0, u'\u00C9'), 0x00090000, u"9.0\u00C9"},
      {"EmptyLetterTextIsNoLetter", Provider(9, 0, u'\0'), 0x00090000, u"9.0"},
      {"LargeNumbersUnsigned", Provider(3000000000u, 12, u' '), 3000000000u * 65536 + 12 * 256,
       u"3000000000.12"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fresh();
    fake.dxDiag = c.answer;
    SetFileVersion(u"d3d9.dll", V(5, 3, 0, 0));
    uint32_t packed = 1;
    std::u16string text;
    Detect(&packed, &text);
    EXPECT_EQ(packed, c.packed);
    EXPECT_EQ(text, c.text);
    EXPECT_TRUE(FilesRead().empty()) << "a complete provider answer needs no file";
  }
}

TEST_F(DirectXCheck, IncompleteProviderAnswerFallsBackToFiles) {
  struct Case {
    const char* name;
    bool hasMajor, hasMinor, hasLetter;
  };
  const Case cases[] = {
      {"LetterMissing", true, true, false},
      {"MinorMissing", true, false, true},
      {"MajorMissing", false, true, true},
      {"NothingObtained", false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (bool withFile : {true, false}) {
      Fresh();
      fake.dxDiag = Provider(9, 0, u'c');
      fake.dxDiag.hasMajor = c.hasMajor;
      fake.dxDiag.hasMinor = c.hasMinor;
      fake.dxDiag.hasLetter = c.hasLetter;
      if (withFile) SetFileVersion(u"ddraw.dll", V(4, 7, 0, 700));
      uint32_t packed = 1;
      std::u16string text;
      Detect(&packed, &text);
      // The file route's result replaces whatever the provider did answer, 0.0 included.
      EXPECT_EQ(packed, withFile ? 0x00070000u : 0u);
      EXPECT_EQ(text, withFile ? u"7.0" : u"0.0");
      EXPECT_FALSE(FilesRead().empty());
    }
  }
}

TEST_F(DirectXCheck, ProviderRouteStoresWhatItObtained) {
  fake.dxDiag = Provider(9, 0, u'C');
  fake.dxDiag.hasMinor = false;
  uint32_t major = 77, minor = 77;
  char16_t letter = u'x';
  EXPECT_EQ(DirectXVersionViaDxDiag(&major, &minor, &letter), kResultFail);
  EXPECT_EQ(major, 9u);
  EXPECT_EQ(minor, 77u) << "a value not obtained leaves its output alone";
  EXPECT_EQ(letter, u'C') << "the letter is stored as the provider wrote it";

  fake.dxDiag.hasMinor = true;
  EXPECT_EQ(DirectXVersionViaDxDiag(nullptr, nullptr, nullptr), kResultOk);
  EXPECT_EQ(DirectXVersionViaDxDiag(&major, &minor, &letter), kResultOk);
  EXPECT_EQ(minor, 0u);
}

// Each row of the file table with its threshold just met and just missed, only that row's file
// present. Rows that tell the 4.x and 5.x numberings apart are checked in both.
TEST_F(DirectXCheck, FileTableRowsMetAndMissed) {
  struct Case {
    const char* row;
    std::u16string file;
    uint64_t version;
    std::u16string expected;
  };
  const Case cases[] = {
      {"1 met", u"ddraw.dll", V(4, 2, 0, 95), u"1.0"},
      {"1 missed", u"ddraw.dll", V(4, 2, 0, 94), u"0.0"},
      {"2 met", u"ddraw.dll", V(4, 3, 0, 1096), u"2.0"},
      {"2 missed", u"ddraw.dll", V(4, 3, 0, 1095), u"1.0"},
      {"3 met", u"ddraw.dll", V(4, 4, 0, 68), u"3.0"},
      {"3 missed", u"ddraw.dll", V(4, 4, 0, 67), u"2.0"},
      {"4 met", u"d3drg8x.dll", V(4, 4, 0, 70), u"3.0a"},
      {"4 missed", u"d3drg8x.dll", V(4, 4, 0, 69), u"0.0"},
      {"5 met", u"ddraw.dll", V(4, 5, 0, 155), u"5.0"},
      {"5 missed", u"ddraw.dll", V(4, 5, 0, 154), u"3.0"},
      {"6 met", u"ddraw.dll", V(4, 6, 0, 318), u"6.0"},
      {"6 missed", u"ddraw.dll", V(4, 6, 0, 317), u"5.0"},
      {"7 met", u"ddraw.dll", V(4, 6, 0, 436), u"6.1"},
      {"7 missed", u"ddraw.dll", V(4, 6, 0, 435), u"6.0"},
      {"8 met", u"dplayx.dll", V(4, 6, 3, 518), u"6.1a"},
      {"8 missed", u"dplayx.dll", V(4, 6, 3, 517), u"0.0"},
      {"9 met", u"ddraw.dll", V(4, 7, 0, 700), u"7.0"},
      {"9 missed", u"ddraw.dll", V(4, 7, 0, 699), u"6.1"},
      {"10 met", u"dinput.dll", V(4, 7, 0, 716), u"7.0a"},
      {"10 missed", u"dinput.dll", V(4, 7, 0, 715), u"0.0"},
      {"11 met 4.x", u"ddraw.dll", V(4, 8, 0, 400), u"8.0"},
      {"11 missed 4.x", u"ddraw.dll", V(4, 8, 0, 399), u"7.0"},
      {"11 met 5.x", u"ddraw.dll", V(5, 1, 2258, 400), u"8.0"},
      {"11 missed 5.x", u"ddraw.dll", V(5, 1, 2258, 399), u"7.0"},
      {"11 first part 6", u"ddraw.dll", V(6, 0, 0, 0), u"7.0"},
      {"12 met 4.x", u"d3d8.dll", V(4, 8, 1, 881), u"8.1"},
      {"12 missed 4.x", u"d3d8.dll", V(4, 8, 1, 880), u"0.0"},
      {"12 met 5.x", u"d3d8.dll", V(5, 1, 2600, 881), u"8.1"},
      {"12 missed 5.x", u"d3d8.dll", V(5, 1, 2600, 880), u"0.0"},
      {"13 met 4.x", u"d3d8.dll", V(4, 8, 1, 901), u"8.1a"},
      {"13 missed 4.x", u"d3d8.dll", V(4, 8, 1, 900), u"8.1"},
      {"13 met 5.x", u"d3d8.dll", V(5, 1, 2600, 901), u"8.1a"},
      {"13 missed 5.x", u"d3d8.dll", V(5, 1, 2600, 900), u"8.1"},
      {"12-13 first part 6", u"d3d8.dll", V(6, 0, 0, 0), u"0.0"},
      {"14 met", u"mpg2splt.ax", V(6, 3, 1, 885), u"8.1b"},
      {"14 missed", u"mpg2splt.ax", V(6, 3, 1, 884), u"0.0"},
      {"15 met 4.x", u"dpnet.dll", V(4, 9, 0, 134), u"8.2"},
      {"15 missed 4.x", u"dpnet.dll", V(4, 9, 0, 133), u"0.0"},
      {"15 met 5.x", u"dpnet.dll", V(5, 2, 3677, 134), u"8.2"},
      {"15 missed 5.x", u"dpnet.dll", V(5, 2, 3677, 133), u"0.0"},
      {"15 first part 6", u"dpnet.dll", V(6, 0, 0, 0), u"0.0"},
      {"16 any readable version", u"d3d9.dll", V(0, 0, 0, 0), u"9.0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.row);
    Fresh();
    SetFileVersion(c.file, c.version);
    uint32_t packed = 0;
    std::u16string text;
    Detect(&packed, &text);
    EXPECT_EQ(text, c.expected);
  }
}

TEST_F(DirectXCheck, LaterRowsOverrideEarlierOnes) {
  struct FileVersion {
    std::u16string file;
    uint64_t version;
  };
  struct Case {
    const char* name;
    std::vector<FileVersion> files;
    uint32_t packed;
    std::u16string text;
  };
  const Case cases[] = {
      {"d3drg8x over ddraw 2.0",
       {{u"ddraw.dll", V(4, 3, 0, 1096)}, {u"d3drg8x.dll", V(4, 4, 0, 70)}},
       Packed(3, 0, 1), u"3.0a"},
      {"ddraw 8.0 over d3drg8x",
       {{u"ddraw.dll", V(4, 8, 0, 400)}, {u"d3drg8x.dll", V(4, 4, 0, 70)}},
       Packed(8, 0, 0), u"8.0"},
      {"a readable d3d9 over everything",
       {{u"ddraw.dll", V(4, 2, 0, 95)}, {u"d3d9.dll", V(1, 0, 0, 0)}},
       Packed(9, 0, 0), u"9.0"},
      {"dpnet 8.2 over d3d8 8.1a",
       {{u"dpnet.dll", V(4, 9, 0, 134)}, {u"d3d8.dll", V(4, 8, 1, 901)}},
       Packed(8, 2, 0), u"8.2"},
      {"no readable file", {}, 0, u"0.0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fresh();
    for (const FileVersion& f : c.files) SetFileVersion(f.file, f.version);
    uint32_t packed = 1;
    std::u16string text;
    Detect(&packed, &text);
    EXPECT_EQ(packed, c.packed);
    EXPECT_EQ(text, c.text);
  }
}

// Rows 1-3, 5-7 and 12-13 name the same file one after another and share one read, whether the
// file is readable or not; a file named again after another one is read again.
TEST_F(DirectXCheck, ConsecutiveRowsOfOneFileReadItOnce) {
  const std::vector<std::string> expected = {
      "ddraw.dll", "d3drg8x.dll", "ddraw.dll", "dplayx.dll", "ddraw.dll", "dinput.dll",
      "ddraw.dll", "d3d8.dll", "mpg2splt.ax", "dpnet.dll", "d3d9.dll"};
  for (bool filesPresent : {true, false}) {
    SCOPED_TRACE(filesPresent ? "every file readable" : "no file readable");
    Fresh();
    if (filesPresent) {
      for (const char16_t* file : {u"ddraw.dll", u"d3drg8x.dll", u"dplayx.dll", u"dinput.dll",
                                   u"d3d8.dll", u"mpg2splt.ax", u"dpnet.dll", u"d3d9.dll"}) {
        SetFileVersion(file, V(4, 9, 0, 134));
      }
    }
    uint32_t major = 0;
    EXPECT_EQ(DirectXVersionViaFiles(&major, nullptr, nullptr), kResultOk);
    EXPECT_EQ(FilesRead(), expected);
    EXPECT_EQ(major, filesPresent ? 9u : 0u);
  }
}

TEST_F(DirectXCheck, AnyFailedVersionReadSkipsTheFilesRows) {
  for (int32_t failure : {kResultFail, kResultOutOfMemory, kResultInvalidArgument}) {
    SCOPED_TRACE(failure);
    Fresh();
    fake.fileVersionFailures[std::u16string(kSystemFolder) + u"\\ddraw.dll"] = failure;
    SetFileVersion(u"dinput.dll", V(4, 7, 0, 716));
    uint32_t packed = 0;
    std::u16string text;
    Detect(&packed, &text);
    EXPECT_EQ(text, u"7.0a");
    EXPECT_EQ(packed, Packed(7, 0, 1));
  }
}

TEST_F(DirectXCheck, NoSystemFolderGivesZeroWithoutReads) {
  fake.systemFolder.clear();
  SetFileVersion(u"d3d9.dll", V(9, 0, 0, 0));
  uint32_t major = 5, minor = 5;
  char16_t letter = u'x';
  EXPECT_EQ(DirectXVersionViaFiles(&major, &minor, &letter), kResultOk);
  EXPECT_EQ(major, 0u);
  EXPECT_EQ(minor, 0u);
  EXPECT_EQ(letter, u' ');
  EXPECT_TRUE(FilesRead().empty());
}

// The text lands in the caller's buffer with at most capacity characters, always terminated
// within the capacity; characters beyond the capacity are never touched.
TEST_F(DirectXCheck, TextIsTruncatedIntoTheCallersBuffer) {
  struct Case {
    std::size_t capacity;
    std::u16string expected;
  };
  const Case cases[] = {{1, u""}, {2, u"8"}, {4, u"8.1"}, {5, u"8.1b"}, {12, u"8.1b"}};
  constexpr char16_t kUntouched = u'#';
  for (const Case& c : cases) {
    SCOPED_TRACE(c.capacity);
    Fresh();
    fake.dxDiag = Provider(8, 1, u'B');
    std::u16string buffer(16, kUntouched);
    uint32_t packed = 0;
    EXPECT_EQ(GetDirectXVersion(&packed, &buffer[0], c.capacity), kResultOk);
    EXPECT_EQ(std::u16string(buffer.c_str()), c.expected);
    EXPECT_EQ(buffer[c.capacity - 1], u'\0');
    EXPECT_EQ(buffer.substr(c.capacity), std::u16string(16 - c.capacity, kUntouched));
    EXPECT_EQ(packed, Packed(8, 1, 2));
  }
}

TEST_F(DirectXCheck, AbsentOutputsAreAllowed) {
  fake.dxDiag = Provider(9, 0, u'c');
  char16_t untouched = u'#';
  EXPECT_EQ(GetDirectXVersion(nullptr, &untouched, 0), kResultOk);
  EXPECT_EQ(untouched, u'#') << "a capacity of 0 means no text at all";
  char16_t text[8];
  EXPECT_EQ(GetDirectXVersion(nullptr, text, 8), kResultOk);
  EXPECT_EQ(std::u16string(text), u"9.0c");
  uint32_t packed = 0;
  EXPECT_EQ(GetDirectXVersion(&packed, nullptr, 8), kResultOk);
  EXPECT_EQ(packed, Packed(9, 0, 3));
  fake.dxDiag = System::DxDiagVersion();
  SetFileVersion(u"ddraw.dll", V(4, 7, 0, 700));
  EXPECT_EQ(DirectXVersionViaFiles(nullptr, nullptr, nullptr), kResultOk);
}

}  // namespace
}  // namespace vorlax
