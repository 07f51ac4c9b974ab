#pragma once
// An orthographic projection in which one unit is one pixel, y grows
// downwards and (left, top) is the top-left corner of the w x h viewport,
// with an identity model-view matrix: drawn coordinates can be checked
// against read-back pixels and feedback exactly.
namespace pixelscreen {
void set(int w, int h, float left = 0, float top = 0);
}
