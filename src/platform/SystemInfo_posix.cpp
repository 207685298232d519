#include "platform/SystemInfo.h"

namespace trevane {

bool isWinNT() { return false; }

} // namespace trevane
