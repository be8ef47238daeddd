// A filter first drops what can't change its answer: empty terms, repeated terms and, in a short
// filter, terms a longer term holds. A filter of one term is then searched for as a text is.
// Otherwise each term gives the entry rows of its bytes, and each term that they don't answer alone
// gets its needle once. The candidates are the entries that hold every one of those bytes, 64
// entries a word of the rows. A caller paging through the hits finds the next one mostly a few
// entries on, so the candidates of the start's word are checked first. Then the index: a term
// longer than any entry, or with a byte, pair or triple that occurs nowhere in the table, passes no
// entry, and neither does a filter whose terms meet in no block. Then the walk, over the candidates
// in the blocks every term may be in: in each, the terms are checked, the one that failed last
// first, and a term that fails is searched for instead: its next hit is where the walk goes on, so
// a term rare where the others are moves the walk in long strides. Every term remembers its next
// hit, so no term searches a stretch of the table twice.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "data/chart_table.h"
#include "search/index/block_index.h"
#include "search/kernels/lowest_bit.h"
#include "search/kernels/processor.h"
#include "search/matching.h"
#include "search/operations.h"
#include "search/scan.h"

#if defined(__i386__) || defined(__x86_64__)
#include <emmintrin.h>
#endif
#if defined(TUNELEDGER_NEON_BESIDE)
#include <arm_neon.h>
#endif

namespace tuneledger {
namespace {

// Every term takes at least a byte and its ';'.
constexpr std::size_t MostTerms = (LongestFilter + 1) / 2;

// FNV-1a: the terms only need to be told apart, and the field is short.
std::uint32_t HashOf(const char* text, std::size_t length) {
  std::uint32_t hash = 2166136261u;
  for (std::size_t i = 0; i < length; ++i) hash = (hash ^ static_cast<unsigned char>(text[i])) * 16777619u;
  return hash;
}

// A term's slot among 2^`bits`: the high bits of its hash times a large odd constant. FNV-1a's
// low bits alone would heap terms that differ in a digit or two onto neighbouring slots.
std::size_t SlotOf(std::uint32_t hash, int bits) { return (hash * 0x9E3779B1u) >> (32 - bits); }

// Whether the `length` bytes at `a` and at `b` are the same. Terms are short: a loop here costs
// less than a call to the C library's memcmp.
bool SameBytes(const char* a, const char* b, std::size_t length) {
  std::size_t same = 0;
  while (same < length && a[same] == b[same]) ++same;
  return same == length;
}

// Where the bytes from `at` on first differ from those a period before them, sixteen bytes a
// step with the processor's vectors, as far as whole steps reach; EndOfRepeats's own loop goes on
// from there. (32-bit x86 and ARM assume neither SSE2 nor NEON: there each is compiled for it and
// runs once the processor has said it has it.)
#if defined(__i386__) || defined(__x86_64__)
TUNELEDGER_SSE2_FUNCTION std::size_t SameAsPeriodBeforeSse2(const char* filter, std::size_t length, std::size_t at,
                                                            std::size_t period) {
  for (; at + 16 <= length; at += 16) {
    const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(filter + at));
    const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(filter + at - period));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(here, before)) != 0xFFFF) break;
  }
  return at;
}
#endif

#if defined(TUNELEDGER_NEON_BESIDE)
[[gnu::target("fpu=neon")]] std::size_t SameAsPeriodBeforeNeon(const char* filter, std::size_t length, std::size_t at,
                                                               std::size_t period) {
  // 32 bytes a step, asking once whether any differ, and then sixteen: moving a comparison to
  // core registers costs NEON as much as the comparison.
  const auto* here = reinterpret_cast<const std::uint8_t*>(filter) + at;
  const auto* const end = reinterpret_cast<const std::uint8_t*>(filter) + length;
  const auto differ = [&](std::size_t from) __attribute__((target("fpu=neon"), always_inline)) {
    return veorq_u8(vld1q_u8(here + from), vld1q_u8(here + from - period));
  };
  const auto any = [](uint8x16_t differing) __attribute__((target("fpu=neon"), always_inline)) {
    const uint32x2_t halves = vreinterpret_u32_u8(vorr_u8(vget_low_u8(differing), vget_high_u8(differing)));
    return (vget_lane_u32(halves, 0) | vget_lane_u32(halves, 1)) != 0;
  };
  for (; end - here >= 32 && !any(vorrq_u8(differ(0), differ(16))); here += 32) {
  }
  for (; end - here >= 16 && !any(differ(0)); here += 16) {
  }
  return static_cast<std::size_t>(here - reinterpret_cast<const std::uint8_t*>(filter));
}
#endif

// Where the repeats end of the term closed by the ';' at `end`, as in a filter that repeats one
// term many times: its bytes and a ';' again, each repeat `period` bytes. Returns the ';' that
// closes the last whole repeat (`end` itself when none follows). Each byte from `end + 1` on is
// compared with the byte a period before it, sixteen or more at a time with vectors and then
// eight in a word, so a long run costs a few instructions a repeat. (Called before the term is
// moved, while the bytes before `end` are still the filter's own.)
std::size_t EndOfRepeats(const char* filter, std::size_t length, std::size_t end, std::size_t period) {
  std::size_t at = end + 1;
#if defined(__SSE2__)
  at = SameAsPeriodBeforeSse2(filter, length, at, period);
#elif defined(__i386__)
  if (RunsVectors()) at = SameAsPeriodBeforeSse2(filter, length, at, period);
#elif defined(TUNELEDGER_NEON_BESIDE)
  if (RunsVectors()) at = SameAsPeriodBeforeNeon(filter, length, at, period);
#endif
  for (std::uint64_t here, before; at + 8 <= length; at += 8) {
    std::memcpy(&here, filter + at, 8);
    std::memcpy(&before, filter + at - period, 8);
    if (here != before) break;
  }
  while (at < length && filter[at] == filter[at - period]) ++at;
  // Every byte before `at` is the byte a period before it, so every ';' from `end` on closes a
  // whole repeat (the term holds none): the last whole repeat ends at the last ';' before `at`.
  std::size_t last = at - 1;
  while (filter[last] != ';') --last;
  return last;
}

// A filter this short has a few terms (at most 16), and each pair of them is compared once, which
// costs less than setting up a set of them: a term is dropped when it repeats one before it, and
// when a longer term holds it, since every entry that holds "|0|1" holds "0|" and "0|1".
// (Distinct terms of one length never hold each other, so of terms that do the longest stay.)
constexpr std::size_t ShortFilter = 32;

// Whether the `length` bytes at `term` stand in the `within` bytes at `text`.
bool StandsIn(const char* term, std::size_t length, const char* text, std::size_t within) {
  for (std::size_t at = 0; at + length <= within; ++at) {
    if (text[at] == term[0] && SameBytes(text + at + 1, term + 1, length - 1)) return true;
  }
  return false;
}

// KeepDistinctTerms for a filter of at most ShortFilter bytes, which also drops the terms a
// longer one holds.
std::size_t KeepNeededShortTerms(char* filter, std::size_t length) {
  constexpr std::size_t MostShortTerms = ShortFilter / 2;
  std::uint8_t starts[MostShortTerms], sizes[MostShortTerms];
  std::size_t count = 0;
  bool empty_terms = false;
  for (std::size_t i = 0, piece = 0; i < length; ++i) {
    if (filter[i] != ';') {
      ++piece;
    } else if (piece != 0) {
      starts[count] = static_cast<std::uint8_t>(i - piece);
      sizes[count++] = static_cast<std::uint8_t>(piece);
      piece = 0;
    } else {
      empty_terms = true;
    }
  }
  // Each pair once: of two equal terms the later goes, and of two that differ in length the
  // shorter, where the longer holds it; but not a byte the entry rows answer exactly, which costs
  // the walk nothing (and looking for it would cost the call).
  const auto held = [&](std::size_t shorter, std::size_t longer) {
    const char* term = filter + starts[shorter];
    if (sizes[shorter] == 1 && EntrySieve::Exact(term[0])) return false;
    return StandsIn(term, sizes[shorter], filter + starts[longer], sizes[longer]);
  };
  std::uint32_t dropped = 0;  // bit t: the term t goes
  for (std::size_t t = 1; t < count; ++t) {
    for (std::size_t o = 0; o < t; ++o) {
      if (sizes[o] == sizes[t]) {
        if (SameBytes(filter + starts[o], filter + starts[t], sizes[t])) dropped |= std::uint32_t{1} << t;
      } else if (sizes[o] > sizes[t]) {
        if (held(t, o)) dropped |= std::uint32_t{1} << t;
      } else if (held(o, t)) {
        dropped |= std::uint32_t{1} << o;
      }
    }
  }
  if (dropped == 0 && !empty_terms) return count == 0 ? 0 : starts[count - 1] + sizes[count - 1] + 1;
  // Otherwise the terms that stay move towards the start, in order: none moves before a term
  // is left out.
  std::size_t kept = 0;
  for (std::size_t t = 0; t < count; ++t) {
    if ((dropped >> t & 1) != 0) continue;
    // A loop rather than std::copy, whose call to memmove would cost every short filter's frame
    // (its registers saved) even where nothing moves.
    if (kept != starts[t]) {
      for (std::size_t i = 0; i <= sizes[t]; ++i) filter[kept + i] = filter[starts[t] + i];
    }
    kept += sizes[t] + 1;
  }
  return kept;
}

// How far past a term's start a long filter is folded at once.
constexpr std::size_t FoldAhead = 16;

// Folds the filter and compacts it in place to its distinct non-empty terms, each still closed by
// ';' and in the order of their first appearance, and returns the length they take (a short filter
// also drops the terms a longer one holds). What follows the last ';' is no term. Kept apart (and
// not inlined) so that its set of terms and the walk's terms never share a stack frame.
[[gnu::noinline]] std::size_t KeepDistinctTerms(char* filter, std::size_t length) {
  if (length <= ShortFilter) {
    FoldCase(filter, length);
    return KeepNeededShortTerms(filter, length);
  }
  // A longer filter keeps its terms in a set, with at least twice as many slots as it can have
  // terms, and only those are cleared, once a second term comes: a filter of one term repeated,
  // however long, needs none. Only the terms looked up in the set are folded, each with the
  // bytes up to FoldAhead past its start (a call for every few terms, not one for each): the
  // bytes of a run of repeats, passed over, mostly never are. (A repeat that differs in case from
  // the term before it is no repeat of the run, but a term the set finds.)
  constexpr std::size_t MostSlots = 4096;  // a power of two, more than twice MostTerms
  static_assert(LongestFilter + 2 <= MostSlots);
  std::uint16_t kept_at[MostSlots];        // 1 + where a kept term starts; 0 for an empty slot
  std::size_t slots = 16;
  int slot_bits = 4;
  for (; slots < length + 2; ++slot_bits) slots *= 2;
  const std::size_t mask = slots - 1;
  bool set_made = false;
  std::size_t kept = 0, piece = 0;
  std::size_t folded = 0;  // the bytes before it are folded (but those of a run passed over)
  for (std::size_t i = 0; i < length; ++i) {
    if (filter[i] != ';') {
      ++piece;
      continue;
    }
    if (piece == 0) continue;
    char* term = filter + i - piece;
    const std::size_t repeats_end = EndOfRepeats(filter, length, i, piece + 1);
    if (i >= folded) {
      const std::size_t from = std::max(folded, i - piece);
      folded = std::min(length, std::max(i + 1, from + FoldAhead));
      FoldCase(filter + from, folded - from);
    }
    bool seen = false;
    std::size_t slot = 0;
    if (kept != 0) {
      if (!set_made) {
        std::fill(kept_at, kept_at + slots, std::uint16_t{0});
        kept_at[SlotOf(HashOf(filter, kept - 1), slot_bits)] = 1;  // the first term, at the start
        set_made = true;
      }
      for (slot = SlotOf(HashOf(term, piece), slot_bits); kept_at[slot] != 0 && !seen; slot = (slot + 1) & mask) {
        const char* other = filter + kept_at[slot] - 1;
        seen = other[piece] == ';' && SameBytes(other, term, piece);
      }
    }
    if (!seen) {
      // A term moves only once an earlier one was dropped; the bytes may overlap, and the copy
      // runs forwards, which is safe since the term moves towards the start.
      if (filter + kept != term) std::copy(term, term + piece + 1, filter + kept);
      if (set_made) kept_at[slot] = static_cast<std::uint16_t>(kept + 1);
      kept += piece + 1;
    }
    i = repeats_end;
    piece = 0;
  }
  return kept;
}

// How many terms' needles a filter keeps made (the rest are made at each check), and the mark of
// a term without one.
constexpr std::size_t KeptNeedles = 16;
constexpr std::uint8_t NoKeptNeedle = 0x7F;

// A term the walk checks in its candidates: where it lies in the field and its needle's two rare
// bytes. Before the walk, `order` says where the term goes: the term likely to hold in fewest
// entries first. During the walk, `next` is the first entry from an earlier candidate on known
// to hold it (below the candidate: not known).
struct Term {
  std::uint16_t offset;
  std::uint8_t length;
  std::uint8_t rare;
  std::uint8_t other;
  std::uint8_t needle : 7;  // where its needle is kept in the filter, or NoKeptNeedle
  bool failed_last : 1;     // during the walk: whether the term failed in the candidate before
  union {
    std::int16_t order;
    std::int16_t next;
  };
};
static_assert(LastEntryIndex <= INT16_MAX && LongestEntry <= UINT8_MAX && LongestFilter <= UINT16_MAX);

// A filter as the walk takes it: the terms it checks in each candidate, and the entry rows of
// every term's bytes, which leave as candidates only the entries that hold all of those bytes.
// A term of one byte with a row (or that every entry holds) needs no check: the rows say
// exactly which entries hold it.
struct Filter {
  const char* text;  // the terms, each closed by ';'
  Term terms[MostTerms];
  std::size_t count;  // of terms to check
  // The needles of the first terms to check, made once: a term's needle serves many checks.
  Needle needles[KeptNeedles];
  EntrySieve sieve;
  FindFoldedFunction find;
};

// The length of the term at `text`, which is closed by ';'. Terms are short: a loop here costs
// less than a call to the C library's memchr.
std::size_t TermLength(const char* text) {
  std::size_t length = 0;
  while (text[length] != ';') ++length;
  return length;
}

// The needle of `term`: the one the filter keeps, or one made in `made`.
const Needle& NeedleOf(const Filter& filter, const Term& term, Needle& made) {
  if (term.needle != NoKeptNeedle) return filter.needles[term.needle];
  made = ForKernel({filter.text + term.offset, term.length, term.rare, term.other, term.rare, {}});
  return made;
}

// Reads the terms of `terms_text` (distinct non-empty folded terms, each closed by ';', in
// `length` bytes, at least one) into `filter`: the rows of their bytes, and each term that needs
// checking with its needle's rare bytes. Returns false when a term is longer than any entry.
bool ReadTerms(const char* terms_text, std::size_t length, Filter& filter) {
  filter.text = terms_text;
  filter.count = 0;
  for (std::size_t at = 0; at < length;) {
    const char* text = terms_text + at;
    const std::size_t size = TermLength(text);
    if (size > LongestEntry) return false;
    for (std::size_t i = 0; i < size; ++i) filter.sieve.Hold(text[i]);
    if (size > 1 || !EntrySieve::Exact(text[0])) {
      // Only a kept needle is made whole here: a filter may stop before any check.
      const Needle needle = NeedleWithRareBytes(text, size);
      std::uint8_t kept = NoKeptNeedle;
      if (filter.count < KeptNeedles) {
        kept = static_cast<std::uint8_t>(filter.count);
        filter.needles[kept] = ForKernel(needle);
      }
      // No entry is known to hold the term yet: `next` is -1.
      filter.terms[filter.count++] = {static_cast<std::uint16_t>(at), static_cast<std::uint8_t>(size),
                                      static_cast<std::uint8_t>(needle.rare), static_cast<std::uint8_t>(needle.other),
                                      static_cast<std::uint8_t>(kept & NoKeptNeedle), false, {-1}};
    }
    at += size + 1;
  }
  filter.sieve.Seal();
  return true;
}

// The first term `entry` does not hold, or filter.count when it holds them all. A term known to
// hold there is not looked for again.
std::size_t FirstFailing(const Filter& filter, int entry) {
  for (std::size_t i = 0; i < filter.count; ++i) {
    const Term& term = filter.terms[i];
    Needle made;
    if (term.next != entry && !ContainsFolded(entry, NeedleOf(filter, term, made), filter.find)) return i;
  }
  return filter.count;
}

// A caller paging through the hits asks again from the entry after each, and the next mostly
// lies a few entries on: before the index is consulted, the candidates of `start`'s word of the
// entry rows are checked, the term that failed last first, until NearTries of them failed.
// Returns whether one holds every term, and sets `start` to it, or else to where the search
// goes on.
constexpr int NearTries = 3;
bool PassesNearStart(Filter& filter, int& start) {
  const int word = start / 64;
  int tries = 0;
  for (std::uint64_t bits = filter.sieve.Candidates(word, start); bits != 0; bits &= bits - 1) {
    const int entry = word * 64 + LowestBit(bits);
    const std::size_t failed = FirstFailing(filter, entry);
    if (failed == filter.count) {
      start = entry;
      return true;
    }
    std::swap(filter.terms[0], filter.terms[failed]);
    if (++tries == NearTries) {
      start = entry + 1;
      return false;
    }
  }
  start = (word + 1) * 64;
  return false;
}

// For the terms to check, the blocks from `start` every term may be in, in `blocks`, and each
// term's place in the walk's order. Returns false when no entry from `start` on can hold them
// all: most filters that pass nothing stop here, early. Inlined into its one caller: for a
// filter that stops here, a call's cost is some 3 % of the whole.
[[gnu::always_inline]] inline bool PrepareTerms(Filter& filter, int start, BlockMask& blocks) {
  Term* terms = filter.terms;
  const std::size_t count = filter.count;
  const bool use_index = !FewBytesFrom(start);
  if (use_index) {
    for (std::size_t i = 0; i < count; ++i) {
      if (!blocks.KeepBlocksHolding(filter.text + terms[i].offset, terms[i].length)) return false;
    }
    for (std::size_t i = 0; i < count; ++i) {
      const char* text = filter.text + terms[i].offset;
      if (WorthAskingWhichPiecesOccur(terms[i].length, blocks) && !EveryPieceOccurs(text, terms[i].length)) {
        return false;
      }
    }
  }
  // An order: the term likely to hold in fewest entries is checked first. Where many blocks are
  // left to walk, that is the term the fewest blocks from the start may hold; otherwise, cheaper
  // to tell, the longest.
  const bool count_blocks = use_index && count > 1 && blocks.MoreThan(8);
  for (std::size_t i = 0; i < count; ++i) {
    Term& term = terms[i];
    if (count_blocks) {
      BlockMask holding(start);
      const bool any = holding.KeepBlocksHolding(filter.text + term.offset, term.length);
      term.order = static_cast<std::int16_t>(any ? holding.Count() : 0);
    } else {
      term.order = static_cast<std::int16_t>(-term.length);
    }
  }
  // Ties go by place in the filter, so that the order (and the work) is the same on every
  // platform: std::sort leaves the order of equal keys open.
  std::sort(terms, terms + count, [](const Term& a, const Term& b) {
    return a.order != b.order ? a.order < b.order : a.offset < b.offset;
  });
  return true;
}

// The first entry from `from` on, in a block `blocks` leaves, that holds the needle, or NoEntry,
// as FirstEntryHolding finds it; but first in the rest of the block of `candidate` (a candidate,
// so in a block left; `from` is it or the entry after it), where the hit mostly lies, with the
// entry found by counting on from `from` (EntryAt's doubling steps cost the walk some 10 % more).
int NextHit(const Needle& needle, const BlockMask& blocks, int candidate, int from, FindFoldedFunction find) {
  const int end = EndEntryOfBlock(candidate / BlockSize);
  if (from < end) {
    if (const char* at = find(EntryStart(from), EntryStart(end), needle)) {
      const auto offset = static_cast<std::uint32_t>(at - EntryBytes);
      int entry = from;
      while (EntryOffsets[entry + 1] <= offset) ++entry;
      return entry;
    }
  }
  return end > LastEntryIndex ? NoEntry : FirstEntryHolding(needle, blocks, end, find);
}

// The candidates of one word of the entry rows (64 entries) in the blocks left: the walk mostly
// takes its next candidate from the word it is in, and the rows are read once a word.
struct HeldWord {
  int word = -1;
  std::uint64_t bits = 0;
};

// The first candidate from `from` on (as EntrySieve::First), from the word `held` while `from`
// lies in it; a word found anew is held.
int NextCandidate(const EntrySieve& sieve, const BlockMask& blocks, int from, HeldWord& held) {
  if (from / 64 == held.word) {
    if (const std::uint64_t bits = held.bits & ~std::uint64_t{0} << (from % 64)) return held.word * 64 + LowestBit(bits);
    from = (held.word + 1) * 64;
  }
  const int next = sieve.First(from, blocks);
  if (next != NoEntry) {
    held.word = next / 64;
    held.bits = blocks.EntriesLeft(held.word) & sieve.Candidates(held.word, held.word * 64);
  }
  return next;
}

// The first entry from `start` on, among the candidates the entry rows and `blocks` leave, that
// holds every term, ordered by PrepareTerms; or NoEntry.
//
// In each candidate the terms are checked, the one that failed last first. A term that fails is
// searched for, and the candidates go on from its next hit: so a term rare where the candidates
// are moves the walk in long strides. A term that failed in the candidate before is searched
// for from the candidate on at once, since a check there would mostly fail again: where its next
// hit is the candidate, it holds there. Every term remembers its next hit, so no term searches a
// stretch of the table twice.
int Walk(Filter& filter, const BlockMask& blocks, int start) {
  Term* terms = filter.terms;
  for (std::size_t i = 0; i < filter.count; ++i) {
    terms[i].next = -1;
    terms[i].failed_last = false;
  }
  HeldWord held;
  for (int candidate = start;;) {
    candidate = NextCandidate(filter.sieve, blocks, candidate, held);
    if (candidate == NoEntry) return NoEntry;
    std::size_t failed = 0;
    for (; failed < filter.count; ++failed) {
      // A term's next hit is never past the candidate: the candidates go on from the last term
      // that failed, to its next hit or further, and the others were found before.
      Term& term = terms[failed];
      if (term.next == candidate) continue;
      Needle made;
      const Needle& needle = NeedleOf(filter, term, made);
      if (!term.failed_last && ContainsFolded(candidate, needle, filter.find)) continue;
      const int from = term.failed_last ? candidate : candidate + 1;
      const int hit = NextHit(needle, blocks, candidate, from, filter.find);
      if (hit == NoEntry) return NoEntry;
      term.next = static_cast<std::int16_t>(hit);
      term.failed_last = hit != candidate;
      if (hit != candidate) break;
    }
    if (failed == filter.count) return candidate;
    candidate = terms[failed].next;
    std::swap(terms[0], terms[failed]);
  }
}

// The first entry from `start` on that holds every term of `terms_text` (distinct non-empty
// folded terms, each closed by ';', in `length` bytes), or NoEntry.
[[gnu::noinline]] int FirstEntryPassing(const char* terms_text, std::size_t length, int start) {
  if (start > LastEntryIndex) return NoEntry;
  if (length == 0) return start;  // no terms: every entry passes
  const std::size_t first_length = TermLength(terms_text);
  if (first_length + 1 == length) return FirstEntryContaining(terms_text, first_length, start);  // one term
  Filter filter;
  if (!ReadTerms(terms_text, length, filter)) return NoEntry;
  static_assert(NoEntry == -1);
  if (filter.count == 0) return filter.sieve.First(start);  // the rows tell it all
  filter.find = ActiveFindFolded();
  if (PassesNearStart(filter, start)) return start;
  if (start > LastEntryIndex) return NoEntry;
  BlockMask blocks(start);
  if (!PrepareTerms(filter, start, blocks)) return NoEntry;
  return Walk(filter, blocks, start);
}

}  // namespace

int TermFilter(char* filter, std::size_t length, std::int32_t start) {
  if (length > LongestFilter) return NoEntry;
  return FirstEntryPassing(filter, KeepDistinctTerms(filter, length), FirstSearched(start));
}

}  // namespace tuneledger
