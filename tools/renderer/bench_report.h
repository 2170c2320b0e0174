// bench --report: whether this machine can show Krelan, in words a party's
// organiser can read. The GL renderer and version, each feature the show
// needs (tried on the driver, not read from its lists), and each scene's
// frame time against a 60 Hz and a 30 Hz screen.
#pragma once

// Opens the show's window and context and prints the report on stdout,
// timing each scene over `frames` frames. 0 when the show can run here
// (however fast), 1 when it cannot.
int print_compatibility_report(long frames);
