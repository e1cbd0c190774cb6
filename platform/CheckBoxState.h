#pragma once

#include <cstdint>

// The three states of a check box, shared by the grid's check-box cells and the check-box editor.
enum TCheckBoxState : std::uint8_t { cbUnchecked, cbChecked, cbGrayed };
