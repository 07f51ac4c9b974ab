#pragma once
// Simplex noise in one to four dimensions. The signed forms lie roughly in
// -1 to 1, the others in 0 to 1. In 1D both repeat every 256 units. The 2D
// to 4D lattices are skewed: those repeat after 256 cells along the skewed
// lattice's own axes, and along no axis of x, y, z or w.

float ofSignedNoise(float x);
float ofSignedNoise(float x, float y);
float ofSignedNoise(float x, float y, float z);
float ofSignedNoise(float x, float y, float z, float w);

float ofNoise(float x);
float ofNoise(float x, float y);
float ofNoise(float x, float y, float z);
float ofNoise(float x, float y, float z, float w);

// The lattice tables, read-only; visible so they can be checked.
namespace ofNoiseTables {
// Perlin's permutation of 0-255, twice in a row so sums of two indices
// need no further wrapping.
extern const unsigned char perm[512];
// For each ordering of the four 4D offsets (see ofNoise.cpp), the rank of
// each axis; orderings that cannot occur are all zero.
extern const unsigned char simplex[64][4];
}
