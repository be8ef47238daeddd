// The DLL's start and stop: Windows calls DllMain as a process or thread attaches or detaches.
//
// There is no application framework to join here, and nothing to set up or tear down: the chart
// table is constant data, and each thread's result texts are plain arrays that need neither
// construction nor destruction. So attach and detach do nothing the library needs.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
