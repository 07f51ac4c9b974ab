#include "ofKeyboard.h"

#include <epoxy/glx.h>

namespace {

// The byte a keysym types: Latin-1 keysyms are their own character.
int character(unsigned long keysym) {
    return (keysym >= 0x20 && keysym <= 0x7e) || (keysym >= 0xa0 && keysym <= 0xff) ? int(keysym) : -1;
}

// The byte the same keysym types with Ctrl held, as Xlib's lookup makes it.
int underControl(int c) {
    if ((c >= '@' && c < 0x7f) || c == ' ') return c & 0x1f;
    if (c == '2') return 0;
    if (c >= '3' && c <= '7') return c - '3' + 27;
    if (c == '8') return 0x7f;
    if (c == '/') return '_' & 0x1f;
    return c;
}

}  // namespace

int ofLetterKey(int key) {
    if (key >= 'A' && key <= 'Z') return key - 'A' + 'a';
    if (key >= 1 && key <= 26) return key - 1 + 'a';
    return key;
}

bool keymapTypesBoth(const std::vector<unsigned long>& keysyms, int perKey, int a, int b) {
    if (perKey <= 0) return false;
    const size_t width = size_t(perKey);
    for (size_t key = 0; key + width <= keysyms.size(); key += width) {
        bool typesA = false, typesB = false;
        for (size_t level = 0; level < width; ++level) {
            const int c = character(keysyms[key + level]);
            if (c < 0) continue;
            typesA = typesA || c == a || underControl(c) == a;
            typesB = typesB || c == b || underControl(c) == b;
        }
        if (typesA && typesB) return true;
    }
    return false;
}

bool ofSameKey(int a, int b) {
    if (ofLetterKey(a) == ofLetterKey(b)) return true;
    if (a < 0 || a > 0xff || b < 0 || b > 0xff) return false;
    // Asked afresh each time: the player may switch layouts during a game.
    Display* display = glXGetCurrentDisplay();
    if (!display) return false;
    int first = 0, last = 0;
    XDisplayKeycodes(display, &first, &last);
    int perKey = 0;
    KeySym* map = XGetKeyboardMapping(display, KeyCode(first), last - first + 1, &perKey);
    if (!map) return false;
    const std::vector<unsigned long> keysyms(map, map + size_t(last - first + 1) * size_t(perKey));
    XFree(map);
    return keymapTypesBoth(keysyms, perKey, a, b);
}
