// Must not build: the searches know nothing of result texts. The test SearchRoomCannotSeeInterface
// compiles this file with the search room's view and expects the include to be refused.
#include "interface/result_text.h"
