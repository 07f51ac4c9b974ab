#pragma once
// What nearly every framework module needs, in one include.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
