// Feeds arbitrary bytes to the parsers of the keeper's messages. Whatever a
// parser accepts must encode back to the very same bytes: one message, one
// meaning, and nothing read that was not there.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "keeper/protocol/keeper_protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> message(data, size);
  if (const auto request = keeper::ParseRequest(message)) {
    const std::vector<std::uint8_t> again = keeper::Encode(*request);
    if (!std::equal(message.begin(), message.end(), again.begin(), again.end())) std::abort();
  }
  if (const auto reply = keeper::ParseReply(message)) {
    const std::vector<std::uint8_t> again = keeper::Encode(*reply);
    if (!std::equal(message.begin(), message.end(), again.begin(), again.end())) std::abort();
  }
  return 0;
}
