#ifndef KORVANE_FLASH_HISTORYCOMMAND_H
#define KORVANE_FLASH_HISTORYCOMMAND_H

struct Options;

// korvane-flash history: which units got what, and when, from the user's
// history (or the report named). 0 when asked, 2 when the question or the
// file is wrong.
int runHistory(const Options &options);

#endif
