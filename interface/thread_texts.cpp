// Each thread's result texts as a thread_local object: trivially constructed and destroyed, so
// no runtime registers anything for it. glibc gives a thread's copy back when the thread ends,
// and every thread's copy when the library is unloaded.
//
// Not the Windows DLL's home: there mingw's g++ emulates thread_local, taking a TLS slot at each
// load that it never gives back (dll_main.cpp). A program linking the static copy has no such
// trouble, so the Windows tests use this one too.
#include "interface/thread_texts.h"

namespace tuneledger {
namespace {

thread_local ThreadTexts Texts;

}  // namespace

ThreadTexts* CallingThreadTexts() { return &Texts; }

}  // namespace tuneledger
