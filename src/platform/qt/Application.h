#pragma once

namespace abacoria::qtbackend {

// The application-wide settings the program runs with: name and version,
// desktop id, the classic "Windows" style, and no quitting when the last
// window closes (the program ends when its window is unloaded; a message box
// can be the last window shown). Tests and benchmarks use the same set-up.
// Call once, after the QApplication exists.
void setUpApplication();

// Just the name and version, which is all --help and --version need: they
// answer on a QCoreApplication, with no display. setUpApplication() sets
// them too.
void setUpIdentity();

} // namespace abacoria::qtbackend
