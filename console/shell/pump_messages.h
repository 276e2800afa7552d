#pragma once

// Handles every event waiting for the user-interface thread, so the window repaints and
// answers during a long loop; always true.
bool PumpMessages();
