// Run control: handing job files to the background runner, the queue and log panels.

#include "app/Mainunit.h"

namespace trevane {

bool TMainForm::runnerHasQueuedWork() const { return false; }

void TMainForm::SendSelectedJobFileClick() {}

} // namespace trevane
