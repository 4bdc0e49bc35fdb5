#pragma once

// The two process-wide flags through which the progress dialog and a running
// save or restore talk to each other. Both are false at program start.

namespace vornak {

// The user has asked to stop the running transfer (the dialog's Cancel). The
// engine clears it when a transfer starts and whenever the user declines to
// terminate; it stays set after a cancelled transfer until the next one.
inline bool CancelRequested = false;

// The running transfer has ended, so the progress dialog may close. Cleared
// when a transfer starts, set as its very last step.
inline bool TransferFinished = false;

}  // namespace vornak
