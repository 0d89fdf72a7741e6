#pragma once

namespace lumora::engine {

// Pixels per Å⁻¹ at zoom 1 that put the farthest reciprocal-lattice point at
// 90 % of half the smaller picture side. 0 when there is nothing to fit (an
// empty list or an empty picture): the caller keeps its previous scale.
float fitScale3D(int width, int height, float extent);

// Pixels per unit of (film mm / distance mm) at zoom 1 that make the film
// outline fill 95 % of the picture in its tighter direction. 0 when the
// distance, the film or the picture has no size.
float fitFilmScale(int width, int height, float distance, float filmWidth, float filmHeight);

}  // namespace lumora::engine
