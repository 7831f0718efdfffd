// RC4 keystream generator. Jet uses it, with fixed or header-derived 4-byte keys, to obscure
// part of page 0 and every stored security identifier; XORing the keystream on twice restores
// the bytes.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace ipmdb::jet {

class Rc4 {
 public:
  explicit Rc4(std::span<const uint8_t> key);
  uint8_t Next();
  // XORs the next bytes of the keystream onto the buffer.
  void Apply(std::span<uint8_t> bytes);

 private:
  std::array<uint8_t, 256> FState{};
  uint8_t FI = 0;
  uint8_t FJ = 0;
};

}  // namespace ipmdb::jet
