#include "search/matching.h"

namespace tuneledger {

void FoldCase(char* text, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) text[i] = FoldByte(text[i]);
}

}  // namespace tuneledger
