#pragma once
// Gives memory the program no longer uses back to the system (after minimising, hiding to the
// notification area, and when the application goes idle or changes state).

class QObject;

namespace platform {

// Releases free heap memory to the system.
void TrimWorkingSet();

// Trims whenever the application is activated, deactivated, hidden or minimised. The watcher
// is a child of owner.
void TrimOnApplicationStateChanges(QObject* owner);

}  // namespace platform
