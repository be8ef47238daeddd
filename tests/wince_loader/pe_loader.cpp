// The stand-in CE loader. Field offsets are those of the PE/COFF format's headers (PE32).
#include "tests/wince_loader/pe_loader.h"

#include <sys/mman.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "tests/wince_loader/coredll.h"

namespace pe {
namespace {

constexpr std::uint16_t MachineThumb = 0x1C2;  // what CE's loader takes for ARM
constexpr std::uint16_t Pe32Magic = 0x10B;
constexpr std::uint16_t FileIsDll = 0x2000;
constexpr std::uint16_t SubsystemWindowsCeGui = 9;
constexpr int ExportDirectory = 0, ImportDirectory = 1, ResourceDirectory = 2, RelocationDirectory = 5;
constexpr std::uint32_t SectionExecutes = 0x20000000, SectionReads = 0x40000000, SectionWrites = 0x80000000;
constexpr int RelocationAbsolute = 0, RelocationHighLow = 3, RelocationThumbMov32 = 7;
constexpr std::uint32_t ImportByOrdinal = 0x80000000;
constexpr std::uint32_t ResourceSubdirectory = 0x80000000;
constexpr std::uint32_t VersionResource = 16;
constexpr std::uint32_t FixedVersionSignature = 0xFEEF04BD;
constexpr std::size_t PageSize = 4096;

template <typename T>
T Read(const std::uint8_t* at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", value);
  return text;
}

// The 16-bit immediate of a Thumb-2 MOVW or MOVT (imm4:i:imm3:imm8), and writing it back.
std::uint16_t Mov16(std::uint16_t first, std::uint16_t second) {
  return static_cast<std::uint16_t>(((first & 0xF) << 12) | (((first >> 10) & 1) << 11) |
                                    (((second >> 12) & 7) << 8) | (second & 0xFF));
}
void SetMov16(std::uint16_t* halves, std::uint16_t value) {
  halves[0] = static_cast<std::uint16_t>((halves[0] & ~0x040F) | (value >> 12) | (((value >> 11) & 1) << 10));
  halves[1] = static_cast<std::uint16_t>((halves[1] & ~0x70FF) | (((value >> 8) & 7) << 12) | (value & 0xFF));
}
bool IsMovw(std::uint16_t first) { return (first & 0xFBF0) == 0xF240; }
bool IsMovt(std::uint16_t first) { return (first & 0xFBF0) == 0xF2C0; }

}  // namespace

std::string Image::Map(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "can't read " + path;
  std::vector<std::uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string problem = Load(file);
  if (problem.empty()) problem = Relocate();
  if (problem.empty()) problem = Bind();
  if (problem.empty()) problem = Protect();
  if (!problem.empty()) Unmap();
  return problem;
}

std::string Image::Load(const std::vector<std::uint8_t>& file) {
  if (file.size() < 0x40 || file[0] != 'M' || file[1] != 'Z') return "no MZ header";
  headers_ = Read<std::uint32_t>(&file[0x3C]);
  if (headers_ > file.size() - 24 - 96 || std::memcmp(&file[headers_], "PE\0\0", 4) != 0) return "no PE signature";
  const std::uint8_t* coff = &file[headers_ + 4];
  const std::uint8_t* optional = coff + 20;
  const std::uint16_t machine = Read<std::uint16_t>(coff);
  if (machine != MachineThumb) return "machine " + Hex(machine) + ", not THUMB (0x1C2), which CE loads";
  if (!(Read<std::uint16_t>(coff + 18) & FileIsDll)) return "not a DLL";
  if (Read<std::uint16_t>(optional) != Pe32Magic) return "not PE32";
  const std::uint16_t subsystem = Read<std::uint16_t>(optional + 68);
  if (subsystem != SubsystemWindowsCeGui) return "subsystem " + std::to_string(subsystem) + ", not Windows CE GUI (9)";
  entry_ = Read<std::uint32_t>(optional + 16);
  if (!(entry_ & 1)) return "the entry point is not Thumb code";
  preferred_base_ = Read<std::uint32_t>(optional + 28);
  size_ = Read<std::uint32_t>(optional + 56);
  const std::uint32_t header_bytes = Read<std::uint32_t>(optional + 60);
  const std::uint16_t sections = Read<std::uint16_t>(coff + 2);
  const std::size_t section_table = headers_ + 24 + Read<std::uint16_t>(coff + 16);
  if (header_bytes > file.size() || header_bytes > size_ || section_table + 40 * sections > header_bytes)
    return "headers larger than the file or the image";

  // Anywhere but the preferred base, so that the image runs only if every relocation is right.
  void* mapping = mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapping != MAP_FAILED && reinterpret_cast<std::uintptr_t>(mapping) == preferred_base_) {
    void* elsewhere = mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    munmap(mapping, size_);
    mapping = elsewhere;
  }
  if (mapping == MAP_FAILED) return "no memory for the image";
  base_ = static_cast<std::uint8_t*>(mapping);
  std::memcpy(base_, file.data(), header_bytes);
  for (std::uint16_t i = 0; i < sections; ++i) {
    const std::uint8_t* section = &file[section_table + 40 * i];
    const std::uint32_t virtual_size = Read<std::uint32_t>(section + 8);
    const std::uint32_t address = Read<std::uint32_t>(section + 12);
    const std::uint32_t raw_size = Read<std::uint32_t>(section + 16);
    const std::uint32_t raw = Read<std::uint32_t>(section + 20);
    const std::uint32_t copied = raw_size < virtual_size ? raw_size : virtual_size;
    if (!Inside(address, virtual_size) || raw > file.size() || copied > file.size() - raw)
      return "section " + std::to_string(i) + " lies outside the image or the file";
    std::memcpy(base_ + address, &file[raw], copied);  // the rest stays zero
  }
  return "";
}

std::string Image::Relocate() {
  const std::uint8_t* directory = base_ + headers_ + 24 + 96 + 8 * RelocationDirectory;
  std::uint32_t rva = Read<std::uint32_t>(directory);
  const std::uint32_t end = rva + Read<std::uint32_t>(directory + 4);
  const std::uint32_t delta = static_cast<std::uint32_t>(Base()) - preferred_base_;
  if (!Inside(rva, end - rva)) return "relocations outside the image";
  while (rva + 8 <= end) {
    const std::uint32_t page = Read<std::uint32_t>(base_ + rva);
    const std::uint32_t block = Read<std::uint32_t>(base_ + rva + 4);
    if (block < 8 || block > end - rva) return "a relocation block of " + std::to_string(block) + " bytes";
    for (std::uint32_t at = rva + 8; at + 2 <= rva + block; at += 2) {
      const std::uint16_t entry = Read<std::uint16_t>(base_ + at);
      const int type = entry >> 12;
      const std::uint32_t target = page + (entry & 0xFFF);
      if (type == RelocationAbsolute) continue;
      if (!Inside(target, 8)) return "a relocation outside the image at " + Hex(target);
      if (type == RelocationHighLow) {
        const std::uint32_t value = Read<std::uint32_t>(base_ + target) + delta;
        std::memcpy(base_ + target, &value, 4);
        ++high_low_;
      } else if (type == RelocationThumbMov32) {
        std::uint16_t halves[4];
        std::memcpy(halves, base_ + target, sizeof halves);
        if (!IsMovw(halves[0]) || !IsMovt(halves[2])) return "THUMB_MOV32 at " + Hex(target) + " is not MOVW, MOVT";
        const std::uint32_t value = (std::uint32_t{Mov16(halves[2], halves[3])} << 16 | Mov16(halves[0], halves[1])) + delta;
        SetMov16(&halves[0], static_cast<std::uint16_t>(value));
        SetMov16(&halves[2], static_cast<std::uint16_t>(value >> 16));
        std::memcpy(base_ + target, halves, sizeof halves);
        ++thumb_mov32_;
      } else {
        return "relocation type " + std::to_string(type) + " at " + Hex(target) + ", which CE on ARM does not have";
      }
    }
    rva += block;
  }
  return "";
}

std::string Image::Bind() {
  const std::uint8_t* directory = base_ + headers_ + 24 + 96 + 8 * ImportDirectory;
  std::uint32_t rva = Read<std::uint32_t>(directory);
  if (rva == 0) return "";
  for (;; rva += 20) {
    if (!Inside(rva, 20)) return "imports outside the image";
    const std::uint32_t names = Read<std::uint32_t>(base_ + rva);
    const std::uint32_t dll = Read<std::uint32_t>(base_ + rva + 12);
    const std::uint32_t addresses = Read<std::uint32_t>(base_ + rva + 16);
    if (dll == 0 && addresses == 0) return "";
    if (!Inside(dll, 1)) return "an import's DLL name outside the image";
    const std::string dll_name(At<const char>(dll), strnlen(At<const char>(dll), size_ - dll));
    if (strcasecmp(dll_name.c_str(), "COREDLL.dll") != 0) return "imports from " + dll_name + ", not COREDLL.dll";
    for (std::uint32_t slot = 0;; slot += 4) {
      const std::uint32_t lookup = names ? names : addresses;
      if (!Inside(lookup + slot, 4) || !Inside(addresses + slot, 4)) return "an import table outside the image";
      const std::uint32_t thunk = Read<std::uint32_t>(base_ + lookup + slot);
      if (thunk == 0) break;
      if (thunk & ImportByOrdinal) return "imports " + dll_name + " ordinal " + std::to_string(thunk & 0xFFFF) + ", not by name";
      if (!Inside(thunk + 2, 1)) return "an import's name outside the image";
      const std::string name(At<const char>(thunk + 2), strnlen(At<const char>(thunk + 2), size_ - thunk - 2));
      void* function = coredll::Function(name);
      if (function == nullptr) return "imports " + name + " from " + dll_name + ", which has no stand-in";
      const std::uint32_t address = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(function));
      std::memcpy(base_ + addresses + slot, &address, 4);
      imports_.push_back(name);
    }
  }
}

// Headers read-only, each section as its flags say; then the code is made visible to the
// processor's instruction side.
std::string Image::Protect() {
  const std::uint8_t* coff = base_ + headers_ + 4;
  const std::uint16_t sections = Read<std::uint16_t>(coff + 2);
  const std::uint8_t* table = coff + 20 + Read<std::uint16_t>(coff + 16);
  if (mprotect(base_, PageSize, PROT_READ) != 0) return "mprotect of the headers failed";
  for (std::uint16_t i = 0; i < sections; ++i) {
    const std::uint8_t* section = table + 40 * i;
    const std::uint32_t virtual_size = Read<std::uint32_t>(section + 8);
    const std::uint32_t address = Read<std::uint32_t>(section + 12);
    const std::uint32_t flags = Read<std::uint32_t>(section + 36);
    if (address % PageSize != 0) return "section " + std::to_string(i) + " does not start a page";
    const std::size_t bytes = (virtual_size + PageSize - 1) / PageSize * PageSize;
    int protection = PROT_NONE;
    if (flags & SectionReads) protection |= PROT_READ;
    if (flags & SectionWrites) protection |= PROT_WRITE;
    if (flags & SectionExecutes) {
      protection |= PROT_EXEC;
      __builtin___clear_cache(reinterpret_cast<char*>(base_ + address), reinterpret_cast<char*>(base_ + address + bytes));
    }
    if (bytes != 0 && mprotect(base_ + address, bytes, protection) != 0) return "mprotect of section " + std::to_string(i) + " failed";
  }
  return "";
}

void Image::Unmap() {
  if (base_ != nullptr) munmap(base_, size_);
  base_ = nullptr;
  imports_.clear();
  high_low_ = thumb_mov32_ = 0;
}

bool Image::CallEntry(Reason reason, void* reserved) const {
  using Entry = int (*)(void* instance, std::uint32_t reason, void* reserved);
  const Entry entry = reinterpret_cast<Entry>(base_ + entry_);  // odd: Thumb code
  return entry(base_, reason, reserved) != 0;
}

void* Image::ByOrdinal(std::uint16_t ordinal) const {
  const std::uint8_t* directory = base_ + headers_ + 24 + 96 + 8 * ExportDirectory;
  const std::uint32_t rva = Read<std::uint32_t>(directory);
  if (rva == 0 || !Inside(rva, 40)) return nullptr;
  const std::uint32_t first = Read<std::uint32_t>(base_ + rva + 16);
  const std::uint32_t count = Read<std::uint32_t>(base_ + rva + 20);
  const std::uint32_t functions = Read<std::uint32_t>(base_ + rva + 28);
  if (ordinal < first || ordinal - first >= count || !Inside(functions + 4 * (ordinal - first), 4)) return nullptr;
  const std::uint32_t function = Read<std::uint32_t>(base_ + functions + 4 * (ordinal - first));
  return function == 0 || !Inside(function, 1) ? nullptr : base_ + function;
}

void* Image::ByName(const std::string& name) const {
  const std::uint8_t* directory = base_ + headers_ + 24 + 96 + 8 * ExportDirectory;
  const std::uint32_t rva = Read<std::uint32_t>(directory);
  if (rva == 0 || !Inside(rva, 40)) return nullptr;
  const std::uint32_t first = Read<std::uint32_t>(base_ + rva + 16);
  const std::uint32_t names = Read<std::uint32_t>(base_ + rva + 24);
  const std::uint32_t name_table = Read<std::uint32_t>(base_ + rva + 32);
  const std::uint32_t ordinal_table = Read<std::uint32_t>(base_ + rva + 36);
  if (!Inside(name_table, 4 * names) || !Inside(ordinal_table, 2 * names)) return nullptr;
  for (std::uint32_t i = 0; i < names; ++i) {
    const std::uint32_t text = Read<std::uint32_t>(base_ + name_table + 4 * i);
    if (!Inside(text, static_cast<std::uint32_t>(name.size() + 1)) || name != At<const char>(text)) continue;
    return ByOrdinal(static_cast<std::uint16_t>(first + Read<std::uint16_t>(base_ + ordinal_table + 2 * i)));
  }
  return nullptr;
}

// RT_VERSION, its first name and first language: VS_VERSIONINFO, whose fixed part follows the
// key L"VS_VERSION_INFO" at the next 4-byte boundary.
bool Image::Version(FixedVersion& version) const {
  const std::uint8_t* directory = base_ + headers_ + 24 + 96 + 8 * ResourceDirectory;
  const std::uint32_t root = Read<std::uint32_t>(directory);
  if (root == 0) return false;
  std::uint32_t level = root;
  for (int depth = 0; depth < 3; ++depth) {
    if (!Inside(level, 16)) return false;
    const std::uint32_t entries = Read<std::uint16_t>(base_ + level + 12) + Read<std::uint16_t>(base_ + level + 14);
    std::uint32_t next = 0;
    for (std::uint32_t i = 0; i < entries && next == 0; ++i) {
      const std::uint32_t entry = level + 16 + 8 * i;
      if (!Inside(entry, 8)) return false;
      if (depth == 0 && Read<std::uint32_t>(base_ + entry) != VersionResource) continue;
      next = Read<std::uint32_t>(base_ + entry + 4);
    }
    if (next == 0 || ((next & ResourceSubdirectory) != 0) != (depth < 2)) return false;
    level = root + (next & ~ResourceSubdirectory);
  }
  if (!Inside(level, 16)) return false;
  const std::uint32_t data = Read<std::uint32_t>(base_ + level);
  const std::uint32_t fixed = data + 40;  // 3 words, 16 UTF-16 units of key, 2 bytes of padding
  if (!Inside(fixed, 24) || Read<std::uint32_t>(base_ + fixed) != FixedVersionSignature) return false;
  version = {Read<std::uint32_t>(base_ + fixed + 8), Read<std::uint32_t>(base_ + fixed + 12),
             Read<std::uint32_t>(base_ + fixed + 16), Read<std::uint32_t>(base_ + fixed + 20)};
  return true;
}

}  // namespace pe
