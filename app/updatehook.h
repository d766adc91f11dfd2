#pragma once

class Kerfloom;

namespace kerfloom {

// With the arguments "update" and a directory the process is the elevated
// updater: it applies the waiting update and the program ends with the
// returned code, before any window exists. False otherwise.
bool runUpdaterIfAsked(int *exitCode);

// Removes what an earlier update moved aside, adds "Check for updates" to
// the About menu, and reports every check in the status bar. With
// checkNow, a check runs in the background once the window shows (only
// when an update server is configured).
void attachUpdates(Kerfloom *window, bool checkNow, bool interactive);

} // namespace kerfloom
