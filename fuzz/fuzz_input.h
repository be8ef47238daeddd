// What the three fuzz targets share: how their bytes become calls, how the caller's text is
// handed over, and how a broken invariant is reported.
#ifndef TUNELEDGER_FUZZ_FUZZ_INPUT_H
#define TUNELEDGER_FUZZ_FUZZ_INPUT_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "search/kernels/find_folded.h"
#include "tests/kit/calls.h"
#include "tests/kit/reference_model.h"
#include "tests/kit/text.h"
#include "tuneledger.h"

namespace fuzz {

// Larger inputs are skipped: a few repeat codes already make texts of megabytes.
inline constexpr std::size_t MaxInputBytes = 8192;
// A text stops growing here: 4 Mi units, 8 MB of UTF-16.
inline constexpr std::size_t MaxTextUnits = std::size_t{1} << 22;

// Reads a fuzz input front to back; past its end every byte is 0.
class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool Empty() const { return position_ == size_; }
  std::uint8_t Byte() { return Empty() ? 0 : data_[position_++]; }

  // An index or a start. One byte picks: the edges of the table and of int32, a value near the
  // table (-1000 to 64535, from two more bytes) or any int32 (from four more bytes).
  std::int32_t Number() {
    static constexpr std::int32_t Edges[] = {std::numeric_limits<std::int32_t>::min(), -1, 0, 11081, 11082,
                                             std::numeric_limits<std::int32_t>::max()};
    std::uint8_t choice = Byte() % 8;
    if (choice < 6) return Edges[choice];
    if (choice == 6) return static_cast<std::int32_t>(Bytes(2)) - 1000;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(Bytes(4)));
  }

  // The rest of the input as UTF-16, built so that the dictionary's words arrive as they are
  // and every other kind of unit is a byte or three away:
  //   00-7F      that character (00 is a NUL, which ends the text for the library)
  //   80-EF, F9-FF  the code-page character of that byte (80 is the euro sign)
  //   F0 hi lo   the unit hi*256+lo, whatever it is
  //   F1 F2      a lone high surrogate, a lone low surrogate
  //   F3 F4      a surrogate pair (U+1F600), the same two units reversed
  //   F5 F6 F7   U+0100, U+FFFF, U+FEFF: beyond the code page
  //   F8 k r     the last k%64+1 units again, (r+1)^2 times: texts of megabytes
  std::u16string Text() {
    std::u16string text;
    while (!Empty() && text.size() < MaxTextUnits) {
      std::uint8_t byte = Byte();
      switch (byte) {
        case 0xF0: text += static_cast<char16_t>(Bytes(2)); break;
        case 0xF1: text += u'\xD83D'; break;
        case 0xF2: text += u'\xDE00'; break;
        case 0xF3: text += u"\xD83D\xDE00"; break;
        case 0xF4: text += u"\xDE00\xD83D"; break;
        case 0xF5: text += u'\x0100'; break;
        case 0xF6: text += u'\xFFFF'; break;
        case 0xF7: text += u'\xFEFF'; break;
        case 0xF8: Repeat(text); break;
        default: text += kit::CharOfByte(byte);
      }
    }
    if (text.size() > MaxTextUnits) text.resize(MaxTextUnits);
    return text;
  }

 private:
  std::uint32_t Bytes(int count) {
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i) value = value << 8 | Byte();
    return value;
  }

  void Repeat(std::u16string& text) {
    std::size_t piece = Byte() % 64u + 1;
    std::size_t root = Byte() + 1u;
    std::size_t times = root * root;
    if (piece > text.size()) piece = text.size();
    std::u16string unit = text.substr(text.size() - piece);
    for (std::size_t i = 0; i < times && text.size() < MaxTextUnits; ++i) text += unit;
  }

  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t position_ = 0;
};

// The caller's text as the library is handed it: a heap block of exactly the units it may read
// (reference::UnitsToDecide), so that reading one unit further is an AddressSanitizer report.
// A text longer than the library takes is handed without its terminator.
class HandedText {
 public:
  HandedText(const char16_t* text, std::size_t longest)
      : null_(text == nullptr), units_(text, text + reference::UnitsToDecide(text, longest)) {}

  const char16_t* get() const {
    return null_ ? nullptr : units_.data();
  }
  bool Unchanged(const char16_t* text) const {
    for (std::size_t i = 0; i < units_.size(); ++i) {
      if (units_[i] != text[i]) return false;
    }
    return true;
  }

 private:
  bool null_;
  std::vector<char16_t> units_;
};

// Makes the searches answer this input with one of the folded-search variants this processor
// runs (portable, SSE2, AVX2), taking turns by input size, so every variant meets the model.
inline void UseSearchVariantFor(std::size_t size) {
  std::size_t count = 0;
  const tuneledger::FindFoldedVariant* variants = tuneledger::FindFoldedVariants(&count);
  tuneledger::UseFindFolded(variants[size % count].find);
}

inline void Require(bool holds, const char* invariant) {
  if (holds) return;
  std::fprintf(stderr, "invariant broken: %s\n", invariant);
  std::abort();
}

inline void RequireEqual(const std::u16string& answer, const std::u16string& expected, const char* what) {
  if (answer == expected) return;
  std::fprintf(stderr, "library: %s\nmodel:   %s\n", kit::Printable(answer, kit::ResultCapacity).c_str(),
               kit::Printable(expected, kit::ResultCapacity).c_str());
  Require(false, what);
}

// The answer as text, once it is sure to end within the result text's capacity.
inline std::u16string Read(const tuneledger_char* answer) {
  std::u16string text = kit::Read(answer);
  Require(text.size() < kit::ResultCapacity, "the answer ends within 3000 units");
  return text;
}

// The entries the model must look at to judge an answer: up to the library's hit, since a hit
// found earlier or none found there both show a wrong answer; all of them for "NOT FOUND!".
inline int LastToCheck(const std::u16string& answer) {
  int hit = kit::HitIndex(answer);
  return hit != kit::NoEntry ? hit : reference::LastIndex;
}

// Each operation's answer must always sit in the same place: the thread's own result text.
inline void RequireSamePlace(const tuneledger_char*& first, const tuneledger_char* answer) {
  if (first == nullptr) first = answer;
  Require(answer == first, "every answer of an operation sits in the thread's one result text for it");
}

// The answers of the two operations not being fuzzed, taken before a call (cheaply: each one
// decides at its first entry), to show that the call leaves them alone.
class Bystanders {
 public:
  explicit Bystanders(kit::Operation fuzzed) {
    static constexpr struct {
      kit::Operation operation;
      const char16_t* text;
      std::int32_t number;
    } Calls[] = {
        {kit::Operation::Lookup, nullptr, 4},
        {kit::Operation::TextSearch, u"|46547|", 11081},
        {kit::Operation::TermFilter, u"(x124);", 4},
    };
    for (const auto& call : Calls) {
      if (call.operation != fuzzed) Keep(kit::Call(kit::InProcess(), call.operation, call.text, call.number));
    }
  }

  void RequireUnchanged() const {
    for (const Kept& kept : kept_) {
      RequireEqual(Read(kept.answer), kept.text, "a call leaves the other operations' answers alone");
    }
  }

 private:
  struct Kept {
    const tuneledger_char* answer;
    std::u16string text;
  };
  void Keep(const tuneledger_char* answer) { kept_.push_back({answer, Read(answer)}); }

  std::vector<Kept> kept_;
};

}  // namespace fuzz

#endif
