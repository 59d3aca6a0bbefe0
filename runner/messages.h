// toolMessage: every line a command prints on standard error about a model,
// kept in the model's list of lines while a batch collects them.
#pragma once

#include <string>
#include <vector>

// A message line of the model in hand: collected with the model's other
// lines in a batch (and then printed after its path), printed on standard
// error as it is in a single run. A trailing newline is added.
void toolMessage(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
