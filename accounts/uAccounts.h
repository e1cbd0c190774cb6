#pragma once

// Registers the window classes of the customer, payment and guide windows with the shell, so that the main
// window opens them by class name. Called once at start; a static library's own static registrations would be
// dropped by the linker.
void RegisterAccountsForms();
