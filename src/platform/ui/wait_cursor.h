#pragma once

namespace ui {

// Shows the wait cursor over the whole program while long work runs on the
// one user-interface thread, and restores the cursor when it ends.
class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace ui
