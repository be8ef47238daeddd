// Must not build: the chart table depends on nothing. The test DataRoomCannotSeeSearch compiles
// this file with the data room's view and expects the include to be refused.
#include "search/operations.h"
