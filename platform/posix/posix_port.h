// What the POSIX services share among themselves (never included outside
// platform/posix/).
#pragma once

// Removes the single staged file and its private folder, if any, with
// async-signal-safe calls only: the stop handler's clean-up.
void posixRemoveStagedFile();
