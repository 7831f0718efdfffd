// Long values (Memo, OLE) read from a damaged file: a chain of chunks that loops back must be
// reported at once, not followed until its stated length is used up.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <stdexcept>
#include <vector>

#include "jet/Bytes.h"
#include "jet/Error.h"
#include "jet/LongValue.h"
#include "jet/PageLayout.h"

namespace ipmdb::jet {
namespace {

constexpr uint32_t kFirstChunk = MakeRowPointer(20, 0);
constexpr uint32_t kSecondChunk = MakeRowPointer(21, 3);
constexpr size_t kMaxFetches = 1000;

std::vector<uint8_t> ChainedDescriptor(uint32_t length, uint32_t first) {
  std::vector<uint8_t> descriptor(longvalue::kDescriptorSize, 0);
  PutU32(&descriptor[longvalue::kLengthOffset], length | longvalue::kChained);
  PutU32(&descriptor[longvalue::kRowPointerOffset], first);
  return descriptor;
}

// A chunk is the next chunk's row pointer followed by its data.
std::vector<uint8_t> Chunk(uint32_t next, size_t dataBytes) {
  std::vector<uint8_t> chunk(longvalue::kChunkPointerSize + dataBytes, 0x5A);
  PutU32(chunk.data(), next);
  return chunk;
}

struct LoopCase {
  const char* name;
  size_t dataBytesPerChunk;
  bool twoChunks;  // first -> second -> first, else first -> first
};

void PrintTo(const LoopCase& c, std::ostream* os) { *os << c.name; }

class ChainThatLoops : public ::testing::TestWithParam<LoopCase> {};

TEST_P(ChainThatLoops, IsReportedDamaged) {
  const LoopCase c = GetParam();
  size_t fetches = 0;
  const LongValueRowFetcher fetch = [&](uint32_t pointer) {
    if (++fetches > kMaxFetches) throw std::runtime_error("the chain was followed round its loop");
    const uint32_t next = c.twoChunks && pointer == kFirstChunk ? kSecondChunk : kFirstChunk;
    return Chunk(next, c.dataBytesPerChunk);
  };
  EXPECT_THROW(ReadLongValue(ChainedDescriptor(longvalue::kLengthMask, kFirstChunk), 0, fetch), JetError);
}

INSTANTIATE_TEST_SUITE_P(Loops, ChainThatLoops,
                         ::testing::Values(LoopCase{"EmptyChunkToItself", 0, false},
                                           LoopCase{"ChunkToItself", 100, false},
                                           LoopCase{"TwoChunksToEachOther", 100, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ipmdb::jet
