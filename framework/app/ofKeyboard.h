#pragma once
// Which key of the keyboard a key code came from. The window reports a
// character key with the character its modifiers give at that moment, so a
// key pressed as '1' may come up as '!' once Shift is down, and 'w' as 23
// once Ctrl is.
#include <vector>

// A letter in either case, or as the control code Ctrl makes of it, as the
// lower-case letter; any other code as it is.
int ofLetterKey(int key);

// Whether one key of the keyboard can type both codes under some modifiers.
// Letters and their control codes pair up on every layout. Other characters
// pair up as the keymap of the current GL context's X display places them;
// without a display, only with themselves. Special keys (0x100 or-ed in)
// come up as they went down and pair up only with themselves.
bool ofSameKey(int a, int b);

// The keymap rule behind ofSameKey, for a map that lists perKey keysyms for
// each key in turn, as the X server gives it.
bool keymapTypesBoth(const std::vector<unsigned long>& keysyms, int perKey, int a, int b);
