// Where the command line's text goes: standard output through one large buffer written
// straight to the file descriptor (or handle), standard error unbuffered. A Windows console gets
// UTF-16 through the console's own call; everywhere else, UTF-8 bytes.
#ifndef TUNELEDGER_CLI_OUTPUT_H
#define TUNELEDGER_CLI_OUTPUT_H

#include <cstddef>

namespace cli {

class Stream {
 public:
  enum Which { Output, Error };
  explicit Stream(Which which);
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;

  // Room for `size` more bytes, at the returned pointer; commit what was written with Commit.
  // Writes out what is buffered when the room isn't there; size may be at most Capacity.
  char* Reserve(std::size_t size);
  void Commit(char* end) { used_ = static_cast<std::size_t>(end - buffer_); }
  void Write(const char* text, std::size_t size);
  void Write(const char* text);
  // Writes out what is buffered, and on a console or for standard error after each line.
  void EndLine();
  bool Flush();

  bool IsTerminal() const { return terminal_; }
  // Whether the terminal shows colour sequences (a Windows console is asked to).
  bool ShowsColor() const { return color_; }
  // COLUMNS when it holds a width; else the terminal's width; else 80 on a terminal whose
  // width is unknown, 0 (no limit) elsewhere.
  std::size_t Columns() const;
  bool Failed() const { return failed_; }
  // Why the last write failed, for "could not write the output: REASON".
  const char* FailureReason() const { return reason_; }

  static constexpr std::size_t Capacity = 1 << 17;

 private:
  bool WriteOut(const char* bytes, std::size_t size);

  Which which_;
  bool terminal_ = false;
  bool console_ = false;  // a Windows console: written as UTF-16
  bool color_ = false;
  bool failed_ = false;
  const char* reason_ = "";
  std::size_t used_ = 0;
  char buffer_[Capacity];
};

}  // namespace cli

#endif
