// Recovery at open from journals built by hand: which left-over journals are played back, which
// are discarded, and that playback never writes a damaged or foreign record into the database,
// nor a journal written for another file.
#include "jet/Journal.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>

#include "PagerTestSupport.h"
#include "jet/Bytes.h"
#include "jet/Checksum.h"
#include "jet/Error.h"

namespace ipmdb::jet {
namespace {

constexpr uint64_t kSeed = 0x5eed5eed12345678ULL;

// The journaled commit: pages 1 and 3 changed from tag 0 to tag 1, pages 6 and 7 appended.
const Tags kBefore = kInitialTags;
const Tags kAfter{0, 1, 0, 1, 0, 0, 1, 1};

std::vector<uint8_t> PageBytes(uint32_t tag, uint32_t page) {
  std::vector<uint8_t> bytes(kPageSize);
  FillPage(bytes.data(), tag, page);
  return bytes;
}

FileIdentity IdentityOf(const std::string& path) {
  return Vfs::System().Open(path, Vfs::OpenMode::ExistingReadWrite)->Identity();
}

// The journal of the commit, written for the database file of that identity.
std::vector<uint8_t> EncodeCommit(const FileIdentity& database, uint64_t seed = kSeed) {
  const std::vector<uint32_t> listed{1, 3, 6, 7};
  std::vector<std::vector<uint8_t>> afterBytes, beforeBytes;
  std::vector<PageImage> after, before;
  for (uint32_t page : listed) afterBytes.push_back(PageBytes(kAfter[page], page));
  for (uint32_t page : {1u, 3u}) beforeBytes.push_back(PageBytes(kBefore[page], page));
  for (size_t i = 0; i < listed.size(); ++i) after.push_back({listed[i], afterBytes[i].data()});
  before.push_back({1, beforeBytes[0].data()});
  before.push_back({3, beforeBytes[1].data()});
  std::vector<uint8_t> out;
  EncodeJournal(seed, database, uint32_t(kBefore.size()), uint32_t(kAfter.size()), after, before, out);
  return out;
}

void ResealHeader(std::vector<uint8_t>& journal) {
  const uint64_t seed = GetU64(journal.data() + kJournalSeedOffset);
  const uint64_t sum = Checksum64({journal.data(), kJournalHeaderChecksumOffset}, seed);
  PutU64(journal.data() + kJournalHeaderChecksumOffset, sum);
}

class JournalTest : public ::testing::Test {
 protected:
  std::string Journal() const { return FPath + "-journal"; }
  std::vector<uint8_t> Record(uint32_t index, std::vector<uint8_t>& journal) const {
    const uint64_t at = BeforeImageOffset(4, index);
    return {journal.begin() + long(at), journal.begin() + long(at + kBeforeImageRecordSize)};
  }

  TempDir FDir;
  const std::string FPath = FDir.File("db.mdb");
};

TEST_F(JournalTest, JournalOfACommitThatReachedTheDiskIsDiscarded) {
  WriteTagsFile(FPath, kAfter);
  WriteWholeFile(Journal(), EncodeCommit(IdentityOf(FPath)));
  EXPECT_EQ(ReopenAndReadTags(FPath), kAfter);
  EXPECT_FALSE(FileExists(Journal()));
}

TEST_F(JournalTest, PartlyWrittenCommitIsUndoneAndAppendedPagesCut) {
  Tags partly = kAfter;
  partly[3] = 0;
  WriteTagsFile(FPath, partly);
  WriteWholeFile(Journal(), EncodeCommit(IdentityOf(FPath)));
  EXPECT_EQ(ReopenAndReadTags(FPath), kBefore);
  EXPECT_FALSE(FileExists(Journal()));
}

TEST_F(JournalTest, TornAppendedPageIsCutAway) {
  WriteTagsFile(FPath, kAfter);
  std::vector<uint8_t> bytes = ReadWholeFile(FPath);
  bytes.resize(bytes.size() - 1000);
  WriteWholeFile(FPath, bytes);
  WriteWholeFile(Journal(), EncodeCommit(IdentityOf(FPath)));
  EXPECT_EQ(ReopenAndReadTags(FPath), kBefore);
}

// Page 3 carries bytes that are neither before nor after the commit, so the test sees whether
// playback wrote anything there.
TEST_F(JournalTest, TornJournalTailIsIgnored) {
  if (!SystemRecordsBirthTime()) GTEST_SKIP() << kNoBirthTime;
  Tags current = kAfter;
  current[3] = 5;
  WriteTagsFile(FPath, current);
  std::vector<uint8_t> journal = EncodeCommit(IdentityOf(FPath));
  journal.resize(journal.size() - 100);
  WriteWholeFile(Journal(), journal);
  EXPECT_EQ(ReopenAndReadTags(FPath), (Tags{0, 0, 0, 5, 0, 0}));
}

TEST_F(JournalTest, FirstRecordThatFailsItsChecksumEndsPlayback) {
  if (!SystemRecordsBirthTime()) GTEST_SKIP() << kNoBirthTime;
  Tags current = kAfter;
  current[3] = 5;
  current[1] = 5;
  WriteTagsFile(FPath, current);
  // The first record comes from an older journal with another seed; the second is intact.
  std::vector<uint8_t> journal = EncodeCommit(IdentityOf(FPath));
  std::vector<uint8_t> older = EncodeCommit(IdentityOf(FPath), kSeed + 1);
  const std::vector<uint8_t> foreign = Record(0, older);
  std::copy(foreign.begin(), foreign.end(), journal.begin() + long(BeforeImageOffset(4, 0)));
  WriteWholeFile(Journal(), journal);
  EXPECT_EQ(ReopenAndReadTags(FPath), (Tags{0, 5, 0, 5, 0, 0}));
}

// Journals that are not hot leave the database as it is, even one that playback would change.
TEST_F(JournalTest, JournalThatIsNotHotLeavesTheDatabaseUntouched) {
  const std::vector<std::pair<const char*, std::function<void(std::vector<uint8_t>&)>>> damages{
      {"empty", [](std::vector<uint8_t>& j) { j.clear(); }},
      {"shorter than its header", [](std::vector<uint8_t>& j) { j.resize(kJournalHeaderSize - 1); }},
      {"magic zeroed", [](std::vector<uint8_t>& j) { PutU64(j.data() + kJournalMagicOffset, 0); }},
      {"header byte changed", [](std::vector<uint8_t>& j) { j[kJournalNewCountOffset] ^= 1; }},
      {"other page size", [](std::vector<uint8_t>& j) {
         PutU32(j.data() + kJournalPageSizeOffset, 2048);
         ResealHeader(j);
       }},
      {"impossible counts", [](std::vector<uint8_t>& j) {
         PutU32(j.data() + kJournalNewCountOffset, 2);
         ResealHeader(j);
       }},
      {"list cut short", [](std::vector<uint8_t>& j) { j.resize(kJournalHeaderSize + kAfterImageEntrySize); }},
      // As when the next commit's torn journal overwrote the list but not the header.
      {"list overwritten", [](std::vector<uint8_t>& j) { j[kJournalHeaderSize + kAfterImageChecksumOffset] ^= 0x80; }},
  };
  Tags partly = kAfter;
  partly[3] = 0;
  for (const auto& [name, damage] : damages) {
    SCOPED_TRACE(name);
    WriteTagsFile(FPath, partly);
    const std::vector<uint8_t> before = ReadWholeFile(FPath);
    std::vector<uint8_t> journal = EncodeCommit(IdentityOf(FPath));
    damage(journal);
    WriteWholeFile(Journal(), journal);
    EXPECT_EQ(ReopenAndReadTags(FPath), partly);
    EXPECT_EQ(ReadWholeFile(FPath), before);
    EXPECT_FALSE(FileExists(Journal()));
  }
}

// The journal was written for other.mdb, whose commit was cut short. Beside a copy of that file it
// is played back; beside any other file it is removed and the file left byte for byte.
TEST_F(JournalTest, JournalOfAnotherFileIsPlayedBackOnlyOntoACopyCutShortAlike) {
  const std::string other = FDir.File("other.mdb");
  Tags partly = kAfter;
  partly[3] = 0;
  WriteTagsFile(other, partly);
  const std::vector<uint8_t> journal = EncodeCommit(IdentityOf(other));
  Tags changed = partly;
  changed[1] = 5;
  Tags longer = kAfter;
  longer.push_back(0);
  const struct {
    const char* FName;
    Tags FFile;
    std::optional<Tags> FPlayedBack;  // nothing: the journal is foreign
  } cases[] = {
      {"a copy cut short", partly, kBefore},
      {"a copy cut shorter, without the appended pages", kBefore, kBefore},
      {"another database", Tags(7, 5), std::nullopt},
      {"a listed page that holds neither image", changed, std::nullopt},
      {"longer than the commit leaves it", longer, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.FName);
    WriteTagsFile(FPath, c.FFile);
    const std::vector<uint8_t> before = ReadWholeFile(FPath);
    WriteWholeFile(Journal(), journal);
    EXPECT_EQ(ReopenAndReadTags(FPath), c.FPlayedBack.value_or(c.FFile));
    if (!c.FPlayedBack) {
      EXPECT_EQ(ReadWholeFile(FPath), before);
    }
    EXPECT_FALSE(FileExists(Journal()));
  }
}

// The journal's file is gone and FPath holds a file that got its inode number, or holds the
// journal's own file. The birth time tells them apart; without it, or when the file changed
// since, only a file whose listed pages hold the journal's images is written, and any other is
// refused with the journal beside it, both byte for byte.
TEST_F(JournalTest, JournalIsPlayedOnlyIntoTheFileItWasWrittenFor) {
  if (!SystemRecordsBirthTime()) GTEST_SKIP() << kNoBirthTime;
  Tags partly = kAfter;
  partly[3] = 0;
  Tags torn = kAfter;
  torn[3] = 5;  // a page that a power loss left holding neither image
  Tags longer = kAfter;
  longer.push_back(0);
  std::vector<uint8_t> text(7 * kPageSize, 'a');
  for (size_t i = 79; i < text.size(); i += 80) text[i] = '\n';
  enum class Outcome { PlayedBack, Untouched, Refused };
  const auto otherBirth = [](FileIdentity& id) { id.FBirthTime = *id.FBirthTime - 1; };
  const auto noBirth = [](FileIdentity& id) { id.FBirthTime.reset(); };
  const auto same = [](FileIdentity&) {};
  const struct {
    const char* FName;
    std::vector<uint8_t> FFile;
    std::function<void(FileIdentity&)> FRecorded;  // from the file's identity to the journal's
    Outcome FOutcome;
  } cases[] = {
      {"another database under the reused number", TagsImage(Tags(7, 5)), otherBirth, Outcome::Untouched},
      {"a text file under the reused number", text, otherBirth, Outcome::Untouched},
      {"a copy cut short alike under the reused number", TagsImage(partly), otherBirth, Outcome::PlayedBack},
      {"no birth time, pages as a kill leaves them", TagsImage(partly), noBirth, Outcome::PlayedBack},
      {"no birth time, a page that holds neither image", TagsImage(torn), noBirth, Outcome::Refused},
      {"the same file, a page that holds neither image", TagsImage(torn), same, Outcome::PlayedBack},
      {"the same file, grown since", TagsImage(longer), same, Outcome::Refused},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.FName);
    std::filesystem::remove(FPath);
    WriteWholeFile(FPath, c.FFile);
    FileIdentity recorded = IdentityOf(FPath);
    ASSERT_TRUE(recorded.FBirthTime) << "the test's file system records no birth time";
    c.FRecorded(recorded);
    const std::vector<uint8_t> journal = EncodeCommit(recorded);
    WriteWholeFile(Journal(), journal);
    switch (c.FOutcome) {
      case Outcome::PlayedBack:
        EXPECT_EQ(ReopenAndReadTags(FPath), kBefore);
        EXPECT_FALSE(FileExists(Journal()));
        break;
      case Outcome::Untouched:
        ReopenAndReadTags(FPath);
        EXPECT_EQ(ReadWholeFile(FPath), c.FFile);
        EXPECT_FALSE(FileExists(Journal()));
        break;
      case Outcome::Refused:
        try {
          Pager pager(Vfs::System(), FPath);
          ADD_FAILURE() << "opened";
        } catch (const JetError& e) {
          EXPECT_EQ(e.Kind(), ErrorKind::Corrupt);
          EXPECT_NE(std::string(e.what()).find("“" + FPath + "”"), std::string::npos) << e.what();
          EXPECT_NE(std::string(e.what()).find("“" + Journal() + "”"), std::string::npos) << e.what();
        }
        EXPECT_EQ(ReadWholeFile(FPath), c.FFile);
        EXPECT_EQ(ReadWholeFile(Journal()), journal);
        break;
    }
  }
}

TEST_F(JournalTest, PlaybackTwiceGivesTheSameFile) {
  Tags partly = kAfter;
  partly[1] = 0;
  WriteTagsFile(FPath, partly);
  const std::vector<uint8_t> journal = EncodeCommit(IdentityOf(FPath));
  auto database = Vfs::System().Open(FPath, Vfs::OpenMode::ExistingReadWrite);
  WriteWholeFile(Journal(), journal);
  auto file = Vfs::System().Open(Journal(), Vfs::OpenMode::ExistingReadWrite);
  const JournalFinding found = ExamineJournal(*file, *database);
  ASSERT_EQ(found.FState, JournalState::Hot);
  PlayBackJournal(*file, *database, found.FHeader);
  const std::vector<uint8_t> once = ReadWholeFile(FPath);
  EXPECT_EQ(ExamineJournal(*file, *database).FState, JournalState::Hot);
  PlayBackJournal(*file, *database, found.FHeader);
  EXPECT_EQ(ReadWholeFile(FPath), once);
}

}  // namespace
}  // namespace ipmdb::jet
