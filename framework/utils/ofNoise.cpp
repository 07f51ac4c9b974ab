#include "ofNoise.h"

namespace ofNoiseTables {

#define OF_NOISE_PERMUTATION \
    151, 160, 137, 91, 90, 15, 131, 13, 201, 95, 96, 53, 194, 233, 7, 225, \
    140, 36, 103, 30, 69, 142, 8, 99, 37, 240, 21, 10, 23, 190, 6, 148, \
    247, 120, 234, 75, 0, 26, 197, 62, 94, 252, 219, 203, 117, 35, 11, 32, \
    57, 177, 33, 88, 237, 149, 56, 87, 174, 20, 125, 136, 171, 168, 68, 175, \
    74, 165, 71, 134, 139, 48, 27, 166, 77, 146, 158, 231, 83, 111, 229, 122, \
    60, 211, 133, 230, 220, 105, 92, 41, 55, 46, 245, 40, 244, 102, 143, 54, \
    65, 25, 63, 161, 1, 216, 80, 73, 209, 76, 132, 187, 208, 89, 18, 169, \
    200, 196, 135, 130, 116, 188, 159, 86, 164, 100, 109, 198, 173, 186, 3, 64, \
    52, 217, 226, 250, 124, 123, 5, 202, 38, 147, 118, 126, 255, 82, 85, 212, \
    207, 206, 59, 227, 47, 16, 58, 17, 182, 189, 28, 42, 223, 183, 170, 213, \
    119, 248, 152, 2, 44, 154, 163, 70, 221, 153, 101, 155, 167, 43, 172, 9, \
    129, 22, 39, 253, 19, 98, 108, 110, 79, 113, 224, 232, 178, 185, 112, 104, \
    218, 246, 97, 228, 251, 34, 242, 193, 238, 210, 144, 12, 191, 179, 162, 241, \
    81, 51, 145, 235, 249, 14, 239, 107, 49, 192, 214, 31, 181, 199, 106, 157, \
    184, 84, 204, 176, 115, 121, 50, 45, 127, 4, 150, 254, 138, 236, 205, 93, \
    222, 114, 67, 29, 24, 72, 243, 141, 128, 195, 78, 66, 215, 61, 156, 180

const unsigned char perm[512] = {OF_NOISE_PERMUTATION, OF_NOISE_PERMUTATION};

#undef OF_NOISE_PERMUTATION

// Row c = 32 (x0 > y0) + 16 (x0 > z0) + 8 (y0 > z0) + 4 (x0 > w0)
//       + 2 (y0 > w0) + 1 (z0 > w0).
const unsigned char simplex[64][4] = {
    {0, 1, 2, 3}, {0, 1, 3, 2}, {0, 0, 0, 0}, {0, 2, 3, 1}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {1, 2, 3, 0},
    {0, 2, 1, 3}, {0, 0, 0, 0}, {0, 3, 1, 2}, {0, 3, 2, 1}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {1, 3, 2, 0},
    {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0},
    {1, 2, 0, 3}, {0, 0, 0, 0}, {1, 3, 0, 2}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {2, 3, 0, 1}, {2, 3, 1, 0},
    {1, 0, 2, 3}, {1, 0, 3, 2}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {2, 0, 3, 1}, {0, 0, 0, 0}, {2, 1, 3, 0},
    {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0},
    {2, 0, 1, 3}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {3, 0, 1, 2}, {3, 0, 2, 1}, {0, 0, 0, 0}, {3, 1, 2, 0},
    {2, 1, 0, 3}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {3, 1, 0, 2}, {0, 0, 0, 0}, {3, 2, 0, 1}, {3, 2, 1, 0}};

}

using ofNoiseTables::perm;
using ofNoiseTables::simplex;

namespace {

// Whole numbers and everything at or below zero fall into the cell below.
int cell(float v) {
    return v > 0.0f ? static_cast<int>(v) : static_cast<int>(v) - 1;
}

// The non-negative remainder modulo 256, also for negative cells.
int wrap(int i) {
    return i & 255;
}

float grad1(int hash, float x) {
    const int h = hash & 15;
    float g = 1.0f + static_cast<float>(h & 7);
    if (h & 8) g = -g;
    return g * x;
}

float grad2(int hash, float x, float y) {
    const int h = hash & 7;
    const float u = h < 4 ? x : y;
    const float v = h < 4 ? y : x;
    return ((h & 1) ? -u : u) + ((h & 2) ? -2.0f * v : 2.0f * v);
}

float grad3(int hash, float x, float y, float z) {
    const int h = hash & 15;
    const float u = h < 8 ? x : y;
    const float v = h < 4 ? y : (h == 12 || h == 14) ? x : z;
    return ((h & 1) ? -u : u) + ((h & 2) ? -v : v);
}

float grad4(int hash, float x, float y, float z, float t) {
    const int h = hash & 31;
    const float u = h < 24 ? x : y;
    const float v = h < 16 ? y : z;
    const float w = h < 8 ? z : t;
    return ((h & 1) ? -u : u) + ((h & 2) ? -v : v) + ((h & 4) ? -w : w);
}

// A corner's share: the quartic falloff of the remaining radius times its
// gradient; nothing beyond the radius.
float falloff(float t, float gradient) {
    if (t < 0.0f) return 0.0f;
    t *= t;
    return t * t * gradient;
}

float signedNoise1(float x) {
    const int i0 = cell(x);
    const int i1 = i0 + 1;
    const float x0 = x - static_cast<float>(i0);
    const float x1 = x0 - 1.0f;
    // 1 - x^2 cannot be negative here: both offsets lie within [-1, 1].
    const float n0 = falloff(1.0f - x0 * x0, grad1(perm[wrap(i0)], x0));
    const float n1 = falloff(1.0f - x1 * x1, grad1(perm[wrap(i1)], x1));
    return 0.25f * (n0 + n1);
}

float simplexNoise2D(float x, float y) {
    const float F2 = 0.366025403f;
    const float G2 = 0.211324865f;

    const float s = (x + y) * F2;
    const int i = cell(x + s);
    const int j = cell(y + s);
    const float t = static_cast<float>(i + j) * G2;
    const float x0 = x - (static_cast<float>(i) - t);
    const float y0 = y - (static_cast<float>(j) - t);

    // The middle corner of the triangle; a tie takes (0, 1).
    const int i1 = x0 > y0 ? 1 : 0;
    const int j1 = x0 > y0 ? 0 : 1;

    const float x1 = x0 - static_cast<float>(i1) + G2;
    const float y1 = y0 - static_cast<float>(j1) + G2;
    const float x2 = x0 - 1.0f + 2.0f * G2;
    const float y2 = y0 - 1.0f + 2.0f * G2;

    const int ii = wrap(i);
    const int jj = wrap(j);

    const float n0 = falloff(0.5f - x0 * x0 - y0 * y0, grad2(perm[ii + perm[jj]], x0, y0));
    const float n1 = falloff(0.5f - x1 * x1 - y1 * y1, grad2(perm[ii + i1 + perm[jj + j1]], x1, y1));
    const float n2 = falloff(0.5f - x2 * x2 - y2 * y2, grad2(perm[ii + 1 + perm[jj + 1]], x2, y2));
    return 40.0f * (n0 + n1 + n2);
}

float simplexNoise3D(float x, float y, float z) {
    const float F3 = 1.0f / 3.0f;
    const float G3 = 1.0f / 6.0f;

    const float s = (x + y + z) * F3;
    const int i = cell(x + s);
    const int j = cell(y + s);
    const int k = cell(z + s);
    const float t = static_cast<float>(i + j + k) * G3;
    const float x0 = x - (static_cast<float>(i) - t);
    const float y0 = y - (static_cast<float>(j) - t);
    const float z0 = z - (static_cast<float>(k) - t);

    // The second and third corners follow the ordering of the offsets.
    int i1, j1, k1, i2, j2, k2;
    if (x0 >= y0) {
        if (y0 >= z0) {
            i1 = 1; j1 = 0; k1 = 0; i2 = 1; j2 = 1; k2 = 0;
        } else if (x0 >= z0) {
            i1 = 1; j1 = 0; k1 = 0; i2 = 1; j2 = 0; k2 = 1;
        } else {
            i1 = 0; j1 = 0; k1 = 1; i2 = 1; j2 = 0; k2 = 1;
        }
    } else {
        if (y0 < z0) {
            i1 = 0; j1 = 0; k1 = 1; i2 = 0; j2 = 1; k2 = 1;
        } else if (x0 < z0) {
            i1 = 0; j1 = 1; k1 = 0; i2 = 0; j2 = 1; k2 = 1;
        } else {
            i1 = 0; j1 = 1; k1 = 0; i2 = 1; j2 = 1; k2 = 0;
        }
    }

    const float x1 = x0 - static_cast<float>(i1) + G3;
    const float y1 = y0 - static_cast<float>(j1) + G3;
    const float z1 = z0 - static_cast<float>(k1) + G3;
    const float x2 = x0 - static_cast<float>(i2) + 2.0f * G3;
    const float y2 = y0 - static_cast<float>(j2) + 2.0f * G3;
    const float z2 = z0 - static_cast<float>(k2) + 2.0f * G3;
    const float x3 = x0 - 1.0f + 0.5f;
    const float y3 = y0 - 1.0f + 0.5f;
    const float z3 = z0 - 1.0f + 0.5f;

    const int ii = wrap(i);
    const int jj = wrap(j);
    const int kk = wrap(k);

    const float n0 = falloff(0.6f - x0 * x0 - y0 * y0 - z0 * z0,
                             grad3(perm[ii + perm[jj + perm[kk]]], x0, y0, z0));
    const float n1 = falloff(0.6f - x1 * x1 - y1 * y1 - z1 * z1,
                             grad3(perm[ii + i1 + perm[jj + j1 + perm[kk + k1]]], x1, y1, z1));
    const float n2 = falloff(0.6f - x2 * x2 - y2 * y2 - z2 * z2,
                             grad3(perm[ii + i2 + perm[jj + j2 + perm[kk + k2]]], x2, y2, z2));
    const float n3 = falloff(0.6f - x3 * x3 - y3 * y3 - z3 * z3,
                             grad3(perm[ii + 1 + perm[jj + 1 + perm[kk + 1]]], x3, y3, z3));
    return 32.0f * (n0 + n1 + n2 + n3);
}

float simplexNoise4D(float x, float y, float z, float w) {
    const float F4 = 0.309016994f;
    const float G4 = 0.138196601f;

    const float s = (x + y + z + w) * F4;
    const int i = cell(x + s);
    const int j = cell(y + s);
    const int k = cell(z + s);
    const int l = cell(w + s);
    const float t = static_cast<float>(i + j + k + l) * G4;
    const float x0 = x - (static_cast<float>(i) - t);
    const float y0 = y - (static_cast<float>(j) - t);
    const float z0 = z - (static_cast<float>(k) - t);
    const float w0 = w - (static_cast<float>(l) - t);

    const int c = (x0 > y0 ? 32 : 0) + (x0 > z0 ? 16 : 0) + (y0 > z0 ? 8 : 0) +
                  (x0 > w0 ? 4 : 0) + (y0 > w0 ? 2 : 0) + (z0 > w0 ? 1 : 0);
    const unsigned char* rank = simplex[c];

    // An axis steps in the second corner when its rank is 3, in the third
    // from rank 2 and in the fourth from rank 1.
    const int i1 = rank[0] >= 3, j1 = rank[1] >= 3, k1 = rank[2] >= 3, l1 = rank[3] >= 3;
    const int i2 = rank[0] >= 2, j2 = rank[1] >= 2, k2 = rank[2] >= 2, l2 = rank[3] >= 2;
    const int i3 = rank[0] >= 1, j3 = rank[1] >= 1, k3 = rank[2] >= 1, l3 = rank[3] >= 1;

    const float x1 = x0 - static_cast<float>(i1) + G4;
    const float y1 = y0 - static_cast<float>(j1) + G4;
    const float z1 = z0 - static_cast<float>(k1) + G4;
    const float w1 = w0 - static_cast<float>(l1) + G4;
    const float x2 = x0 - static_cast<float>(i2) + 2.0f * G4;
    const float y2 = y0 - static_cast<float>(j2) + 2.0f * G4;
    const float z2 = z0 - static_cast<float>(k2) + 2.0f * G4;
    const float w2 = w0 - static_cast<float>(l2) + 2.0f * G4;
    const float x3 = x0 - static_cast<float>(i3) + 3.0f * G4;
    const float y3 = y0 - static_cast<float>(j3) + 3.0f * G4;
    const float z3 = z0 - static_cast<float>(k3) + 3.0f * G4;
    const float w3 = w0 - static_cast<float>(l3) + 3.0f * G4;
    const float x4 = x0 - 1.0f + 4.0f * G4;
    const float y4 = y0 - 1.0f + 4.0f * G4;
    const float z4 = z0 - 1.0f + 4.0f * G4;
    const float w4 = w0 - 1.0f + 4.0f * G4;

    const int ii = wrap(i);
    const int jj = wrap(j);
    const int kk = wrap(k);
    const int ll = wrap(l);

    const float n0 = falloff(0.6f - x0 * x0 - y0 * y0 - z0 * z0 - w0 * w0,
                             grad4(perm[ii + perm[jj + perm[kk + perm[ll]]]], x0, y0, z0, w0));
    const float n1 = falloff(0.6f - x1 * x1 - y1 * y1 - z1 * z1 - w1 * w1,
                             grad4(perm[ii + i1 + perm[jj + j1 + perm[kk + k1 + perm[ll + l1]]]], x1, y1, z1, w1));
    const float n2 = falloff(0.6f - x2 * x2 - y2 * y2 - z2 * z2 - w2 * w2,
                             grad4(perm[ii + i2 + perm[jj + j2 + perm[kk + k2 + perm[ll + l2]]]], x2, y2, z2, w2));
    const float n3 = falloff(0.6f - x3 * x3 - y3 * y3 - z3 * z3 - w3 * w3,
                             grad4(perm[ii + i3 + perm[jj + j3 + perm[kk + k3 + perm[ll + l3]]]], x3, y3, z3, w3));
    const float n4 = falloff(0.6f - x4 * x4 - y4 * y4 - z4 * z4 - w4 * w4,
                             grad4(perm[ii + 1 + perm[jj + 1 + perm[kk + 1 + perm[ll + 1]]]], x4, y4, z4, w4));
    return 27.0f * (n0 + n1 + n2 + n3 + n4);
}

}

float ofSignedNoise(float x) { return signedNoise1(x); }
float ofSignedNoise(float x, float y) { return simplexNoise2D(x, y); }
float ofSignedNoise(float x, float y, float z) { return simplexNoise3D(x, y, z); }
float ofSignedNoise(float x, float y, float z, float w) { return simplexNoise4D(x, y, z, w); }

float ofNoise(float x) { return signedNoise1(x) * 0.5f + 0.5f; }
float ofNoise(float x, float y) { return simplexNoise2D(x, y) * 0.5f + 0.5f; }
float ofNoise(float x, float y, float z) { return simplexNoise3D(x, y, z) * 0.5f + 0.5f; }
float ofNoise(float x, float y, float z, float w) { return simplexNoise4D(x, y, z, w) * 0.5f + 0.5f; }
