// The interactive program's one pass: choose a file, convert it beside
// itself, and report a failure in one error box.
#ifndef WORDHEX_FRONTEND_RUN_H
#define WORDHEX_FRONTEND_RUN_H

// Returns 0, whatever happened: the user has been told in the box.
int RunConversion(void);

#endif
