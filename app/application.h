#pragma once

// Start-up of the Kerfloom program.
#include <QString>

namespace kerfloom {

// True when no display is reachable and the caller did not choose a Qt
// platform, or when the caller chose the offscreen or minimal platform and
// `hasFiles` (drawings on the command line); the program then runs on the
// offscreen platform and answers every prompt itself. Call before the
// QApplication exists.
bool chooseHeadlessPlatform(bool hasFiles);

// With drawings on the command line and a display variable but no platform chosen:
// asks Qt for the X server first and the offscreen platform when that server
// cannot be reached, and returns true (the caller then decides headless by
// the platform Qt found). Call before the QApplication exists.
bool offerHeadlessFallback();

// Loads the catalogues of a locale name such as "pl_PL" (Italian, Polish
// and Spanish; any other language leaves the texts in English) and makes it
// the default locale. Windows created afterwards speak that language.
void loadLanguage(const QString &name);

// Translators, names, version, language, display unit, random seed: once in
// every mode, right after the QApplication exists.
void commonSetup();

// The whole program: application, common set-up, main window, the files of
// the command line, event loop. Returns the exit code.
int run(int argc, char **argv);

} // namespace kerfloom
