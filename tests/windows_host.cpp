// The DLL as a Windows application meets it: load TUNELEDGER.dll from beside this program,
// resolve each call by ordinal and by name, hold the calls to the listed cases, and read the
// version resource. Prints what it finds and "N passed, N failed"; exits 0 only if all passed.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "calls.h"
#include "cases.h"
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

// Resolves the call's name and ordinal (1 to 3, in the order of kit::Operation), which must
// both be found and give the same address.
template <typename Function>
Function Resolve(HMODULE library, kit::Operation operation) {
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
  // Through the generic function pointer type, which every function pointer casts to and from.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(by_name));
}

void RunListedCases(const kit::Calls& calls) {
  const std::vector<std::string> problems = kit::JudgeEveryCase(calls);
  for (const std::string& problem : problems) Check(problem.empty(), problem);
  std::printf("listed cases: %d run\n", static_cast<int>(problems.size()));
}

std::string Numbers(DWORD high, DWORD low) {
  return std::to_string(HIWORD(high)) + "," + std::to_string(LOWORD(high)) + "," +
         std::to_string(HIWORD(low)) + "," + std::to_string(LOWORD(low));
}

std::wstring VersionString(const std::vector<BYTE>& block, const wchar_t* name) {
  std::wstring path = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), path.c_str(), &value, &length) || length == 0) return L"";
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
    kit::Calls calls;
    calls.lookup = Resolve<kit::Calls::LookupFunction>(handle, kit::Operation::Lookup);
    calls.text_search = Resolve<kit::Calls::SearchFunction>(handle, kit::Operation::TextSearch);
    calls.term_filter = Resolve<kit::Calls::SearchFunction>(handle, kit::Operation::TermFilter);
    if (calls.Complete()) RunListedCases(calls);
    CheckVersion(library);
    FreeLibrary(handle);
  }
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
