#include "jet/Rc4.h"

#include <utility>

namespace ipmdb::jet {

Rc4::Rc4(std::span<const uint8_t> key) {
  for (int i = 0; i < 256; ++i) FState[i] = uint8_t(i);
  uint8_t j = 0;
  for (int i = 0; i < 256; ++i) {
    j = uint8_t(j + FState[i] + key[i % key.size()]);
    std::swap(FState[i], FState[j]);
  }
}

uint8_t Rc4::Next() {
  FI = uint8_t(FI + 1);
  FJ = uint8_t(FJ + FState[FI]);
  std::swap(FState[FI], FState[FJ]);
  return FState[uint8_t(FState[FI] + FState[FJ])];
}

void Rc4::Apply(std::span<uint8_t> bytes) {
  for (uint8_t& b : bytes) b ^= Next();
}

}  // namespace ipmdb::jet
