#pragma once

#include <QVariant>

// Registers the guide windows' main-menu commands and the pickers other windows ask for by name.
void RegisterGuides();

// A guide's execute routine: opens it on `initKey` to look through (mode 0) or to pick (mode 1), answering true and
// the chosen key in `outKey` when it was closed with Ok.
using TGuideRoutine = bool (*)(const QVariant &initKey, int mode, QVariant &outKey);

// The main menu opens a guide to look through, with key 0.
void RegisterGuideCommand(const char *name, TGuideRoutine routine);
// A picker answers true with the chosen key when the guide was closed with Ok, and leaves the key alone otherwise.
void RegisterGuidePicker(const char *name, TGuideRoutine routine);
