/*
 * TuneLedger: a fixed table of 11,084 song chart entries, read and searched through three calls.
 *
 * Each entry is one line of 8-bit text: performer, title and six figures joined by '|', e.g.
 *     Tove Lark |Wake Me Tonight|1506|302|1|(x29)|2118242|883369738
 * Entries 0 to 11081 can be read and searched; the table is sorted by its last figure, largest
 * first.
 *
 * Texts cross this interface as NUL-terminated UTF-16 (tuneledger_char: wchar_t on Windows,
 * char16_t elsewhere); lengths and capacities below count UTF-16 code units. Inside, the library
 * works on 8-bit text in the Windows-1252 code page: a caller's character that code page can't
 * hold becomes '?', and an entry's bytes come back as Windows-1252 characters, never decoded as
 * UTF-8 (an entry stored as the UTF-8 bytes of "Café" reads "CafÃ©").
 *
 * Every call answers with a pointer to a NUL-terminated text of at most TUNELEDGER_RESULT_UNITS
 * (3000) code units, terminator included, one of:
 *     - an entry's text                        (FoodPicker)
 *     - "Out of range"                         (FoodPicker)
 *     - "INDEX-ENTRY", e.g. "4-Hidden Wolves |Shake Me Down|1223|..."   (a search hit)
 *     - "NOT FOUND!"                           (FoodPickerText, FoodPickerFilter)
 * The returned text belongs to the library. It stays valid and unchanged until the same thread
 * calls the same function again; calls of the other two functions leave it alone. It lives no
 * longer than the thread that asked for it, nor than the library (until dlclose or FreeLibrary):
 * copy it to keep it. Do not write to it or free it.
 *
 * Thread safety: every function may be called from any number of threads at once. Each thread
 * has its own result text per function; the table is read-only. A thread's first call takes the
 * memory for its three result texts (about 18 KB), which is given back when the thread ends or
 * the library is unloaded; no later call uses the heap, and no call's stack use grows with the
 * length of its text. (The Windows DLL takes that memory from the process heap; should the heap
 * have none left, that call answers a null pointer, and the thread's next call tries again.)
 *
 * Calling convention: TUNELEDGER_CALL, which is __stdcall on 32-bit x86 Windows, the convention
 * of the Windows API (WINAPI), and empty (the platform's C convention) on every other target.
 * A host that declares its own function pointer types for the three calls must use it too:
 *     typedef const tuneledger_char *(TUNELEDGER_CALL *PickCall)(int32_t index);
 *
 * Literals: TUNELEDGER_TEXT("...") makes a literal of tuneledger_char on every platform
 * (L"..." on Windows, u"..." elsewhere), e.g. FoodPickerText(TUNELEDGER_TEXT("(x124)"), 0).
 * Outside Windows the header's char16_t (from <uchar.h>) and TUNELEDGER_TEXT's u"..." need
 * C11 or later in C (-std=c11; gcc's default, gnu17, has both), or C++11 in C++.
 */
#ifndef TUNELEDGER_H
#define TUNELEDGER_H

#define TUNELEDGER_VERSION_MAJOR 1
#define TUNELEDGER_VERSION_MINOR 0
#define TUNELEDGER_VERSION_PATCH 0
#define TUNELEDGER_VERSION_TWEAK 1

/*
 * The table's limits, fixed when the library is built:
 *   TUNELEDGER_LAST_INDEX      the highest index any call accepts or answers (entries 0 to it);
 *   TUNELEDGER_LONGEST_TEXT    the longest entry, in characters: a longer search text is in no entry;
 *   TUNELEDGER_LONGEST_FILTER  the longest filter, in characters, whose terms count;
 *   TUNELEDGER_RESULT_UNITS    the most UTF-16 code units of any answer, terminator included.
 */
#define TUNELEDGER_LAST_INDEX 11081
#define TUNELEDGER_LONGEST_TEXT 169
#define TUNELEDGER_LONGEST_FILTER 2999
#define TUNELEDGER_RESULT_UNITS 3000

#include <stdint.h>

#if defined(_WIN32)
#  include <wchar.h>
typedef wchar_t tuneledger_char;
#  define TUNELEDGER_TEXT(literal) L##literal
#  if defined(_M_IX86) || defined(__i386__)
#    define TUNELEDGER_CALL __stdcall
#  else
#    define TUNELEDGER_CALL
#  endif
#  if defined(TUNELEDGER_BUILDING) || defined(TUNELEDGER_STATIC)
     /* Building the library (its module-definition file names the exports, undecorated), or
        linking a static copy of it rather than the DLL. */
#    define TUNELEDGER_API
#  else
#    define TUNELEDGER_API __declspec(dllimport)
#  endif
#else
#  if !defined(__cplusplus)
#    include <uchar.h>
#  endif
typedef char16_t tuneledger_char;
#  define TUNELEDGER_TEXT(literal) u##literal
#  define TUNELEDGER_CALL
#  define TUNELEDGER_API __attribute__((visibility("default")))
#endif

/*
 * The characters that the bytes 0x80 to 0x9F stand for, in byte order: Windows-1252's, and for
 * the five bytes it leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) the code point of the same
 * value. Every other byte stands for the code point of its own value. A host that wants an
 * answer's stored bytes back, to show the UTF-8 names some entries hold, maps each character
 * back through this table, e.g. after
 *     static const tuneledger_char high[32] = TUNELEDGER_WINDOWS_1252_HIGH;
 */
#define TUNELEDGER_WINDOWS_1252_HIGH {                                \
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, \
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, \
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, \
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178  \
}

#ifdef __cplusplus
extern "C" {
#endif

/*
 * The text of entry `index`, exactly as stored, for 0 <= index <= TUNELEDGER_LAST_INDEX (11081).
 * Any other index (negative, 11082 and above) answers "Out of range".
 */
TUNELEDGER_API const tuneledger_char *TUNELEDGER_CALL FoodPicker(int32_t index);

/*
 * The first entry at or after `start` whose text contains `text`, ignoring the case of A to Z
 * only. The text may match anywhere: performer, title, figures, or across the '|' between them.
 * Answers "INDEX-ENTRY" for a hit, else "NOT FOUND!". Page through every hit by calling again
 * with start = INDEX + 1.
 *     - start below 0 searches from entry 0; start above TUNELEDGER_LAST_INDEX answers
 *       "NOT FOUND!".
 *     - a null text is taken as the empty text, and the empty text matches at once: the hit is
 *       entry max(start, 0).
 *     - the text is matched in full, whatever its length. A text of more than
 *       TUNELEDGER_LONGEST_TEXT (169) characters is longer than any entry and answers "NOT FOUND!".
 *     - the text ends at its first NUL; only as much of it is read as is needed to decide.
 */
TUNELEDGER_API const tuneledger_char *TUNELEDGER_CALL FoodPickerText(const tuneledger_char *text, int32_t start);

/*
 * The first entry at or after `start` that contains every term of `filter`, each ignoring the
 * case of A to Z only. A term is a piece of the filter closed by ';': "love;night;" has the terms
 * "love" and "night". A piece after the last ';' is no term and takes no part; a filter without
 * ';' has no terms and lets every entry pass. An empty term (";;") is contained in every entry.
 * Answers "INDEX-ENTRY" for a hit, else "NOT FOUND!".
 *     - start below 0 searches from entry 0; start above TUNELEDGER_LAST_INDEX answers
 *       "NOT FOUND!".
 *     - a null filter is taken as the empty filter.
 *     - every term counts, whatever the number of terms and their lengths, as long as the
 *       filter has at most TUNELEDGER_LONGEST_FILTER (2999) characters; a longer filter answers
 *       "NOT FOUND!".
 *     - the filter ends at its first NUL; only as much of it is read as is needed to decide.
 */
TUNELEDGER_API const tuneledger_char *TUNELEDGER_CALL FoodPickerFilter(const tuneledger_char *filter, int32_t start);

#ifdef __cplusplus
}
#endif

#endif /* TUNELEDGER_H */
