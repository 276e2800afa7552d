#pragma once

class CBulkSmsPage;

// Page 7 of the main window, set by its initialisation: the query records page asks it to
// pick up a reply it has just queued (ShowNewPending). Null before the window exists.
extern CBulkSmsPage* theBulkSmsPage;
