// The stack probe that clang calls in Windows-on-ARM code before it makes a frame of more than
// a page, written here because CE's DLL links no C runtime to bring one.
//
// Windows commits a thread's stack a page at a time, as the guard page below the last one is
// touched; a frame larger than a page could skip the guard page and land on memory not yet
// committed. So the caller passes its frame size (in 4-byte words, in r4), this touches every
// page the frame will cover, from the top down, and returns the size in bytes in r4, which the
// caller then takes off sp. Only r4, r12 and the flags may change.
extern "C" __attribute__((naked)) void __chkstk() {
  asm volatile(
      "lsls  r4, r4, #2\n"        // words to bytes
      "push  {r5, r6}\n"
      "add   r12, sp, #8\n"       // the caller's sp
      "mov   r5, r4\n"
      "1:\n"
      "sub   r12, r12, #4096\n"   // the next page down
      "ldr   r6, [r12]\n"
      "subs  r5, r5, #4096\n"
      "bgt   1b\n"
      "pop   {r5, r6}\n"
      "bx    lr\n");
}
