// The game's three models, each built by a fixed recipe.
//
// Coordinates are the 3DS file's own: z up. The game turns the ship's file so
// that file coordinates end up as the game's (x forward along the flight, y
// to the left, z up), so the ship is modelled with its nose along +x and its
// top along +z. The laser beam lies along +x; the meteor is a rock of mean
// radius 10, which the game scales by size / 10 to its collision radius.
#pragma once

#include "MeshBuilder.h"

namespace modelgen {

MeshBuilder meteor();
MeshBuilder ship();
MeshBuilder laserBeam();

} // namespace modelgen
