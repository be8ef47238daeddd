#include "output.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "text.h"

#if defined(_WIN32)
#  include <windows.h>
#else
#  include <sys/ioctl.h>
#  include <unistd.h>
#endif

namespace cli {
namespace {

std::size_t ColumnsFromEnvironment() {
  const char* columns = std::getenv("COLUMNS");
  if (!columns) return 0;
  const long value = std::strtol(columns, nullptr, 10);
  return value > 0 && value < 100000 ? static_cast<std::size_t>(value) : 0;
}

#if defined(_WIN32)
HANDLE HandleOf(Stream::Which which) {
  return GetStdHandle(which == Stream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
}

const char* ReasonOf(DWORD error) {
  switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return "No space left on device";
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
    case ERROR_PIPE_NOT_CONNECTED: return "Broken pipe";
    case ERROR_ACCESS_DENIED: return "Access denied";
    case ERROR_INVALID_HANDLE: return "No output to write to";
    default: {
      static char reason[40];
      std::snprintf(reason, sizeof reason, "Windows error %lu", static_cast<unsigned long>(error));
      return reason;
    }
  }
}
#endif

}  // namespace

Stream::Stream(Which which) : which_(which) {
#if defined(_WIN32)
  DWORD mode = 0;
  console_ = GetConsoleMode(HandleOf(which), &mode) != 0;
  terminal_ = console_;
  // Windows 10 and later show colour sequences once asked to.
  color_ = console_ && SetConsoleMode(HandleOf(which), mode | 0x0004 /* virtual terminal */) != 0;
#else
  terminal_ = isatty(which == Output ? 1 : 2) == 1;
  color_ = terminal_;
#endif
}

std::size_t Stream::Columns() const {
  // COLUMNS, when set, is the width the user wants, as POSIX has it for every program.
  if (const std::size_t columns = ColumnsFromEnvironment()) return columns;
  if (terminal_) {
#if defined(_WIN32)
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (GetConsoleScreenBufferInfo(HandleOf(which_), &info)) {
      return static_cast<std::size_t>(info.srWindow.Right - info.srWindow.Left + 1);
    }
#else
    struct winsize size {};
    if (ioctl(which_ == Output ? 1 : 2, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
#endif
  }
  return terminal_ ? 80 : 0;
}

bool Stream::WriteOut(const char* bytes, std::size_t size) {
  if (failed_) return false;
#if defined(_WIN32)
  const HANDLE handle = HandleOf(which_);
  if (console_) {
    // Whole lines reach here (see EndLine), so no UTF-8 sequence is cut in two.
    static char16_t wide[Capacity];
    const std::size_t units = Utf16FromUtf8(bytes, size, wide);
    DWORD written = 0;
    for (std::size_t done = 0; done < units; done += written) {
      const DWORD chunk = static_cast<DWORD>(units - done < 8192 ? units - done : 8192);
      if (!WriteConsoleW(handle, reinterpret_cast<const wchar_t*>(wide) + done, chunk, &written, nullptr) ||
          written == 0) {
        failed_ = true;
        reason_ = ReasonOf(GetLastError());
        return false;
      }
    }
    return true;
  }
  while (size > 0) {
    DWORD written = 0;
    if (!WriteFile(handle, bytes, static_cast<DWORD>(size), &written, nullptr)) {
      failed_ = true;
      reason_ = ReasonOf(GetLastError());
      return false;
    }
    bytes += written;
    size -= written;
  }
#else
  const int descriptor = which_ == Output ? 1 : 2;
  while (size > 0) {
    const ssize_t written = ::write(descriptor, bytes, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      failed_ = true;
      reason_ = written < 0 ? std::strerror(errno) : "nothing was written";
      return false;
    }
    bytes += written;
    size -= static_cast<std::size_t>(written);
  }
#endif
  return true;
}

bool Stream::Flush() {
  const bool written = used_ == 0 || WriteOut(buffer_, used_);
  used_ = 0;
  return written && !failed_;
}

char* Stream::Reserve(std::size_t size) {
  if (Capacity - used_ < size) Flush();
  return buffer_ + used_;
}

void Stream::Write(const char* text, std::size_t size) {
  while (size > 0) {
    const std::size_t chunk = size < Capacity ? size : Capacity;
    char* at = Reserve(chunk);
    std::memcpy(at, text, chunk);
    Commit(at + chunk);
    text += chunk;
    size -= chunk;
  }
}

void Stream::Write(const char* text) { Write(text, std::strlen(text)); }

void Stream::EndLine() {
  char* at = Reserve(1);
  *at = '\n';
  Commit(at + 1);
  if (console_ || which_ == Error) Flush();
}

}  // namespace cli
