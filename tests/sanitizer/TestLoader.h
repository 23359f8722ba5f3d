// SPDX-License-Identifier: MIT
// A library that opens a driver, has it fill its table and closes it again, as EGL does with
// Mesa's: the dlclose comes from a library, not from the program.
#pragma once

// The address of the driver's FillTable, or null when the driver could not be opened or run.
extern "C" void* OpenFillAndClose(const char* driver);
