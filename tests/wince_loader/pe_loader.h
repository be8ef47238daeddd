// A stand-in for Windows CE's loader, for 32-bit ARM (Thumb-2) DLLs, on ARM Linux: it maps the
// image's sections at an address of its own (never the preferred base, so every relocation is
// used), applies the base relocations (HIGHLOW and THUMB_MOV32), binds each import of
// COREDLL.dll by name to its stand-in (coredll.h), gives each section the protection its flags
// ask for, and calls the entry point as CE does. Anything it does not know fails the load and
// says what it was.
#ifndef TUNELEDGER_TESTS_WINCE_LOADER_PE_LOADER_H
#define TUNELEDGER_TESTS_WINCE_LOADER_PE_LOADER_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pe {

// DllMain's reasons.
enum Reason : std::uint32_t { ProcessDetach = 0, ProcessAttach = 1, ThreadAttach = 2, ThreadDetach = 3 };

// The fixed part of the version resource (VS_FIXEDFILEINFO), as the image holds it.
struct FixedVersion {
  std::uint32_t file_high, file_low, product_high, product_low;
};

class Image {
 public:
  Image() = default;
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;
  ~Image() { Unmap(); }

  // Reads and maps the DLL at `path`; "" on success, else what stopped it (and nothing mapped).
  std::string Map(const std::string& path);
  // Gives the mapping back. The DLL's code and data are gone afterwards.
  void Unmap();
  bool Mapped() const { return base_ != nullptr; }

  // The entry point, as CE calls it (DllMain(instance, reason, reserved)).
  bool CallEntry(Reason reason, void* reserved = nullptr) const;

  // An export's address by ordinal or by name, or null.
  void* ByOrdinal(std::uint16_t ordinal) const;
  void* ByName(const std::string& name) const;

  // The version resource's fixed numbers; false if there is none.
  bool Version(FixedVersion& version) const;

  // What the load did: sections mapped, relocations applied (by type), imports bound.
  std::uintptr_t Base() const { return reinterpret_cast<std::uintptr_t>(base_); }
  std::uint32_t PreferredBase() const { return preferred_base_; }
  int HighLowRelocations() const { return high_low_; }
  int ThumbMov32Relocations() const { return thumb_mov32_; }
  const std::vector<std::string>& Imports() const { return imports_; }

 private:
  std::string Load(const std::vector<std::uint8_t>& file);
  std::string Relocate();
  std::string Bind();
  std::string Protect();
  template <typename T>
  T* At(std::uint32_t rva) const {
    return reinterpret_cast<T*>(base_ + rva);
  }
  bool Inside(std::uint32_t rva, std::uint32_t bytes) const { return rva <= size_ && bytes <= size_ - rva; }

  std::uint8_t* base_ = nullptr;
  std::uint32_t size_ = 0;
  std::uint32_t preferred_base_ = 0;
  std::uint32_t entry_ = 0;
  std::uint32_t headers_ = 0;  // file offset of the PE signature
  int high_low_ = 0;
  int thumb_mov32_ = 0;
  std::vector<std::string> imports_;
};

}  // namespace pe

#endif
