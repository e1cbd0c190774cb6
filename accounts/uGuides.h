#pragma once

// Registers the guide windows' main-menu commands and the pickers other windows ask for by name.
void RegisterGuides();
