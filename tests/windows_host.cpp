// The DLL as a Windows application meets it: load TUNELEDGER.dll from beside this program,
// resolve each call by ordinal and by name, hold the calls to the listed cases both ways, and
// read the version resource. In the 32-bit build every call goes through a __stdcall pointer
// and is made from assembly that checks the stack pointer is where it was before the arguments
// were pushed: the DLL's functions must take their arguments off the stack themselves, as
// WINAPI functions do. Prints what it finds and "N passed, N failed"; exits 0 only if all passed.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include "tests/kit/calls.h"
#include "tests/kit/cases.h"
#include "tuneledger.h"

namespace {

int passed = 0;
int failed = 0;

void Check(bool ok, const std::string& what) {
  if (ok) {
    ++passed;
  } else {
    ++failed;
    std::printf("FAILED: %s\n", what.c_str());
  }
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// The DLL beside this program, so the test loads the one just built and nothing on a path.
std::wstring LibraryBesideThisProgram() {
  wchar_t path[MAX_PATH];
  DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, length);
  return folder.substr(0, folder.find_last_of(L"\\/") + 1) + L"TUNELEDGER.dll";
}

// Through the generic function pointer type, which every function pointer casts to and from.
template <typename Function>
Function As(FARPROC found) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
}

// Resolves the call's name and ordinal (1 to 3, in the order of kit::Operation), which must
// both be found and give the same address. Fills in both tables of calls.
template <typename Function>
void Resolve(HMODULE library, kit::Operation operation, Function& by_name_call, Function& by_ordinal_call) {
  const char* name = kit::ExportedNameOf(operation);
  const WORD ordinal = static_cast<WORD>(static_cast<int>(operation) + 1);
  FARPROC by_name = GetProcAddress(library, name);
  FARPROC by_ordinal = GetProcAddress(library, MAKEINTRESOURCEA(ordinal));
  std::string what = std::string(name) + " @" + std::to_string(ordinal);
  Check(by_name != nullptr, what + ": found by name");
  Check(by_ordinal != nullptr, what + ": found by ordinal");
  Check(by_name == by_ordinal, what + ": the same address by name and by ordinal");
  std::printf("%s: by name %p, by ordinal %u %p\n", name, reinterpret_cast<void*>(by_name),
              ordinal, reinterpret_cast<void*>(by_ordinal));
  by_name_call = As<Function>(by_name);
  by_ordinal_call = As<Function>(by_ordinal);
}

#if defined(__i386__)
// Pushes `count` 32-bit arguments (the last first), calls `function`, stores its answer, and
// returns how many bytes the call left on the stack: 0 for a __stdcall function, which takes
// its arguments off, 4 per argument for a __cdecl one.
extern "C" int StackLeftByCall(void (*function)(), const std::uint32_t* arguments, int count,
                               const tuneledger_char** answer);
asm(R"(
    .text
    .globl _StackLeftByCall
_StackLeftByCall:
    pushl %ebp
    movl %esp, %ebp
    pushl %esi
    pushl %edi
    movl 12(%ebp), %esi
    movl 16(%ebp), %ecx
    movl %esp, %edi
1:  testl %ecx, %ecx
    jz 2f
    decl %ecx
    pushl (%esi,%ecx,4)
    jmp 1b
2:  call *8(%ebp)
    movl 20(%ebp), %ecx
    movl %eax, (%ecx)
    movl %edi, %eax
    subl %esp, %eax
    movl %edi, %esp
    popl %edi
    popl %esi
    popl %ebp
    ret
)");

// The calls the checked ones below forward to, and what the checks found.
kit::Calls forward_to;
int stack_checks = 0;
int stack_moved = 0;

template <typename Function>
const tuneledger_char* CheckedCall(Function function, std::initializer_list<std::uint32_t> arguments) {
  const tuneledger_char* answer = nullptr;
  int left = StackLeftByCall(reinterpret_cast<void (*)()>(function), arguments.begin(),
                             static_cast<int>(arguments.size()), &answer);
  ++stack_checks;
  if (left != 0) ++stack_moved;
  return answer;
}

std::uint32_t Argument(const tuneledger_char* text) {
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(text));
}

const tuneledger_char* TUNELEDGER_CALL CheckedLookup(std::int32_t index) {
  return CheckedCall(forward_to.lookup, {static_cast<std::uint32_t>(index)});
}
const tuneledger_char* TUNELEDGER_CALL CheckedTextSearch(const tuneledger_char* text, std::int32_t start) {
  return CheckedCall(forward_to.text_search, {Argument(text), static_cast<std::uint32_t>(start)});
}
const tuneledger_char* TUNELEDGER_CALL CheckedTermFilter(const tuneledger_char* filter, std::int32_t start) {
  return CheckedCall(forward_to.term_filter, {Argument(filter), static_cast<std::uint32_t>(start)});
}
#endif

// On 32-bit x86 the cases go through the checked calls; elsewhere there is one calling
// convention, and they go straight to the DLL.
void RunListedCases(const kit::Calls& calls, const char* found) {
  kit::Calls used = calls;
#if defined(__i386__)
  forward_to = calls;
  used = {&CheckedLookup, &CheckedTextSearch, &CheckedTermFilter};
#endif
  const std::vector<std::string> problems = kit::JudgeEveryCase(used);
  for (const std::string& problem : problems) Check(problem.empty(), std::string(found) + ": " + problem);
  std::printf("listed cases, calls found %s: %d run\n", found, static_cast<int>(problems.size()));
}

std::string Numbers(DWORD high, DWORD low) {
  return std::to_string(HIWORD(high)) + "," + std::to_string(LOWORD(high)) + "," +
         std::to_string(HIWORD(low)) + "," + std::to_string(LOWORD(low));
}

std::wstring VersionString(const std::vector<BYTE>& block, const wchar_t* name) {
  std::wstring path = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), path.c_str(), &value, &length) || length == 0) return {};
  return static_cast<const wchar_t*>(value);
}

// The resource's numbers and strings must all say the version the header says.
void CheckVersion(const std::wstring& library) {
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(library.c_str(), &ignored);
  Check(size != 0, "the DLL has a version resource");
  if (size == 0) return;
  std::vector<BYTE> block(size);
  Check(GetFileVersionInfoW(library.c_str(), 0, size, block.data()) != 0, "GetFileVersionInfoW");

  const std::wstring expected_text = std::to_wstring(TUNELEDGER_VERSION_MAJOR) + L", " +
                                     std::to_wstring(TUNELEDGER_VERSION_MINOR) + L", " +
                                     std::to_wstring(TUNELEDGER_VERSION_PATCH) + L", " +
                                     std::to_wstring(TUNELEDGER_VERSION_TWEAK);
  for (const wchar_t* name : {L"FileVersion", L"ProductVersion"}) {
    std::wstring text = VersionString(block, name);
    std::printf("%s: \"%s\"\n", Narrow(name).c_str(), Narrow(text).c_str());
    Check(text == expected_text, Narrow(name) + " is \"" + Narrow(expected_text) + "\"");
  }

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  Check(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) && fixed,
        "the fixed version numbers");
  if (fixed) {
    const DWORD high = MAKELONG(TUNELEDGER_VERSION_MINOR, TUNELEDGER_VERSION_MAJOR);
    const DWORD low = MAKELONG(TUNELEDGER_VERSION_TWEAK, TUNELEDGER_VERSION_PATCH);
    std::printf("FILEVERSION %s  PRODUCTVERSION %s\n",
                Numbers(fixed->dwFileVersionMS, fixed->dwFileVersionLS).c_str(),
                Numbers(fixed->dwProductVersionMS, fixed->dwProductVersionLS).c_str());
    Check(fixed->dwFileVersionMS == high && fixed->dwFileVersionLS == low, "FILEVERSION");
    Check(fixed->dwProductVersionMS == high && fixed->dwProductVersionLS == low, "PRODUCTVERSION");
  }

  WORD* translation = nullptr;
  Check(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                       &length) && length >= 2 * sizeof(WORD),
        "a translation");
  if (translation && length >= 2 * sizeof(WORD)) {
    std::printf("Translation: 0x%04x, %u\n", translation[0], translation[1]);
    Check(translation[0] == 0x0409 && translation[1] == 1200, "Translation is 0x0409, 1200");
  }
}

}  // namespace

int main() {
  const std::wstring library = LibraryBesideThisProgram();
  HMODULE handle = LoadLibraryW(library.c_str());
  Check(handle != nullptr, "LoadLibraryW " + Narrow(library));
  if (handle) {
    std::printf("loaded %s\n", Narrow(library).c_str());
    kit::Calls by_name;
    kit::Calls by_ordinal;
    Resolve(handle, kit::Operation::Lookup, by_name.lookup, by_ordinal.lookup);
    Resolve(handle, kit::Operation::TextSearch, by_name.text_search, by_ordinal.text_search);
    Resolve(handle, kit::Operation::TermFilter, by_name.term_filter, by_ordinal.term_filter);
    if (by_name.Complete()) RunListedCases(by_name, "by name");
    if (by_ordinal.Complete()) RunListedCases(by_ordinal, "by ordinal");
#if defined(__i386__)
    std::printf("__stdcall: the stack pointer checked after %d calls, moved by %d\n", stack_checks, stack_moved);
    Check(stack_checks > 0 && stack_moved == 0, "every call leaves the stack pointer where it was");
#endif
    CheckVersion(library);
    FreeLibrary(handle);
  }
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
