#pragma once

#include "jobs/JobDocument.h"

#include <QString>

class QWidget;

namespace trevane {

// The filter of the job-file open and save dialogs.
QString jobFileFilter();
// The job document's questions, save dialog and warnings as the window asks them, over parent
// (which must outlive the returned callbacks' use).
JobDocument::Dialogs documentDialogs(QWidget* parent);

} // namespace trevane
