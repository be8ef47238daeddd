// Must not build: a host sees the public header alone. The test HostCannotSeeTheLibrarysRooms
// compiles this file as a host is compiled and expects the include to be refused.
#include "tuneledger.h"
#include "search/matching.h"
