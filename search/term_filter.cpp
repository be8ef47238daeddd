// A filter first drops what can't change its answer: empty terms and repeated terms. Each term
// left gets its needle once. Where every term stands in most entries, as when a caller pages
// through the hits of common terms, the next hit mostly lies a few entries on: the rest of the
// start's block is checked entry by entry first. Then the index: a term longer than any entry, or
// with a byte, pair or triple that occurs nowhere in the table, passes no entry, and neither does
// a filter whose terms meet in no block. Then the walk: the hits of the term likely to hold in
// fewest entries are the candidates, and in each the other terms are checked, the one that failed
// last first. A term that fails twice in a row is searched for instead, and its next hit becomes
// the candidate, so a term that is rare where the others are moves the walk in long strides.
// Every term remembers where it was last found, so no term searches a stretch of the table twice.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "data/chart_table.h"
#include "search/index/block_index.h"
#include "search/matching.h"
#include "search/operations.h"
#include "search/scan.h"

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

// Whether the `length` bytes at `a` and at `b` are the same. Terms are short: a loop here costs
// less than a call to the C library's memcmp.
bool SameBytes(const char* a, const char* b, std::size_t length) {
  std::size_t same = 0;
  while (same < length && a[same] == b[same]) ++same;
  return same == length;
}

// How many times the term closed by the ';' at `end` comes again right after it, as in a filter
// that repeats one term many times: its bytes and a ';' again, each repeat `period` bytes. Each
// byte from `end + 1` on is compared with the byte a period before it, eight at a time, so a long
// run costs a few instructions a repeat. (Called before the term is moved, while the bytes
// before `end` are still the filter's own.)
std::size_t RepeatsAfter(const char* filter, std::size_t length, std::size_t end, std::size_t period) {
  std::size_t at = end + 1;
  for (std::uint64_t here, before; at + 8 <= length; at += 8) {
    std::memcpy(&here, filter + at, 8);
    std::memcpy(&before, filter + at - period, 8);
    if (here != before) break;
  }
  while (at < length && filter[at] == filter[at - period]) ++at;
  // Whole repeats only: the quotient by shifts and subtractions, since a 32-bit ARM core may
  // have no divide instruction, and the Windows CE DLL no library routine for it.
  std::size_t span = at - end - 1, repeats = 0, step = period, unit = 1;
  while (step <= span >> 1) {
    step <<= 1;
    unit <<= 1;
  }
  for (; unit != 0 && span >= period; step >>= 1, unit >>= 1) {
    if (span >= step) {
      span -= step;
      repeats |= unit;
    }
  }
  return repeats;
}

// A filter this short has a few terms: each is compared with the terms kept before it, which
// costs less than setting up a set of them.
constexpr std::size_t ShortFilter = 32;

// Whether the term of `length` bytes at `term` is one of the terms kept in the first `kept` bytes
// of `filter`. A kept term is closed by ';', which no term holds: equal bytes and a ';' after them
// mean equal terms.
bool AmongKept(const char* filter, std::size_t kept, const char* term, std::size_t length) {
  for (std::size_t at = 0; at < kept; ++at) {
    if (filter[at + length] == ';' && SameBytes(filter + at, term, length)) return true;
    while (filter[at] != ';') ++at;
  }
  return false;
}

// Compacts the folded filter in place to its distinct non-empty terms, each still closed by ';'
// and in the order of their first appearance, and returns the length they take. What follows the
// last ';' is no term. Kept apart (and not inlined) so that its set of terms and the walk's
// terms never share a stack frame.
[[gnu::noinline]] std::size_t KeepDistinctTerms(char* filter, std::size_t length) {
  // A longer filter keeps its terms in a set, with at least twice as many slots as it can have
  // terms, and only those are cleared, once a second term comes: a filter of one term repeated,
  // however long, needs none. Only a longer one can hold long runs of a repeated term.
  const bool in_set = length > ShortFilter;
  constexpr std::size_t MostSlots = 4096;  // a power of two, more than twice MostTerms
  static_assert(LongestFilter + 2 <= MostSlots);
  std::uint16_t kept_at[MostSlots];        // 1 + where a kept term starts; 0 for an empty slot
  std::size_t slots = 16;
  while (slots < length + 2) slots *= 2;
  const std::size_t mask = slots - 1;
  bool set_made = false;
  std::size_t kept = 0, piece = 0;
  for (std::size_t i = 0; i < length; ++i) {
    if (filter[i] != ';') {
      ++piece;
      continue;
    }
    if (piece == 0) continue;
    const char* term = filter + i - piece;
    const std::size_t repeats = in_set ? RepeatsAfter(filter, length, i, piece + 1) : 0;
    bool seen = false;
    std::size_t slot = 0;
    if (kept != 0 && !in_set) {
      seen = AmongKept(filter, kept, term, piece);
    } else if (kept != 0) {
      if (!set_made) {
        std::fill(kept_at, kept_at + slots, std::uint16_t{0});
        kept_at[HashOf(filter, kept - 1) & mask] = 1;  // the first term, at the start
        set_made = true;
      }
      for (slot = HashOf(term, piece) & mask; kept_at[slot] != 0 && !seen; slot = (slot + 1) & mask) {
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
    i += repeats * (piece + 1);
    piece = 0;
  }
  return kept;
}

// A term as the walk uses it: where it lies in the field, its needle's two rare bytes, and how
// often in a row it failed the candidate. Before the walk, `order` says where the term goes: the
// term likely to hold in fewest entries first. During the walk, `next` is the first entry from an
// earlier candidate on known to hold it (below the candidate: not known).
struct Term {
  std::uint16_t offset;
  std::uint8_t length;
  std::uint8_t rare;
  std::uint8_t other;
  std::uint8_t misses;
  union {
    std::int16_t order;
    std::int16_t next;
  };
};
static_assert(LastEntryIndex <= INT16_MAX && LongestEntry <= UINT8_MAX && LongestFilter <= UINT16_MAX);

// The length of the term at `text`, which is closed by ';'. Terms are short: a loop here costs
// less than a call to the C library's memchr.
std::size_t TermLength(const char* text) {
  std::size_t length = 0;
  while (text[length] != ';') ++length;
  return length;
}

Needle NeedleOf(const char* terms_text, const Term& term) {
  return {terms_text + term.offset, term.length, term.rare, term.other};
}

// Where each term of `terms_text` (distinct non-empty folded terms, each closed by ';', in
// `length` bytes, at least one) lies, and its needle's rare bytes, in `terms`. Returns how many
// terms there are, or 0 when one is longer than any entry.
std::size_t ReadTerms(const char* terms_text, std::size_t length, Term* terms) {
  std::size_t count = 0;
  for (std::size_t at = 0; at < length; ++count) {
    const char* text = terms_text + at;
    const std::size_t size = TermLength(text);
    if (size > LongestEntry) return 0;
    const Needle needle = MakeNeedle(text, size);
    terms[count] = {static_cast<std::uint16_t>(at), static_cast<std::uint8_t>(size),
                    static_cast<std::uint8_t>(needle.rare), static_cast<std::uint8_t>(needle.other), 0, {0}};
    at += size + 1;
  }
  return count;
}

// The first entry from `start` to `end` (one past the last to check) that holds all `count`
// terms, checked entry by entry, the term that failed last first; or `end`.
int FirstEntryOfRange(const char* terms_text, const Term* terms, std::size_t count, int start, int end,
                      FindFoldedFunction find) {
  std::size_t failed = 0;
  for (; start < end; ++start) {
    if (!ContainsFolded(start, NeedleOf(terms_text, terms[failed]), find)) continue;
    std::size_t i = 0;
    while (i < count && (i == failed || ContainsFolded(start, NeedleOf(terms_text, terms[i]), find))) ++i;
    if (i == count) return start;
    failed = i;
  }
  return end;
}

// Whether every term's rarest byte stands in most entries: a caller paging through the hits asks
// again from the entry after each, and the next is mostly a few entries on.
bool EveryTermStandsInMostEntries(const char* terms_text, const Term* terms, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    if (!StandsInMostEntries(NeedleOf(terms_text, terms[i]))) return false;
  }
  return true;
}

// For the `count` terms of `terms_text` read by ReadTerms, the blocks from `start` every term may
// be in, in `blocks`, and each term's place in the walk's order. Returns false when no entry from
// `start` on can hold them all: most filters that pass nothing stop here, early. Inlined into its
// one caller: for a filter that stops here, a call's cost is some 3 % of the whole.
[[gnu::always_inline]] inline bool PrepareTerms(const char* terms_text, Term* terms, std::size_t count, int start,
                                                BlockMask& blocks) {
  const bool use_index = !FewBytesFrom(start);
  if (use_index) {
    for (std::size_t i = 0; i < count; ++i) {
      blocks.KeepBlocksHolding(terms_text + terms[i].offset, terms[i].length);
      if (blocks.Empty()) return false;
    }
    for (std::size_t i = 0; i < count; ++i) {
      const char* text = terms_text + terms[i].offset;
      if (WorthAskingWhichPiecesOccur(terms[i].length, blocks) && !EveryPieceOccurs(text, terms[i].length)) {
        return false;
      }
    }
  }
  // An order: the term likely to hold in fewest entries leads the walk. Where many blocks are
  // left to walk, that is the term the fewest blocks from the start may hold; otherwise, cheaper
  // to tell, the longest.
  const bool count_blocks = use_index && count > 1 && blocks.MoreThan(8);
  for (std::size_t i = 0; i < count; ++i) {
    Term& term = terms[i];
    if (count_blocks) {
      BlockMask holding(start);
      holding.KeepBlocksHolding(terms_text + term.offset, term.length);
      term.order = static_cast<std::int16_t>(holding.Count());
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

// The first entry from `start` on, in the blocks `blocks` leaves, that holds all `count` terms,
// ordered by PrepareTerms, or NoEntry.
//
// The lead term's hits are the candidates; the others are checked in each, the one that failed
// last first. A term that fails twice in a row is searched for instead, from the candidate on,
// and its next hit becomes the candidate: so a term rarer than the lead (in the blocks left)
// moves the walk in long strides, and no term searches a stretch of the table twice.
int Walk(const char* terms_text, Term* terms, std::size_t count, const BlockMask& blocks, int start,
         FindFoldedFunction find) {
  // Candidates only grow, and every other term's `next` is an earlier candidate or the current
  // one, never ahead of it; the lead is searched for again from every new candidate.
  for (std::size_t i = 0; i < count; ++i) terms[i].next = -1;
  const Term& lead = terms[0];
  for (int candidate = start;;) {
    candidate = FirstEntryHolding(NeedleOf(terms_text, lead), blocks, candidate, find);
    if (candidate == NoEntry) return NoEntry;
    std::size_t failed = 0;
    for (std::size_t i = 1; i < count && failed == 0; ++i) {
      Term& term = terms[i];
      if (term.next == candidate || ContainsFolded(candidate, NeedleOf(terms_text, term), find)) {
        term.next = static_cast<std::int16_t>(candidate);
        term.misses = 0;
      } else if (++term.misses < 2) {
        candidate += 1;
        failed = i;
      } else {
        int hit = FirstEntryHolding(NeedleOf(terms_text, term), blocks, candidate + 1, find);
        if (hit == NoEntry) return NoEntry;
        term.next = static_cast<std::int16_t>(hit);
        term.misses = 0;
        candidate = hit;
        failed = i;
      }
    }
    if (failed == 0) return candidate;
    std::swap(terms[1], terms[failed]);
  }
}

// The first entry from `start` on that holds every term of `terms_text` (distinct non-empty
// folded terms, each closed by ';', in `length` bytes), or NoEntry.
[[gnu::noinline]] int FirstEntryPassing(const char* terms_text, std::size_t length, int start) {
  if (start > LastEntryIndex) return NoEntry;
  if (length == 0) return start;  // no terms: every entry passes
  Term terms[MostTerms];
  const std::size_t count = ReadTerms(terms_text, length, terms);
  if (count == 0) return NoEntry;
  FindFoldedFunction find = ActiveFindFolded();
  if (!FewBytesFrom(start) && EveryTermStandsInMostEntries(terms_text, terms, count)) {
    // Mostly a hit within a few entries: the rest of the start's block is checked entry by entry
    // before the index is consulted.
    const int end = EndEntryOfBlock(start / BlockSize);
    start = FirstEntryOfRange(terms_text, terms, count, start, end, find);
    if (start < end) return start;
    if (start > LastEntryIndex) return NoEntry;
  }
  BlockMask blocks(start);
  if (!PrepareTerms(terms_text, terms, count, start, blocks)) return NoEntry;
  return Walk(terms_text, terms, count, blocks, start, find);
}

}  // namespace

int TermFilter(char* filter, std::size_t length, std::int32_t start) {
  if (length > LongestFilter) return NoEntry;
  FoldCase(filter, length);
  return FirstEntryPassing(filter, KeepDistinctTerms(filter, length), FirstSearched(start));
}

}  // namespace tuneledger
