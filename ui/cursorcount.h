#pragma once

// The mouse cursor's display count, kept the way the player has always driven it: the cursor
// shows while the count is 0 or more and is hidden below that.
namespace ui {

// Raises or lowers the count and returns the new value.
int ShowCursor(bool show);

// Lowers the count until the cursor is hidden.
void ForceCursorHidden();

// Raises the count until the cursor shows.
void ForceCursorShown();

bool cursorHidden();

} // namespace ui
